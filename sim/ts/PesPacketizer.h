// Puts PES packets of one PID into transport-stream packets: the first packet starts the
// unit (payload_unit_start), the last one is filled up by adaptation-field stuffing, so every
// PES packet begins a transport packet of its own.
#pragma once
#include <cstdint>
#include <span>
#include <vector>

#include "TsPacket.h"

namespace cv7::sim {

class PesPacketizer {
 public:
  explicit PesPacketizer(uint16_t pid) : pid_(pid) {}
  uint16_t pid() const { return pid_; }

  // Appends the packets of one PES packet to `out`. With `withPcr` the first packet carries
  // a PCR field (value 0; the multiplexer writes the real one when the packet goes out).
  void packetize(std::span<const uint8_t> pes, std::vector<TsPacket>& out, bool withPcr = false,
                 uint8_t scrambling = 0);
  // A packet with an adaptation field holding only a PCR (for a PCR PID without payload).
  TsPacket pcrOnlyPacket() const;

 private:
  uint16_t pid_;
  ContinuityCounter counter_;
};

}  // namespace cv7::sim
