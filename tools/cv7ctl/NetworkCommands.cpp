// cv7ctl pid add|remove|clear|list, ip, mac, filter: the receiver's network data
// configuration through the library. A PID add is checked against the driver's PID table,
// whose add answers the same for "already present" and "table full".
#include <arpa/inet.h>

#include <cstdio>
#include <nlohmann/json.hpp>
#include <string>

#include "Command.h"
#include "Failure.h"
#include "LibrarySession.h"
#include "PidTable.h"
#include "Vocabulary.h"

namespace cv7ctl {
namespace {

struct PidOptions {
  uint32_t pid = 0;
  uint32_t kind = 3;
  bool json = false;
};

std::string pidText(uint32_t pid, uint32_t kind) {
  char text[48];
  std::snprintf(text, sizeof text, "PID 0x%04X (%s/%u)", pid, nameOf(recordKinds(), kind).c_str(), kind);
  return text;
}

int runPidAdd(const PidOptions& o) {
  LibrarySession session;
  PidTable before = PidTable::read();
  if (const PidTable::Entry* held = before.find(uint16_t(o.pid))) {
    if (held->kind != o.kind)
      throw Failure::cardError(pidText(o.pid, o.kind) + ": the PID is already in the driver's table as " +
                               nameOf(recordKinds(), held->kind) + "/" + std::to_string(held->kind));
    std::printf("add network %s: already received\n", pidText(o.pid, o.kind).c_str());
    return kExitOk;
  }
  const std::string full = "the driver's PID table is full (" + std::to_string(PidTable::kEntries) +
                           " entries; 'cv7ctl pid list' shows them, 'cv7ctl pid remove' frees one)";
  if (before.full()) throw Failure::cardError(pidText(o.pid, o.kind) + ": " + full);
  NetPid request{uint16_t(o.pid), uint16_t(o.kind), 0, 0, 0};
  if (!Cvn_SetNetworkPID(request)) throw Failure::diagnose(pidText(o.pid, o.kind) + ": the card refused it");
  if (!PidTable::read().find(uint16_t(o.pid))) throw Failure::cardError(pidText(o.pid, o.kind) + ": " + full);
  std::printf("add network %s: done\n", pidText(o.pid, o.kind).c_str());
  return kExitOk;
}

int runPidRemove(const PidOptions& o) {
  LibrarySession session;
  if (!PidTable::read().find(uint16_t(o.pid)))
    throw Failure::badArgument(pidText(o.pid, o.kind) + " is not in the driver's PID table");
  NetPid request{uint16_t(o.pid), uint16_t(o.kind), 0, 0, 0};
  if (!Cvn_ReleaseNetworkPID(request)) throw Failure::diagnose(pidText(o.pid, o.kind) + ": the card refused the release");
  std::printf("remove network %s: done\n", pidText(o.pid, o.kind).c_str());
  return kExitOk;
}

int runPidClear() {
  LibrarySession session;
  if (!Cvn_ReleaseAllNetworkPID()) throw Failure::diagnose("the card refused to release all network PIDs");
  std::printf("release all network PIDs: done\n");
  return kExitOk;
}

int runPidList(bool json) {
  PidTable table = PidTable::read();
  if (json) {
    nlohmann::json out = {{"entries", PidTable::kEntries}, {"pids", nlohmann::json::array()}};
    for (const auto& e : table.entries)
      out["pids"].push_back({{"pid", e.pid}, {"kind", nameOf(recordKinds(), e.kind)}, {"kindNumber", e.kind}});
    std::printf("%s\n", jsonText(out).c_str());
    return kExitOk;
  }
  std::printf("%zu of %zu entries used\n", table.entries.size(), PidTable::kEntries);
  for (const auto& e : table.entries) std::printf("  %s\n", pidText(e.pid, e.kind).c_str());
  return kExitOk;
}

void addPidArgument(CLI::App& command, PidOptions& o) {
  command.add_option("PID", o.pid, "The data PID")->required()->transform(accept::pid())->type_name("PID");
}

void addKindOption(CLI::App& command, PidOptions& o) {
  command.add_option("--kind", o.kind, "Record kind")->transform(accept::kind())->type_name("KIND")->default_str("mpe");
}

CommandRegistration pid{
    "pid", "Receive data PIDs: add, remove, clear, list (the driver's PID table)", kGroupNetwork,
    [](CLI::App& command) {
      command.require_subcommand(1);
      auto o = std::make_shared<PidOptions>();
      CLI::App* add = command.add_subcommand("add", "Receive a PID (mpe and stream go to the network interface)");
      addPidArgument(*add, *o);
      addKindOption(*add, *o);
      setRun(*add, [o] { return runPidAdd(*o); });
      CLI::App* remove = command.add_subcommand("remove", "Stop receiving a PID");
      addPidArgument(*remove, *o);
      addKindOption(*remove, *o);
      setRun(*remove, [o] { return runPidRemove(*o); });
      setRun(*command.add_subcommand("clear", "Release every network PID"), [] { return runPidClear(); });
      CLI::App* list = command.add_subcommand("list", "Print the driver's PID table");
      list->add_flag("--json", o->json, "Print the result as one JSON object (for scripts)");
      setRun(*list, [o] { return runPidList(o->json); });
    }};

CommandRegistration ip{"ip", "Set the adapter's IP address (for the IP filter mode)", kGroupNetwork,
                       [](CLI::App& command) {
                         auto address = std::make_shared<std::string>();
                         command.add_option("ADDRESS", *address, "IPv4 address A.B.C.D")
                             ->required()
                             ->check(CLI::ValidIPV4);
                         setRun(command, [address] {
                           in_addr parsed{};
                           inet_pton(AF_INET, address->c_str(), &parsed);
                           CvnIpAddress value;
                           const auto* octets = reinterpret_cast<const uint8_t*>(&parsed.s_addr);
                           for (int i = 0; i < 4; ++i) value.Octet[i] = octets[i];
                           LibrarySession session;
                           if (!Cvn_SetIPAddress(value)) throw Failure::diagnose("the card refused the IP address");
                           std::printf("adapter IP address %s: set\n", address->c_str());
                           return int(kExitOk);
                         });
                       }};

CommandRegistration mac{"mac", "Print the card's station (MAC) address", kGroupNetwork, [](CLI::App& command) {
                          setRun(command, [] {
                            LibrarySession session;
                            uint8_t m[6] = {};
                            if (!Cvn_GetMacAddress(m)) throw Failure::diagnose("the driver did not report the MAC address");
                            std::printf("%02X-%02X-%02X-%02X-%02X-%02X\n", m[0], m[1], m[2], m[3], m[4], m[5]);
                            return int(kExitOk);
                          });
                        }};

CommandRegistration filter{
    "filter", "Set the card's datagram filter mode", kGroupNetwork, [](CLI::App& command) {
      auto mode = std::make_shared<uint32_t>(0);
      command.add_option("MODE", *mode, "Filter mode: all|0 every datagram, ip|1 the IP address and groups, mac|2 the MAC address")
          ->required()
          ->transform(CLI::CheckedTransformer(std::map<std::string, uint32_t>{{"all", 0}, {"ip", 1}, {"mac", 2}},
                                              CLI::ignore_case));
      setRun(command, [mode] {
        LibrarySession session;
        uint8_t value = uint8_t(*mode);
        if (!Cvn_SetIPorMACfiltering(&value)) throw Failure::diagnose("the card refused the filter mode");
        std::printf("filter mode %u: set\n", value);
        return int(kExitOk);
      });
    }};

}  // namespace
}  // namespace cv7ctl
