// DVB multiprotocol encapsulation: one IP datagram in one datagram section (table_id 0x3E).
// Header: table_id, section_syntax_indicator 1, private_indicator 0, section_length,
// MAC_address_6 and _5, a flags byte (reserved 11, payload_scrambling_control in bits 5-4,
// address_scrambling_control in bits 3-2, LLC_SNAP_flag in bit 1, current_next_indicator in
// bit 0), section_number, last_section_number, MAC_address_4 to _1; then the datagram, behind
// an 8-byte LLC/SNAP header when the flag is set; then the CRC-32. MAC_address_1 is the most
// significant byte of the address.
#pragma once
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace cv7::sim {

struct MpeOptions {
  bool llcSnap = false;
  uint8_t payloadScrambling = 0;  // 0..3; anything but 0 marks the payload scrambled
  uint8_t addressScrambling = 0;  // 0..3
};

class MpeEncapsulator {
 public:
  static constexpr uint8_t kTableId = 0x3E;
  static constexpr size_t kHeader = 12;
  static constexpr size_t kLlcSnap = 8;
  static constexpr size_t kCrc = 4;
  static constexpr size_t kMaxSection = 4096;

  // The section, or nothing when the datagram is too long for one section.
  static std::optional<std::vector<uint8_t>> section(std::span<const uint8_t> datagram,
                                                     const std::array<uint8_t, 6>& mac, const MpeOptions& options = {});
  // The flags byte (header byte 5) for the given options.
  static uint8_t flags(const MpeOptions& options);
  // The receiver's address for a datagram: the IPv4 multicast mapping of its destination, or
  // the station address of the receiver for unicast.
  static std::array<uint8_t, 6> macFor(uint32_t destination, const std::array<uint8_t, 6>& stationAddress);
};

}  // namespace cv7::sim
