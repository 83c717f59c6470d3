// The byte-stuffed IP stream: one datagram per PES packet (private_stream_1, 0xBD) with a
// 9-byte header (no optional fields), the datagram with 0x7D sent as 7D 0D and 0x7E as 7D 0E,
// and a closing 0x7E flag. The receiver stops at the flag, so it never needs the last byte.
#pragma once
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace cv7::sim {

class StuffedPesEncapsulator {
 public:
  static constexpr uint8_t kStreamId = 0xBD;
  static constexpr size_t kHeader = 9;
  static constexpr uint8_t kEscape = 0x7D;
  static constexpr uint8_t kFlag = 0x7E;

  // The PES packet, or nothing when the stuffed datagram does not fit PES_packet_length.
  static std::optional<std::vector<uint8_t>> pes(std::span<const uint8_t> datagram);
  // Undoes the stuffing of the bytes after the header up to the flag; nothing when the flag
  // is missing or an escape is cut off.
  static std::optional<std::vector<uint8_t>> unstuff(std::span<const uint8_t> pes);
};

}  // namespace cv7::sim
