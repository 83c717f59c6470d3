#include "RegistryValueCodec.h"

#include <algorithm>
#include <cstdio>

namespace cv7::registry {
namespace {

bool holdsText(uint32_t type) { return type == kTypeString || type == kTypeExpandString || type == kTypeLink; }
bool holdsInteger(uint32_t type) { return type == kTypeDWord || type == kTypeDWordBigEndian; }

// Control characters and the quote are shown escaped, so a line stays one line.
std::string quoted(const std::string& text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    if (c == '\n') {
      out += "\\n";
    } else if (c == '"' || c == '\\') {
      out += '\\';
      out += char(c);
    } else if (c < 0x20 || c == 0x7F) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02x", c);
      out += hex;
    } else {
      out += char(c);
    }
  }
  return out + "\"";
}

}  // namespace

std::optional<std::string> RegistryValueCodec::decodeText(uint32_t type, std::span<const uint8_t> data) {
  if (!holdsText(type)) return std::nullopt;
  auto end = std::find(data.begin(), data.end(), uint8_t{0});
  return std::string(data.begin(), end);
}

std::optional<uint32_t> RegistryValueCodec::decodeInteger(uint32_t type, std::span<const uint8_t> data) {
  if (!holdsInteger(type) || data.size() != 4) return std::nullopt;
  return uint32_t(data[0]) | uint32_t(data[1]) << 8 | uint32_t(data[2]) << 16 | uint32_t(data[3]) << 24;
}

std::vector<uint8_t> RegistryValueCodec::encodeText(std::string_view text) {
  std::vector<uint8_t> bytes(text.begin(), text.end());
  bytes.push_back(0);
  return bytes;
}

std::vector<uint8_t> RegistryValueCodec::encodeInteger(uint32_t value) {
  return {uint8_t(value), uint8_t(value >> 8), uint8_t(value >> 16), uint8_t(value >> 24)};
}

const char* RegistryValueCodec::typeName(uint32_t type) {
  switch (type) {
    case kTypeString: return "text";
    case kTypeExpandString: return "expandable-text";
    case kTypeDWord: return "integer";
    case kTypeDWordBigEndian: return "big-endian-integer";
    case kTypeLink: return "link";
    default: return "unknown";
  }
}

std::string RegistryValueCodec::describe(const RegistryValue& value) {
  std::string out = typeName(value.type);
  if (auto text = decodeText(value.type, value.data)) return out + " " + quoted(*text);
  if (auto number = decodeInteger(value.type, value.data)) {
    out += " " + std::to_string(number.value());
    if (int32_t(number.value()) < 0) out += " (" + std::to_string(int32_t(number.value())) + ")";
    return out;
  }
  if (std::string(out) == "unknown") out = "type " + std::to_string(value.type);
  out += ", " + std::to_string(value.data.size()) + " bytes";
  if (!value.data.empty()) out += ":";
  for (size_t i = 0; i < value.data.size() && i < 64; ++i) {
    char hex[4];
    std::snprintf(hex, sizeof hex, " %02x", value.data[i]);
    out += hex;
  }
  if (value.data.size() > 64) out += " ...";
  return out;
}

}  // namespace cv7::registry
