#include "FrameReader.h"

namespace cv7::core {

uint8_t FrameReader::u8() {
  uint8_t byte = 0;
  if (failed_ || remaining_ == 0 || !mailbox_.getByte(byte)) {
    failed_ = true;
    return 0;
  }
  --remaining_;
  return byte;
}

uint16_t FrameReader::u16() {
  uint16_t high = u8();
  return uint16_t((high << 8) | u8());
}

uint32_t FrameReader::u32() {
  uint32_t high = u16();
  return (high << 16) | u16();
}

}  // namespace cv7::core
