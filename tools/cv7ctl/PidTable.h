// The driver's PID table as the daemon reports it (the "pid-table" word of its admin
// stats): up to 16 entries of PID and record kind, shared by network PIDs and the data path.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace cv7ctl {

struct PidTable {
  static constexpr size_t kEntries = 16;
  struct Entry {
    uint16_t pid;
    uint16_t kind;
  };
  std::vector<Entry> entries;

  // Asks the daemon; throws a Failure when it does not answer.
  static PidTable read();
  // Parses "0x0500:3,0x0101:10" or "-"; nullopt for anything else.
  static std::optional<PidTable> parse(const std::string& word);
  const Entry* find(uint16_t pid) const;
  bool full() const { return entries.size() >= kEntries; }
};

}  // namespace cv7ctl
