// The byte-wide mailbox to the card's processor, in the card's second register window.
// Every wait polls the handshake state up to 4000 times, then up to 501 more times with a
// 150 µs stall after each miss (about 75 ms), and then fails.
//
// MailboxControl also carries the card's interrupt (bit 7), which the host clears by writing
// it 0 and cannot set. The command channel's read-modify-writes therefore write bit 7 as 1,
// so that an interrupt the card raises between their read and their write stays pending for
// the interrupt routine. Only reset-channel writes it 0 (its value is fixed at 0x0F); it
// counts an interrupt it finds pending just before (cardEventsAcknowledged()), and the
// command channel passes the card events on (CommandChannel.cpp). With a lock, each
// read-modify-write is held off while the interrupt routine acknowledges, and the other way
// round, so neither writes back a handshake state that the other has just changed.
#pragma once
#include <cstdint>

#include "CardRegisters.h"
#include "SpinLock.h"
#include "platform.h"

namespace cv7::core {

class Mailbox {
 public:
  static constexpr uint32_t kFastPolls = 4000;
  static constexpr uint32_t kStallPolls = 501;
  static constexpr uint32_t kStallMicroseconds = 150;

  // `controlLock` is shared with the interrupt routine (none for the firmware download,
  // which runs before the interrupt is connected).
  Mailbox(Platform& platform, RegisterWindow& window, SpinLock* controlLock = nullptr)
      : platform_(platform), window_(window), controlLock_(controlLock) {}

  uint32_t control() { return window_.read32(regs::kMailboxWindow + regs::kMailboxControl); }
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

  // Writes 0x0F: the handshake back to idle, any frame in progress abandoned.
  void resetChannel();
  void readMode() { modifyControl(regs::kHandshakeMask, regs::kHandshakeReadMode); }
  void markCommand() { modifyControl(0, regs::kMailboxCommandMark); }
  // Sets bits 0..3 of MailboxControl, other bits as read (bit 7 left as it is).
  void setIdleBits() { modifyControl(0, regs::kHandshakeMask); }
  // Card interrupts that reset-channel found pending and acknowledged.
  uint32_t cardEventsAcknowledged() const { return acknowledged_; }

  // Loader variants used by the firmware download: no wait before the write.
  void loaderPutByte(uint8_t byte);
  bool loaderPut32(uint32_t value);

 private:
  void setControl(uint32_t value) { window_.write32(regs::kMailboxWindow + regs::kMailboxControl, value); }
  // MailboxControl := (read AND NOT clear) OR set, with bit 7 written 1 (left as it is).
  void modifyControl(uint32_t clear, uint32_t set);

  Platform& platform_;
  RegisterWindow& window_;
  SpinLock* controlLock_;
  uint32_t acknowledged_ = 0;
};

}  // namespace cv7::core
