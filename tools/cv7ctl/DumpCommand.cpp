// cv7ctl dump PID --kind ts|pes|section [--count N] [--out FILE] [--seconds S]: raw data of
// one PID through the library's data path. With --kind ts the file is a transport stream
// of that PID.
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "LibrarySession.h"

namespace cv7ctl {
namespace {

constexpr const char* kUsage = "dump PID --kind ts|pes|section [--count N] [--out FILE] [--seconds S]";
constexpr uint32_t kPacketsPerBuffer = 64;

std::FILE* output = nullptr;
std::atomic<uint64_t> units{0};
std::atomic<uint64_t> bytes{0};
std::vector<uint8_t> buffer;
volatile std::sig_atomic_t interrupted = 0;

// On the library's data thread: each piece is in the buffer from its start.
void onData(uint32_t more, NetPid, uint32_t, uint32_t pieceLength, int32_t) {
  std::fwrite(buffer.data(), 1, pieceLength, output);
  bytes += pieceLength;
  if (more == 0) ++units;
}

std::optional<uint16_t> kindOf(const std::string& name) {
  if (name == "ts") return 10;
  if (name == "pes") return 11;
  if (name == "section") return 12;
  return std::nullopt;
}

int runDump(const Arguments& args) {
  auto pid = args.empty() ? std::nullopt : number(args[0], 0x1FFF);
  auto kind = kindOf(option(args, "--kind").value_or(""));
  auto count = number(option(args, "--count").value_or("0"));
  auto seconds = number(option(args, "--seconds").value_or("0"));
  std::string path = option(args, "--out").value_or("-");
  if (!pid || !kind || !count || !seconds) return usageError(kUsage);
  const uint16_t dataPid = uint16_t(*pid);
  output = path == "-" ? stdout : std::fopen(path.c_str(), "wb");
  if (output == nullptr) {
    std::perror(("cv7ctl: " + path).c_str());
    return 1;
  }
  LibrarySession session;
  if (!session.ok()) return 1;
  if (int32_t r = Cvn_InitDataPath(); r != CVN_DATAPATH_OK) {
    std::fprintf(stderr, "cv7ctl: the data path cannot be opened (%d%s)\n", r,
                 r == CVN_DATAPATH_IN_USE ? ": another client holds it" : "");
    return 1;
  }
  buffer.assign(*kind == 10 ? 188 * kPacketsPerBuffer : 65536, 0);
  CvnDataPathRegistration registration{{dataPid, *kind, 0, 0, 0}, 0, buffer.data(), uint32_t(buffer.size()), onData};
  int32_t registered = Cvn_RegisterDataPath(registration);
  int status = 0;
  if (registered != CVN_DATAPATH_OK) {
    std::fprintf(stderr, "cv7ctl: PID %u cannot be registered (%d%s)\n", dataPid, registered,
                 registered == CVN_DATAPATH_PID_REFUSED ? ": already in use or the table is full" : "");
    status = 1;
  } else {
    std::signal(SIGINT, [](int) { interrupted = 1; });
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(*seconds);
    while (!interrupted && (*count == 0 || units.load() < *count) &&
           (*seconds == 0 || std::chrono::steady_clock::now() < deadline)) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    Cvn_UnRegisterDataPath(registration.Pid);
  }
  Cvn_TermDataPath();
  std::fflush(output);
  if (output != stdout) std::fclose(output);
  std::fprintf(stderr, "%llu units, %llu bytes of PID %u\n", static_cast<unsigned long long>(units.load()),
               static_cast<unsigned long long>(bytes.load()), dataPid);
  return status;
}

CommandRegistration dump("dump", kUsage, runDump);

}  // namespace
}  // namespace cv7ctl
