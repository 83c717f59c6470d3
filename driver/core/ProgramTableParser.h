// Parses the card's program-table payload (data frame 0x67) into the 43972-byte table the
// control request returns. The parser writes only at offsets it has bounded: at most 99
// programs, at most 99 components per program (ending before the entry's offset 402) and a
// name of at most 30 bytes plus its zero byte (ending on the entry's last byte). A payload
// that announces more is rejected.
#pragma once
#include <cstdint>

#include "FrameReader.h"

namespace cv7::core {

class ProgramTableParser {
 public:
  // `table` holds ctl::kProgramTableSize bytes and has been zeroed.
  ProgramTableParser(FrameReader& reader, uint8_t* table) : reader_(reader), table_(table) {}

  // True when the payload was well formed and exactly as long as announced.
  bool parse();

 private:
  bool parseProgram(uint32_t index);
  bool parseServiceBlock(uint32_t entry, uint32_t& components);
  bool parseStreams(uint32_t entry, uint32_t& components);
  bool addComponent(uint32_t entry, uint32_t& components, uint16_t kind, uint16_t pid);
  void put16(uint32_t offset, uint16_t value);

  FrameReader& reader_;
  uint8_t* table_;
};

}  // namespace cv7::core
