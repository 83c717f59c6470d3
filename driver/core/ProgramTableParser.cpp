#include "ProgramTableParser.h"

#include "ControlCodes.h"
#include "LittleEndian.h"

namespace cv7::core {

using namespace ctl;

namespace {
constexpr uint8_t kServiceBlock = 1;
constexpr uint8_t kNoServiceBlock = 0;
constexpr uint16_t kNoVideo = 0xFFFF;
constexpr uint8_t kStreamMpe = 3;
constexpr uint8_t kStreamPesData = 5;
}  // namespace

void ProgramTableParser::put16(uint32_t offset, uint16_t value) { le::store16(table_ + offset, value); }

bool ProgramTableParser::parse() {
  uint8_t programs = reader_.u8();
  if (reader_.failed() || programs > kProgramEntries) return false;
  table_[kTableProgramCount] = programs;
  for (uint32_t i = 0; i < programs; ++i) {
    if (!parseProgram(i)) return false;
  }
  le::store32(table_ + kTableTrailer1, reader_.u32());
  le::store32(table_ + kTableTrailer2, reader_.u32());
  return reader_.complete();
}

bool ProgramTableParser::parseProgram(uint32_t index) {
  const uint32_t entry = index * kProgramEntrySize;
  uint32_t components = 0;
  put16(kTableFirstValue, reader_.u16());
  put16(entry + kEntrySecondValue, reader_.u16());
  put16(entry + kEntryThirdValue, reader_.u16());
  uint8_t flag = reader_.u8();
  // Without a service block the name length and offsets 404 and 410 stay zero.
  if (flag == kServiceBlock) {
    if (!parseServiceBlock(entry, components)) return false;
  } else if (flag != kNoServiceBlock) {
    return false;
  }
  if (!parseStreams(entry, components)) return false;
  table_[entry + kEntryComponentCount] = uint8_t(components);
  return !reader_.failed();
}

bool ProgramTableParser::parseServiceBlock(uint32_t entry, uint32_t& components) {
  uint8_t nameLength = reader_.u8();
  if (reader_.failed() || nameLength > kMaxNameLength) return false;
  table_[entry + kEntryNameLength] = nameLength;
  for (uint32_t k = 0; k < nameLength; ++k) table_[entry + kEntryName + k] = reader_.u8();
  table_[entry + kEntryName + nameLength] = 0;
  uint16_t video = reader_.u16();
  if (video != kNoVideo && !addComponent(entry, components, kComponentVideo, video)) return false;
  uint8_t audioCount = reader_.u8();
  for (uint32_t k = 0; k < audioCount && !reader_.failed(); ++k) {
    if (!addComponent(entry, components, kComponentAudio, reader_.u16())) return false;
  }
  put16(entry + kEntryAfterAudio, reader_.u16());
  put16(entry + kEntryScrambled, reader_.u8());
  return reader_.u8() == 0 && !reader_.failed();
}

bool ProgramTableParser::parseStreams(uint32_t entry, uint32_t& components) {
  uint8_t streams = reader_.u8();
  for (uint32_t k = 0; k < streams && !reader_.failed(); ++k) {
    uint16_t pid = reader_.u16();
    uint8_t kind = reader_.u8();
    bool fits = true;
    if (kind == kStreamMpe) fits = addComponent(entry, components, kComponentMpe, pid);
    if (kind == kStreamPesData) fits = addComponent(entry, components, kComponentPesData, pid);
    if (!fits) return false;
  }
  return !reader_.failed();
}

bool ProgramTableParser::addComponent(uint32_t entry, uint32_t& components, uint16_t kind, uint16_t pid) {
  if (reader_.failed() || components >= kMaxComponents) return false;
  put16(entry + kEntryComponents + 4 * components, kind);
  put16(entry + kEntryComponents + 4 * components + 2, pid);
  ++components;
  return true;
}

}  // namespace cv7::core
