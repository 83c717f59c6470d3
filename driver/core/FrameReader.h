// A bounded reader over the payload of one data frame: it counts down the length the card
// announced and fails softly, on a timed-out byte or on a read past that length. After a
// failure every read answers 0 without touching the mailbox.
#pragma once
#include <cstdint>

#include "Mailbox.h"

namespace cv7::core {

class FrameReader {
 public:
  FrameReader(Mailbox& mailbox, uint32_t length) : mailbox_(mailbox), remaining_(length) {}

  uint8_t u8();
  uint16_t u16();  // most significant byte first
  uint32_t u32();

  bool failed() const { return failed_; }
  // Every announced byte was read, and nothing went wrong.
  bool complete() const { return !failed_ && remaining_ == 0; }

 private:
  Mailbox& mailbox_;
  uint32_t remaining_;
  bool failed_ = false;
};

}  // namespace cv7::core
