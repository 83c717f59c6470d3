// A register-level stand-in for the card's mailbox that answers with a fixed byte script:
// it takes every byte the host posts at once and, when the host asks for a reply, posts the
// script byte by byte and ends with end of reply. For replies the card model never sends.
#pragma once
#include <cstdint>
#include <vector>

#include "CardRegisters.h"
#include "platform.h"

namespace cv7::test {

class ScriptedMailbox : public core::RegisterWindow {
 public:
  explicit ScriptedMailbox(std::vector<uint8_t> script) : script_(std::move(script)) {}

  uint32_t read32(uint32_t offset) override {
    if (offset == regs::kMailboxWindow + regs::kMailboxData) return data_;
    if (offset == regs::kMailboxWindow + regs::kMailboxControl) return state_;
    return 0;
  }
  void write32(uint32_t offset, uint32_t value) override {
    if (offset == regs::kMailboxWindow + regs::kMailboxData) data_ = value;
    if (offset != regs::kMailboxWindow + regs::kMailboxControl) return;
    uint32_t state = value & regs::kHandshakeMask;
    if (state == regs::kHandshakeWaiting && state_ == regs::kHandshakeIdle) {
      posted.push_back(uint8_t(data_));  // taken at once: the state stays idle
    } else if (state == regs::kHandshakeReadMode && state_ == regs::kHandshakeIdle) {
      postNext();
    } else if (state == regs::kHandshakeIdle && state_ == regs::kHandshakeWaiting) {
      postNext();
    } else if (state == regs::kHandshakeIdle) {
      state_ = regs::kHandshakeIdle;
    }
  }

  std::vector<uint8_t> posted;  // every byte the host posted, in order

 private:
  void postNext() {
    if (next_ < script_.size()) {
      data_ = script_[next_++];
      state_ = regs::kHandshakeWaiting;
    } else {
      state_ = regs::kHandshakeReadMode;  // end of reply
    }
  }

  std::vector<uint8_t> script_;
  size_t next_ = 0;
  uint32_t data_ = 0;
  uint32_t state_ = regs::kHandshakeIdle;
};

}  // namespace cv7::test
