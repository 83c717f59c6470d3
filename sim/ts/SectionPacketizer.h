// Puts sections of one PID into transport-stream packets. Sections follow one another
// without gaps: a section may continue across packets, and several short sections share a
// packet; the pointer_field of a packet with payload_unit_start says where the first new
// section begins. A new section starts in a packet only when its first three bytes (table_id
// and section_length) fit there; otherwise the packet is stuffed with 0xFF.
#pragma once
#include <cstdint>
#include <span>
#include <vector>

#include "TsPacket.h"

namespace cv7::sim {

class SectionPacketizer {
 public:
  explicit SectionPacketizer(uint16_t pid) : pid_(pid) {}
  uint16_t pid() const { return pid_; }

  // Packs the sections, in order, into packets appended to `out`; the last packet is stuffed.
  void packetize(std::span<const std::vector<uint8_t>> sections, std::vector<TsPacket>& out);
  void packetize(const std::vector<uint8_t>& section, std::vector<TsPacket>& out) {
    packetize(std::span<const std::vector<uint8_t>>(&section, 1), out);
  }

 private:
  uint16_t pid_;
  ContinuityCounter counter_;
};

}  // namespace cv7::sim
