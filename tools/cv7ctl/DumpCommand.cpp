// cv7ctl dump PID --kind ts|pes|section [--count N] [--out FILE] [--seconds S]: raw data of
// one PID through the library's data path. --count counts what the kind delivers:
// transport-stream packets, PES packets or sections; with --kind ts the file is a
// transport stream of that PID.
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "Command.h"
#include "DaemonWatch.h"
#include "Failure.h"
#include "LibrarySession.h"
#include "Vocabulary.h"

namespace cv7ctl {
namespace {

constexpr uint32_t kPacketsPerBuffer = 64;
constexpr uint32_t kPacketSize = 188;

struct DumpOptions {
  uint32_t pid = 0, kind = 10;
  uint64_t count = 0, seconds = 0;
  std::string out = "-";
};

// What the data thread delivered; written only there, read by the waiting thread.
std::FILE* output = nullptr;
std::vector<uint8_t> buffer;
bool packets = false;       // kind 10: count packets, else units
uint64_t wanted = 0;        // 0 = no limit
std::atomic<uint64_t> taken{0};
std::atomic<uint64_t> bytes{0};
bool skipping = false;      // the rest of a unit beyond the count
volatile std::sig_atomic_t interrupted = 0;

bool enough() { return wanted != 0 && taken.load() >= wanted; }

// On the library's data thread: each piece is in the buffer from its start.
void onData(uint32_t more, NetPid, uint32_t, uint32_t pieceLength, int32_t) {
  uint32_t length = pieceLength;
  if (packets) {
    uint64_t room = wanted == 0 ? UINT64_MAX : wanted - std::min(wanted, taken.load());
    uint64_t count = std::min<uint64_t>(length / kPacketSize, room);
    length = uint32_t(count * kPacketSize);
    taken += count;
  } else {
    if (!skipping && enough()) skipping = true;
    if (skipping) {
      if (more == 0) skipping = false;
      return;
    }
    if (more == 0) ++taken;
  }
  if (length == 0) return;
  std::fwrite(buffer.data(), 1, length, output);
  bytes += length;
}

int runDump(const DumpOptions& o) {
  if (o.kind != 10 && o.kind != 11 && o.kind != 12)
    throw Failure::badArgument("--kind " + nameOf(recordKinds(), o.kind) +
                               ": dump takes ts, pes or section; mpe and stream data go to the network interface "
                               "(cv7ctl pid add, then cv7ctl listen)");
  output = o.out == "-" ? stdout : std::fopen(o.out.c_str(), "wb");
  if (output == nullptr) throw Failure::file(o.out, "cannot be written");
  packets = o.kind == 10;
  wanted = o.count;
  LibrarySession session;
  DaemonWatch watch;
  if (int32_t r = Cvn_InitDataPath(); r != CVN_DATAPATH_OK)
    throw Failure::diagnose("the data path cannot be opened (" + std::to_string(r) +
                            (r == CVN_DATAPATH_IN_USE ? ": another client holds it)" : ")"));
  buffer.assign(packets ? kPacketSize * kPacketsPerBuffer : 65536, 0);
  CvnDataPathRegistration registration{
      {uint16_t(o.pid), uint16_t(o.kind), 0, 0, 0}, 0, buffer.data(), uint32_t(buffer.size()), onData};
  if (int32_t r = Cvn_RegisterDataPath(registration); r != CVN_DATAPATH_OK) {
    Cvn_TermDataPath();
    throw Failure::diagnose("PID " + std::to_string(o.pid) + " cannot be registered (" + std::to_string(r) +
                            (r == CVN_DATAPATH_PID_REFUSED ? ": already in use or the PID table is full)" : ")"));
  }
  std::signal(SIGINT, [](int) { interrupted = 1; });
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(o.seconds);
  bool gone = false;
  while (!interrupted && !enough() && (o.seconds == 0 || std::chrono::steady_clock::now() < deadline)) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    try {
      watch.check();
    } catch (const Failure&) {
      gone = true;
      break;
    }
  }
  Cvn_UnRegisterDataPath(registration.Pid);
  Cvn_TermDataPath();
  std::fflush(output);
  if (output != stdout) std::fclose(output);
  std::fprintf(stderr, "%llu %s, %llu bytes of PID %u (%s)\n", static_cast<unsigned long long>(taken.load()),
               packets ? "packets" : o.kind == 11 ? "PES packets" : "sections",
               static_cast<unsigned long long>(bytes.load()), o.pid, nameOf(recordKinds(), o.kind).c_str());
  if (gone) throw Failure::daemonNotRunning();
  return kExitOk;
}

CommandRegistration dump{
    "dump", "Write the raw data of one PID (TS packets, PES packets or sections) to a file", kGroupNetwork,
    [](CLI::App& command) {
      auto o = std::make_shared<DumpOptions>();
      command.add_option("PID", o->pid, "The PID")->required()->transform(accept::pid())->type_name("PID");
      command.add_option("--kind", o->kind, "Record kind (dump takes ts, pes or section)")
          ->transform(accept::kind())->type_name("KIND")
          ->default_str("ts");
      command.add_option("--count", o->count, "Stop after this many packets (ts), PES packets or sections; 0 = no limit")
          ->capture_default_str();
      command.add_option("--seconds", o->seconds, "Stop after this many seconds; 0 = no limit")->capture_default_str();
      command.add_option("--out", o->out, "Output file; - is standard output")->capture_default_str();
      setRun(command, [o] { return runDump(*o); });
    }};

}  // namespace
}  // namespace cv7ctl
