// Turns stored bytes into texts and integers and back, with the type rules of the store:
// a text is read from the string, expandable string and link types; an integer from the
// double-word types only, and only when exactly four bytes are stored.
#pragma once
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "RegistryValue.h"

namespace cv7::registry {

class RegistryValueCodec {
 public:
  // The text up to its first zero byte (all bytes when there is none); nullopt for a type
  // that does not hold text.
  static std::optional<std::string> decodeText(uint32_t type, std::span<const uint8_t> data);
  // The four bytes as a little-endian 32-bit value; nullopt for another type or length.
  static std::optional<uint32_t> decodeInteger(uint32_t type, std::span<const uint8_t> data);

  static std::vector<uint8_t> encodeText(std::string_view text);
  static std::vector<uint8_t> encodeInteger(uint32_t value);

  // One line for a person: `text "HOTBIRD"`, `integer 4`, or the type and the bytes in hex.
  static std::string describe(const RegistryValue& value);
  static const char* typeName(uint32_t type);
};

}  // namespace cv7::registry
