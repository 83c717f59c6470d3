// cv7ctl pid add|remove|clear, ip, mac, filter: the receiver's network data configuration
// through the library.
#include <arpa/inet.h>

#include <cstdio>
#include <string>

#include "LibrarySession.h"

namespace cv7ctl {
namespace {

constexpr const char* kPidUsage = "pid add PID [--kind N] | pid remove PID | pid clear";

int runPid(const Arguments& args) {
  if (args.empty()) return usageError(kPidUsage);
  const std::string& verb = args[0];
  if (verb == "clear") {
    LibrarySession session;
    if (!session.ok()) return 1;
    int32_t result = Cvn_ReleaseAllNetworkPID();
    std::printf("release all network PIDs: %s\n", result ? "done" : "failed");
    return result ? 0 : 1;
  }
  if ((verb != "add" && verb != "remove") || args.size() < 2) return usageError(kPidUsage);
  auto pid = number(args[1], 0x1FFF);
  auto kind = number(option(args, "--kind").value_or("3"), 0xFFFF);
  if (!pid || !kind) return usageError(kPidUsage);
  NetPid request{uint16_t(*pid), uint16_t(*kind), 0, 0, 0};
  LibrarySession session;
  if (!session.ok()) return 1;
  int32_t result = verb == "add" ? Cvn_SetNetworkPID(request) : Cvn_ReleaseNetworkPID(request);
  std::printf("%s network PID %u (kind %u): %s\n", verb.c_str(), *pid, *kind, result ? "done" : "failed");
  return result ? 0 : 1;
}

int runIp(const Arguments& args) {
  in_addr parsed{};
  if (args.size() != 1 || inet_pton(AF_INET, args[0].c_str(), &parsed) != 1) return usageError("ip A.B.C.D");
  CvnIpAddress address;
  const auto* octets = reinterpret_cast<const uint8_t*>(&parsed.s_addr);  // network order: first octet first
  for (int i = 0; i < 4; ++i) address.Octet[i] = octets[i];
  LibrarySession session;
  if (!session.ok()) return 1;
  int32_t result = Cvn_SetIPAddress(address);
  std::printf("adapter IP address %s: %s\n", args[0].c_str(), result ? "set" : "failed");
  return result ? 0 : 1;
}

int runMac(const Arguments&) {
  LibrarySession session;
  if (!session.ok()) return 1;
  uint8_t mac[6] = {};
  if (!Cvn_GetMacAddress(mac)) {
    std::fprintf(stderr, "cv7ctl: the driver did not report the MAC address\n");
    return 1;
  }
  std::printf("%02X-%02X-%02X-%02X-%02X-%02X\n", mac[0], mac[1], mac[2], mac[3], mac[4], mac[5]);
  return 0;
}

int runFilter(const Arguments& args) {
  auto mode = args.size() == 1 ? number(args[0], 0xFF) : std::nullopt;
  if (!mode) return usageError("filter MODE   (0 = every datagram, 1 = IP address and groups, 2 = MAC address)");
  LibrarySession session;
  if (!session.ok()) return 1;
  uint8_t value = uint8_t(*mode);
  int32_t result = Cvn_SetIPorMACfiltering(&value);
  std::printf("filter mode %u: %s\n", value, result ? "set" : "failed");
  return result ? 0 : 1;
}

CommandRegistration pid("pid", kPidUsage, runPid);
CommandRegistration ip("ip", "ip A.B.C.D", runIp);
CommandRegistration mac("mac", "mac", runMac);
CommandRegistration filter("filter", "filter MODE", runFilter);

}  // namespace
}  // namespace cv7ctl
