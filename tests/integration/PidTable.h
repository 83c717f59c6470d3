// The driver's PID filter table as the daemon's admin `stats` answer reports it
// ("pid-table=0x0500:3,0x0101:10", "-" when no entry is used).
#pragma once
#include <cstdint>
#include <cstdio>
#include <sstream>
#include <string>

#include "DaemonHarness.h"

namespace cv7::itest {

inline std::string pidTable(const Daemon& daemon) {
  std::istringstream words(daemon.admin("stats"));
  std::string pair;
  while (words >> pair)
    if (pair.rfind("pid-table=", 0) == 0) return pair.substr(10);
  return "(no pid-table)";
}

// Whether the table holds the PID, and with that kind when `kind` is given.
inline bool pidInTable(const Daemon& daemon, uint16_t pid, int kind = -1) {
  char entry[16];
  std::snprintf(entry, sizeof entry, "0x%04X:", pid);
  const std::string table = "," + pidTable(daemon) + ",";
  const size_t at = table.find(std::string(",") + entry);
  if (at == std::string::npos) return false;
  return kind < 0 || table.compare(at + 1 + std::string(entry).size(), std::to_string(kind).size() + 1,
                                   std::to_string(kind) + ",") == 0;
}

}  // namespace cv7::itest
