// cv7ctl raw and info: one control request straight over the control socket, and the
// versions of the interface, the driver and the firmware.
//
// raw speaks the socket protocol itself (docs/control-device.md) rather than going through
// the library, whose only exports are the Cvn_ functions.
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "CommandRegistry.h"
#include "ControlCodes.h"
#include "corvane.h"

namespace {

constexpr uint32_t kRequestMagic = 0x52375643;  // "CV7R"
constexpr uint32_t kProtocolVersion = 1;
constexpr uint32_t kMaxPayload = 64 * 1024;
constexpr uint32_t kDefaultOutput = 256;

std::string devicePath() {
  const char* path = std::getenv("CV7_DEVICE");
  return path && *path ? path : "/run/cv7/Cv7Dev";
}

// A control socket connection that sends requests without events.
class RawClient {
 public:
  ~RawClient() {
    if (fd_ >= 0) ::close(fd_);
  }
  bool connect(const std::string& path, std::string& error) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) {
      error = "socket path too long";
      return false;
    }
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    fd_ = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
    if (fd_ < 0 || ::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
      error = path + ": " + std::strerror(errno);
      return false;
    }
    return true;
  }
  // Sends {header, input}; fills status and the returned bytes.
  bool request(uint32_t code, const std::vector<uint8_t>& input, uint32_t outputLength, uint32_t& status,
               std::vector<uint8_t>& output) {
    uint32_t header[8] = {kRequestMagic, kProtocolVersion, code, uint32_t(input.size()), outputLength, 0, 0, 0};
    std::vector<uint8_t> message(sizeof header + input.size());
    std::memcpy(message.data(), header, sizeof header);
    if (!input.empty()) std::memcpy(message.data() + sizeof header, input.data(), input.size());
    if (::send(fd_, message.data(), message.size(), MSG_NOSIGNAL) != ssize_t(message.size())) return false;
    std::vector<uint8_t> answer(8 + outputLength + 1);
    ssize_t got = ::recv(fd_, answer.data(), answer.size(), 0);
    if (got < 8) return false;
    uint32_t returned;
    std::memcpy(&status, answer.data(), 4);
    std::memcpy(&returned, answer.data() + 4, 4);
    if (returned > outputLength || size_t(got) != 8 + returned) return false;
    output.assign(answer.begin() + 8, answer.begin() + 8 + returned);
    return true;
  }

 private:
  int fd_ = -1;
};

bool parseNumber(const std::string& text, uint32_t& value) {
  if (text.empty()) return false;
  char* end = nullptr;
  errno = 0;
  unsigned long long parsed = std::strtoull(text.c_str(), &end, 0);
  if (errno != 0 || *end != '\0' || parsed > 0xFFFFFFFFull) return false;
  value = uint32_t(parsed);
  return true;
}

// Hex digits, optionally separated by spaces, ':' or '-'.
bool parseHex(const std::string& text, std::vector<uint8_t>& bytes) {
  std::string digits;
  for (char c : text) {
    if (c == ' ' || c == ':' || c == '-') continue;
    if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
    digits += c;
  }
  if (digits.size() % 2 != 0 || digits.size() / 2 > kMaxPayload) return false;
  for (size_t i = 0; i < digits.size(); i += 2) bytes.push_back(uint8_t(std::stoul(digits.substr(i, 2), nullptr, 16)));
  return true;
}

void printHex(const std::vector<uint8_t>& bytes) {
  for (size_t i = 0; i < bytes.size(); ++i) std::printf("%02x%s", bytes[i], (i % 16 == 15 || i + 1 == bytes.size()) ? "\n" : " ");
}

int runRaw(const cv7ctl::Arguments& args) {
  uint32_t code = 0, output = kDefaultOutput;
  std::vector<uint8_t> input;
  bool haveCode = false, haveInput = false;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--out") {
      if (i + 1 >= args.size() || !parseNumber(args[i + 1], output) || output > kMaxPayload) {
        std::fprintf(stderr, "cv7ctl raw: --out needs a byte count up to %u\n", kMaxPayload);
        return 2;
      }
      ++i;
    } else if (!haveCode) {
      if (!parseNumber(args[i], code)) {
        std::fprintf(stderr, "cv7ctl raw: bad request code '%s'\n", args[i].c_str());
        return 2;
      }
      haveCode = true;
    } else if (!haveInput) {
      if (!parseHex(args[i], input)) {
        std::fprintf(stderr, "cv7ctl raw: bad hex input '%s'\n", args[i].c_str());
        return 2;
      }
      haveInput = true;
    } else {
      std::fprintf(stderr, "cv7ctl raw: unexpected argument '%s'\n", args[i].c_str());
      return 2;
    }
  }
  if (!haveCode) {
    std::fprintf(stderr, "usage: cv7ctl raw CODE [HEX-INPUT] [--out N]\n");
    return 2;
  }
  RawClient client;
  std::string error;
  if (!client.connect(devicePath(), error)) {
    std::fprintf(stderr, "cv7ctl: cannot open the control device %s\n", error.c_str());
    return 1;
  }
  uint32_t status = 0;
  std::vector<uint8_t> reply;
  if (!client.request(code, input, output, status, reply)) {
    std::fprintf(stderr, "cv7ctl: the control device gave no valid answer\n");
    return 1;
  }
  std::printf("status 0x%08X\nreturned %zu\n", status, reply.size());
  printHex(reply);
  return 0;
}

int runInfo(const cv7ctl::Arguments& args) {
  if (!args.empty()) {
    std::fprintf(stderr, "usage: cv7ctl info\n");
    return 2;
  }
  RawClient client;
  std::string error;
  uint32_t status = 0;
  std::vector<uint8_t> reply;
  if (!client.connect(devicePath(), error) ||
      !client.request(cv7::ctl::IOCTL_CV7_GET_INTERFACE_VERSION, {}, 8, status, reply) || reply.size() < 8) {
    std::fprintf(stderr, "cv7ctl: cannot read the interface version from %s\n", devicePath().c_str());
    return 1;
  }
  uint32_t major, minor;
  std::memcpy(&major, reply.data(), 4);
  std::memcpy(&minor, reply.data() + 4, 4);
  std::printf("interface version: %u.%u\n", major, minor);
  if (!Cvn_OpenSystem(2, nullptr, 0, 0, 0)) {
    std::fprintf(stderr, "cv7ctl: the library cannot open the receiver\n");
    return 1;
  }
  uint8_t driver[2] = {}, firmware[2] = {};
  int result = 0;
  if (Cvn_GetDriverVersion(driver)) {
    std::printf("driver version: %1d.%02d\n", driver[0], driver[1]);
  } else {
    std::fprintf(stderr, "cv7ctl: no driver version\n");
    result = 1;
  }
  if (Cvn_GetFirmwareVersion(firmware)) {
    std::printf("firmware version: %1d.%02d\n", firmware[0], firmware[1]);
  } else {
    std::fprintf(stderr, "cv7ctl: no firmware version\n");
    result = 1;
  }
  if (!Cvn_CloseSystem()) {
    std::fprintf(stderr, "cv7ctl: closing the receiver failed\n");
    result = 1;
  }
  return result;
}

cv7ctl::CommandRegistration rawRegistration("raw", "raw CODE [HEX-INPUT] [--out N]   one control request, answer in hex",
                                            runRaw);
cv7ctl::CommandRegistration infoRegistration("info", "info   interface, driver and firmware versions", runInfo);

}  // namespace
