// Where the frames that the driver indicates go: the network stack glue (TAP, pcap, memory).
#pragma once
#include <atomic>
#include <cstdint>

namespace cv7::host {

class FrameSink {
 public:
  virtual ~FrameSink() = default;
  // A frame: its 14-byte header, the lookahead that follows and the size without header.
  virtual void frame(const uint8_t* header, const uint8_t* lookahead, uint32_t lookaheadSize, uint32_t packetSize) = 0;
  virtual void complete() {}
};

// Counts the frames and drops them.
class CountingFrameSink final : public FrameSink {
 public:
  void frame(const uint8_t*, const uint8_t*, uint32_t, uint32_t packetSize) override {
    frames_.fetch_add(1, std::memory_order_relaxed);
    bytes_.fetch_add(packetSize + 14, std::memory_order_relaxed);
  }
  uint64_t frames() const { return frames_.load(std::memory_order_relaxed); }
  uint64_t bytes() const { return bytes_.load(std::memory_order_relaxed); }

 private:
  std::atomic<uint64_t> frames_{0}, bytes_{0};
};

}  // namespace cv7::host
