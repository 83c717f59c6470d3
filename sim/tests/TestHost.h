// The host side of the card's mailbox for the card model's own tests: the handshake
// primitives a driver uses, on a virtual clock (each miss after the fast polls advances it
// 150 µs, about 75 ms in all), plus a command helper that sends a frame and reads the answer.
#pragma once
#include <atomic>
#include <cstdint>
#include <optional>
#include <vector>

#include "CardRegisters.h"
#include "Clock.h"
#include "HostInterfaces.h"
#include "SimulatedCard.h"

namespace cv7::sim::test {

class NullMemory : public HostMemory {
 public:
  bool write(uint64_t, const void*, size_t) override { return false; }
  bool read(uint64_t, void*, size_t) override { return false; }
};

class RecordingLine : public InterruptLine {
 public:
  void setLevel(bool asserted) override {
    level = asserted;
    ++changes;
  }
  bool level = false;
  int changes = 0;
};

// The same, safe to drive from several threads.
class RecordingLineLocked : public InterruptLine {
 public:
  void setLevel(bool asserted) override { level = asserted; }
  std::atomic<bool> level{false};
};

class TestHost {
 public:
  static constexpr uint32_t kControl = regs::kMailboxWindow + regs::kMailboxControl;
  static constexpr uint32_t kData = regs::kMailboxWindow + regs::kMailboxData;

  TestHost(SimulatedCard& card, VirtualClock& clock) : card_(card), clock_(clock) {}

  uint32_t control() { return card_.mmioRead(kControl); }
  void setControl(uint32_t value) { card_.mmioWrite(kControl, value); }
  uint8_t state() { return uint8_t(control() & 0xF); }

  bool waitState(uint8_t state) {
    for (int i = 0; i < 4000; ++i)
      if (this->state() == state) return true;
    for (int i = 0; i < 501; ++i) {
      if (this->state() == state) return true;
      clock_.advance(150);
    }
    return false;
  }
  void resetChannel() { setControl(0x0F); }
  void readMode() { setControl((control() & ~0xFu) | 0x3); }
  void markCommand() { setControl(control() | 0x40); }
  void post(uint8_t byte) {
    card_.mmioWrite(kData, uint32_t(int32_t(int8_t(byte))));
    setControl(control() & 0xF0);
  }
  bool putByte(uint8_t byte) {
    if (!waitState(0xF)) return false;
    post(byte);
    return true;
  }
  bool put16(uint16_t v) { return putByte(uint8_t(v >> 8)) && putByte(uint8_t(v)); }
  bool getByte(uint8_t& byte) {
    if (!waitState(0x0)) return false;
    byte = uint8_t(card_.mmioRead(kData));
    setControl(control() | 0xF);
    return true;
  }
  bool get16(uint16_t& v) {
    uint8_t h = 0, l = 0;
    if (!getByte(h) || !getByte(l)) return false;
    v = uint16_t(h << 8 | l);
    return true;
  }

  // Command frame: reset-channel, code, mark, P, parameters, wait until taken.
  bool sendFrame(uint8_t code, const std::vector<uint8_t>& parameters) {
    resetChannel();
    if (!putByte(code)) return false;
    markCommand();
    if (!put16(uint16_t(parameters.size()))) return false;
    for (uint8_t b : parameters)
      if (!putByte(b)) return false;
    return waitState(0xF);
  }
  // Acknowledgement: the five bytes as read; nothing on a time-out.
  std::optional<std::vector<uint8_t>> readBytes(size_t count) {
    std::vector<uint8_t> bytes(count);
    for (auto& b : bytes)
      if (!getByte(b)) return std::nullopt;
    return bytes;
  }
  std::optional<std::vector<uint8_t>> readAck() {
    readMode();
    return readBytes(5);
  }
  struct DataFrame {
    uint8_t code = 0;
    uint16_t length = 0;
    std::vector<uint8_t> payload;  // the bytes the card posted before it showed end of reply
  };
  // Reads a data frame up to the end of reply (state 0x3).
  std::optional<DataFrame> readDataFrame() {
    DataFrame frame;
    if (!getByte(frame.code) || !get16(frame.length)) return std::nullopt;
    for (;;) {
      if (waitStateOf(0x0, 0x3) == 0x3) return frame;
      uint8_t b = 0;
      if (!getByte(b)) return std::nullopt;
      frame.payload.push_back(b);
    }
  }
  bool sendHostAck(uint8_t replyCode) {
    if (!waitState(0x3)) return false;
    setControl(control() | 0xF);
    return putByte(0x01) && put16(2) && putByte(replyCode) && putByte(0x01) && waitState(0xF);
  }

  // A whole command: frame, acknowledgement, and for a query the data frame and host ack.
  struct Answer {
    std::vector<uint8_t> ack;
    std::optional<DataFrame> data;
  };
  std::optional<Answer> command(uint8_t code, const std::vector<uint8_t>& parameters, uint8_t replyCode = 0) {
    if (!sendFrame(code, parameters)) return std::nullopt;
    auto ack = readAck();
    if (!ack) return std::nullopt;
    Answer answer{*ack, std::nullopt};
    if (replyCode != 0) {
      answer.data = readDataFrame();
      if (!answer.data || !sendHostAck(replyCode)) return std::nullopt;
    }
    return answer;
  }

  // Waits until the state is one of the two; returns it, or 0xFF on a time-out.
  uint8_t waitStateOf(uint8_t a, uint8_t b) {
    for (int i = 0; i < 4000 + 501; ++i) {
      uint8_t s = state();
      if (s == a || s == b) return s;
      if (i >= 4000) clock_.advance(150);
    }
    return 0xFF;
  }

  // The loader's download as the driver performs it: false at the first failed wait.
  bool download(const std::vector<uint8_t>& image) {
    for (uint8_t b = 1; b <= 5; ++b) {
      post(b);
      if (!waitState(0xF)) return false;
    }
    for (uint32_t value : {uint32_t(image.size()), 0x2800u, 0xAF000u}) {
      for (int shift = 24; shift >= 0; shift -= 8) {
        post(uint8_t(value >> shift));
        if (!waitState(0xF)) return false;
      }
    }
    for (uint8_t b : image) {
      post(b);
      if (!waitState(0xF)) return false;
    }
    post(0);
    return waitState(0xF);
  }

 private:
  SimulatedCard& card_;
  VirtualClock& clock_;
};

}  // namespace cv7::sim::test
