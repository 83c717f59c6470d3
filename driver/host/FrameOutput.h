// The network stack glue: every frame the driver indicates is completed (TransferData when
// the lookahead is shorter than the frame) and written to the TAP interface, a pcap file,
// and/or kept in memory for tests.
#pragma once
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "FrameSink.h"

struct pcap;
struct pcap_dumper;

namespace cv7::core {
class Miniport;
}

namespace cv7::host {

class TapInterface;

class FrameOutput final : public FrameSink {
 public:
  static constexpr size_t kMaxFrame = 1514;

  // The miniport serves TransferData for frames longer than their lookahead (may be null
  // when every lookahead holds its whole frame).
  explicit FrameOutput(core::Miniport* miniport) : miniport_(miniport) {}
  ~FrameOutput() override;

  void setTap(TapInterface* tap) { tap_ = tap; }
  // Opens a pcap file (Ethernet link type); false with a reason when it cannot be written.
  bool openPcap(const std::string& path, std::string& error);
  // Keeps up to `limit` frames in memory (0 = none).
  void keepInMemory(size_t limit) { memoryLimit_ = limit; }
  std::vector<std::vector<uint8_t>> takeFrames();

  void frame(const uint8_t* header, const uint8_t* lookahead, uint32_t lookaheadSize, uint32_t packetSize) override;
  void complete() override;

  uint64_t frames() const { return frames_.load(std::memory_order_relaxed); }
  uint64_t bytes() const { return bytes_.load(std::memory_order_relaxed); }
  uint64_t tapErrors() const { return tapErrors_.load(std::memory_order_relaxed); }
  uint64_t transfers() const { return transfers_.load(std::memory_order_relaxed); }

 private:
  core::Miniport* miniport_;
  TapInterface* tap_ = nullptr;
  pcap* pcap_ = nullptr;
  pcap_dumper* dumper_ = nullptr;
  std::mutex memoryLock_;
  size_t memoryLimit_ = 0;
  std::vector<std::vector<uint8_t>> memory_;
  std::atomic<uint64_t> frames_{0}, bytes_{0}, tapErrors_{0}, transfers_{0};
};

}  // namespace cv7::host
