#include "Mailbox.h"

namespace cv7::core {

namespace {
// The host writes a byte sign-extended to 32 bits.
uint32_t signExtend(uint8_t byte) { return uint32_t(int32_t(int8_t(byte))); }

// Holds the lock shared with the interrupt routine, when there is one.
class ControlGuard {
 public:
  explicit ControlGuard(SpinLock* lock) : lock_(lock) {
    if (lock_) lock_->lock();
  }
  ~ControlGuard() {
    if (lock_) lock_->unlock();
  }
  ControlGuard(const ControlGuard&) = delete;
  ControlGuard& operator=(const ControlGuard&) = delete;

 private:
  SpinLock* lock_;
};
}  // namespace

void Mailbox::modifyControl(uint32_t clear, uint32_t set) {
  ControlGuard guard(controlLock_);
  setControl((control() & ~clear) | set | regs::kMailboxInterrupt);
}

void Mailbox::resetChannel() {
  ControlGuard guard(controlLock_);
  if (control() & regs::kMailboxInterrupt) ++acknowledged_;
  setControl(regs::kHandshakeIdle);
}

bool Mailbox::waitState(uint32_t state) {
  for (uint32_t i = 0; i < kFastPolls; ++i) {
    if ((control() & regs::kHandshakeMask) == state) return true;
  }
  for (uint32_t i = 0; i < kStallPolls; ++i) {
    if ((control() & regs::kHandshakeMask) == state) return true;
    platform_.stallMicroseconds(kStallMicroseconds);
  }
  return false;
}

bool Mailbox::waitEndOfReply() {
  if (!waitState(regs::kHandshakeReadMode)) return false;
  setIdleBits();
  return true;
}

bool Mailbox::putByte(uint8_t byte) {
  if (!waitWritable()) return false;
  setDataRegister(signExtend(byte));
  modifyControl(~0xF0u, 0);  // bits 4..7 as read: state 0x0, a byte waits
  return true;
}

bool Mailbox::put16(uint16_t value) { return putByte(uint8_t(value >> 8)) && putByte(uint8_t(value)); }

bool Mailbox::put32(uint32_t value) {
  return putByte(uint8_t(value >> 24)) && putByte(uint8_t(value >> 16)) && putByte(uint8_t(value >> 8)) &&
         putByte(uint8_t(value));
}

bool Mailbox::getByte(uint8_t& byte) {
  if (!waitReadable()) return false;
  byte = uint8_t(dataRegister());
  setIdleBits();
  return true;
}

bool Mailbox::get16(uint16_t& value) {
  uint8_t high = 0, low = 0;
  if (!getByte(high) || !getByte(low)) return false;
  value = uint16_t((high << 8) | low);
  return true;
}

bool Mailbox::get32(uint32_t& value) {
  uint16_t high = 0, low = 0;
  if (!get16(high) || !get16(low)) return false;
  value = (uint32_t(high) << 16) | low;
  return true;
}

void Mailbox::loaderPutByte(uint8_t byte) {
  setDataRegister(signExtend(byte));
  setControl(control() & ~regs::kHandshakeMask);
}

bool Mailbox::loaderPut32(uint32_t value) {
  // Each byte is posted with MailboxControl AND 0xF0, then the card must take it.
  for (int shift = 24; shift >= 0; shift -= 8) {
    setDataRegister(signExtend(uint8_t(value >> shift)));
    setControl(control() & 0xF0);
    if (shift > 0 && !waitWritable()) return false;
  }
  return true;
}

}  // namespace cv7::core
