// How each command code travels: which command-block fields go on the wire, in which order
// and width, and which data frame the card answers a query with. Wire fields of 16 and 32
// bits go most significant byte first; block fields are little-endian.
#pragma once
#include <array>
#include <cstdint>

namespace cv7::core {

struct CommandField {
  uint8_t offset;  // in the command block
  uint8_t width;   // 1, 2 or 4 bytes
};

struct CommandSpec {
  enum class Reply : uint8_t { None, Plain, TunerInfo };
  uint8_t code = 0;
  std::array<CommandField, 8> parameters{};
  uint8_t parameterCount = 0;
  Reply reply = Reply::None;
  uint8_t replyCode = 0;
  std::array<CommandField, 4> replyFields{};  // for TunerInfo: the four raw bytes
  uint8_t replyFieldCount = 0;
  bool hostAckDecides = false;  // the command's result is the host acknowledgement's outcome

  uint16_t parameterLength() const;
  uint16_t replyLength() const;
};

class CommandTable {
 public:
  // The command a block may carry, or nullptr for codes a block cannot send (8, 13, 16 and
  // everything outside 2..26).
  static const CommandSpec* find(uint8_t code);
};

}  // namespace cv7::core
