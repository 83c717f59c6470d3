// The text format of the Linux DVB tools' channel files (DVBv5 channel files, as dvbv5-scan
// writes and dvbv5-zap reads) and of dtv-scan-tables' initial-tuning scan tables, which use
// the same syntax: entries "[NAME]" (or "[CHANNEL]" without a name), each followed by
// "KEY = VALUE" lines; '#' starts a comment line. Keys are compared without case; unknown
// keys are kept (the tools ignore keys they do not know).
#pragma once
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace cv7ctl {

struct DvbEntry {
  std::string name;  // empty for "[CHANNEL]"
  int line = 0;      // of the "[...]" line, for messages
  std::vector<std::pair<std::string, std::string>> keys;  // upper-case keys, in file order

  const std::string* find(const std::string& key) const;
  void set(const std::string& key, const std::string& value) { keys.emplace_back(key, value); }
};

class DvbChannelFile {
 public:
  // The entries of a file's text; nullopt with "line N: reason" in error when malformed.
  static std::optional<std::vector<DvbEntry>> parse(const std::string& text, std::string& error);
  // The text of entries, one "[NAME]" line and tab-indented "KEY = VALUE" lines each.
  static std::string format(const std::vector<DvbEntry>& entries);
};

}  // namespace cv7ctl
