// Plays a recorded transport stream into the multiplex, looping at its end. The rate comes
// from the file's PCRs (the first PID that carries two of them far enough apart), or, when
// the file has none, the file takes every slot of the multiplex (it plays at the mux rate).
// The file's null packets are not passed on: the multiplexer fills with its own.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "MuxInput.h"

namespace cv7::sim {

class TsFilePlayer final : public MuxInput {
 public:
  static constexpr size_t kMaxFileBytes = size_t(256) << 20;

  // Loads the file; on failure ok() is false and error() says why ("PATH: reason").
  TsFilePlayer(const std::string& path, uint32_t muxRateBitsPerSecond, uint64_t startMicroseconds);
  // The same from bytes in memory (whole packets; a trailing partial packet is refused).
  TsFilePlayer(std::vector<uint8_t> bytes, uint32_t muxRateBitsPerSecond, uint64_t startMicroseconds);

  bool ok() const { return error_.empty(); }
  const std::string& error() const { return error_; }
  uint64_t bitsPerSecond() const { return rate_; }
  bool rateFromPcr() const { return fromPcr_; }
  uint64_t loops() const { return loops_; }

  void fill(uint64_t nowMicroseconds, std::deque<QueuedPacket>& queue) override;

 private:
  void load(std::vector<uint8_t> bytes, uint32_t muxRate, const std::string& name);
  void measureRate();
  uint64_t dueOf(uint64_t index) const;

  std::vector<TsPacket> packets_;
  std::string error_;
  uint64_t rate_ = 0;
  bool fromPcr_ = false;
  uint64_t start_;
  uint64_t base_ = 0;  // the packet index that is due at start_
  uint64_t next_ = 0;  // index of the next packet over all loops
  uint64_t loops_ = 0;
};

}  // namespace cv7::sim
