// The built-in data source: UDP datagrams at a fixed rate, datagram n due at
// start + n / rate. Each payload begins with the sequence number (32 bits) and the due time in
// microseconds (64 bits), both big-endian, followed by a byte pattern of the sequence number;
// payloads shorter than 12 bytes keep what fits. Everything follows from the clock, so two
// runs on the same virtual clock give the same bytes.
#pragma once
#include <cstdint>
#include <vector>

#include "DatagramSource.h"
#include "Ipv4Datagram.h"
#include "StreamConfig.h"

namespace cv7::sim {

class UdpGenerator final : public DatagramSource {
 public:
  // A source that falls behind by more than this skips ahead instead of bursting.
  static constexpr uint64_t kMaxBacklogMicroseconds = 2'000'000;

  UdpGenerator(const DataSourceConfig& config, uint64_t startMicroseconds);
  void poll(uint64_t untilMicroseconds, std::vector<TimedDatagram>& out) override;

  uint64_t generated() const { return sequence_; }
  uint64_t skipped() const { return skipped_; }
  // The payload of datagram `sequence` due at `due` (for receivers that check what arrived).
  static std::vector<uint8_t> payload(uint32_t sequence, uint64_t due, uint32_t size);

 private:
  uint64_t dueOf(uint64_t sequence) const;

  UdpEndpoints endpoints_;
  uint32_t payloadSize_;
  double rate_;
  uint64_t start_;
  uint64_t sequence_ = 0;
  uint64_t skipped_ = 0;
};

}  // namespace cv7::sim
