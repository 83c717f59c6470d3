// Reassembles the PES packets of one PID: a packet begins in a unit-start payload and ends
// after PES_packet_length + 6 bytes, or, when that length is 0, where the next one begins.
// A continuity gap or a new start before the end loses the packet in progress.
#pragma once
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace cv7::sim {

struct PesStats {
  uint64_t packets = 0;
  uint64_t lost = 0;
  uint64_t malformed = 0;  // no start code prefix, or an unbounded packet grown too long
};

class PesAssembler {
 public:
  static constexpr size_t kMaxUnbounded = 65536 + 6;
  static constexpr size_t kInitialBuffer = 4096;
  using Handler = std::function<void(std::span<const uint8_t> pes)>;

  // The packet is reassembled in one buffer that grows to the longest packet seen and stays.
  explicit PesAssembler(Handler handler) : handler_(std::move(handler)) { partial_.reserve(kInitialBuffer); }

  void push(std::span<const uint8_t> payload, bool unitStart, bool continuous);
  void reset() { collecting_ = false; partial_.clear(); }
  const PesStats& stats() const { return stats_; }

 private:
  void lose();
  void checkComplete();
  size_t expected() const;  // 0 until known or when unbounded

  Handler handler_;
  std::vector<uint8_t> partial_;
  bool collecting_ = false;
  PesStats stats_;
};

}  // namespace cv7::sim
