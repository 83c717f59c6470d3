#include "PidTable.h"

#include <sstream>

#include "AdminClient.h"
#include "Failure.h"
#include "Vocabulary.h"

namespace cv7ctl {

PidTable PidTable::read() {
  auto table = parse(AdminClient::stat("pid-table"));
  if (!table) throw Failure::cardError("the daemon did not report its PID table");
  return *table;
}

std::optional<PidTable> PidTable::parse(const std::string& word) {
  PidTable table;
  if (word == "-") return table;
  std::istringstream in(word);
  std::string item;
  while (std::getline(in, item, ',')) {
    size_t colon = item.find(':');
    auto pid = colon == std::string::npos ? std::nullopt : parseNumber(item.substr(0, colon), 0x1FFF);
    auto kind = colon == std::string::npos ? std::nullopt : parseNumber(item.substr(colon + 1), 0xFF);
    if (!pid || !kind) return std::nullopt;
    table.entries.push_back({uint16_t(*pid), uint16_t(*kind)});
  }
  if (table.entries.empty()) return std::nullopt;
  return table;
}

const PidTable::Entry* PidTable::find(uint16_t pid) const {
  for (const Entry& e : entries)
    if (e.pid == pid) return &e;
  return nullptr;
}

}  // namespace cv7ctl
