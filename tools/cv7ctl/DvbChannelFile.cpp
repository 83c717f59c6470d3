#include "DvbChannelFile.h"

#include <cctype>
#include <sstream>
#include <strings.h>

namespace cv7ctl {
namespace {

std::string trim(const std::string& text) {
  size_t first = text.find_first_not_of(" \t\r");
  if (first == std::string::npos) return "";
  size_t last = text.find_last_not_of(" \t\r");
  return text.substr(first, last - first + 1);
}

std::string upper(std::string text) {
  for (char& c : text) c = char(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

}  // namespace

const std::string* DvbEntry::find(const std::string& key) const {
  for (const auto& [name, value] : keys)
    if (name == key) return &value;
  return nullptr;
}

std::optional<std::vector<DvbEntry>> DvbChannelFile::parse(const std::string& text, std::string& error) {
  std::vector<DvbEntry> entries;
  std::istringstream in(text);
  std::string raw;
  int line = 0;
  while (std::getline(in, raw)) {
    ++line;
    std::string content = trim(raw);
    if (content.empty() || content[0] == '#') continue;
    if (content[0] == '[') {
      size_t close = content.find(']');
      if (close == std::string::npos) {
        error = "line " + std::to_string(line) + ": an entry name without its closing ']'";
        return std::nullopt;
      }
      std::string name = trim(content.substr(1, close - 1));
      if (::strcasecmp(name.c_str(), "CHANNEL") == 0) name.clear();
      entries.push_back({name, line, {}});
      continue;
    }
    size_t equals = content.find('=');
    if (entries.empty() || equals == std::string::npos || trim(content.substr(0, equals)).empty()) {
      error = "line " + std::to_string(line) + ": expected \"[NAME]\" or \"KEY = VALUE\"" +
              (entries.empty() && equals != std::string::npos ? " inside an entry" : "");
      return std::nullopt;
    }
    entries.back().set(upper(trim(content.substr(0, equals))), trim(content.substr(equals + 1)));
  }
  return entries;
}

std::string DvbChannelFile::format(const std::vector<DvbEntry>& entries) {
  std::string text;
  for (const DvbEntry& e : entries) {
    if (!text.empty()) text += "\n";
    text += "[" + (e.name.empty() ? std::string("CHANNEL") : e.name) + "]\n";
    for (const auto& [key, value] : e.keys) text += "\t" + key + " = " + value + "\n";
  }
  return text;
}

}  // namespace cv7ctl
