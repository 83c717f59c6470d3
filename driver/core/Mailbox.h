// The byte-wide mailbox to the card's processor, in the card's second register window.
// Every wait polls the handshake state up to 4000 times, then up to 501 more times with a
// 150 µs stall after each miss (about 75 ms), and then fails.
#pragma once
#include <cstdint>

#include "CardRegisters.h"
#include "platform.h"

namespace cv7::core {

class Mailbox {
 public:
  static constexpr uint32_t kFastPolls = 4000;
  static constexpr uint32_t kStallPolls = 501;
  static constexpr uint32_t kStallMicroseconds = 150;

  Mailbox(Platform& platform, RegisterWindow& window) : platform_(platform), window_(window) {}

  uint32_t control() { return window_.read32(regs::kMailboxWindow + regs::kMailboxControl); }
  void setControl(uint32_t value) { window_.write32(regs::kMailboxWindow + regs::kMailboxControl, value); }
  uint32_t dataRegister() { return window_.read32(regs::kMailboxWindow + regs::kMailboxData); }
  void setDataRegister(uint32_t value) { window_.write32(regs::kMailboxWindow + regs::kMailboxData, value); }

  // Waits until the handshake state (bits 0..3 of MailboxControl) equals `state`.
  bool waitState(uint32_t state);
  bool waitWritable() { return waitState(regs::kHandshakeIdle); }
  bool waitReadable() { return waitState(regs::kHandshakeWaiting); }
  // Waits for state 0x3, then sets bits 0..3 (other bits as read).
  bool waitEndOfReply();

  bool putByte(uint8_t byte);
  bool put16(uint16_t value);
  bool put32(uint32_t value);
  bool getByte(uint8_t& byte);
  bool get16(uint16_t& value);
  bool get32(uint32_t& value);

  void resetChannel() { setControl(regs::kHandshakeIdle); }
  void readMode() { setControl((control() & ~regs::kHandshakeMask) | regs::kHandshakeReadMode); }
  void markCommand() { setControl(control() | regs::kMailboxCommandMark); }
  // Sets bits 0..3 of MailboxControl, other bits as read.
  void setIdleBits() { setControl(control() | regs::kHandshakeMask); }

  // Loader variants used by the firmware download: no wait before the write.
  void loaderPutByte(uint8_t byte);
  bool loaderPut32(uint32_t value);

 private:
  Platform& platform_;
  RegisterWindow& window_;
};

}  // namespace cv7::core
