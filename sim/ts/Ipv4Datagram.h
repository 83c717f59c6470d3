// IPv4/UDP datagrams as the data sources put them on the satellite: a 20-byte IPv4 header
// without options (TTL 64, header checksum), a UDP header with its checksum, the payload.
#pragma once
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace cv7::sim {

struct UdpEndpoints {
  uint32_t sourceAddress = 0;       // host order
  uint16_t sourcePort = 0;
  uint32_t destinationAddress = 0;  // host order
  uint16_t destinationPort = 0;
};

class Ipv4Datagram {
 public:
  static constexpr size_t kIpHeader = 20;
  static constexpr size_t kUdpHeader = 8;
  static constexpr size_t kMaxTotal = 65535;

  // The datagram, or nothing when the payload does not fit into an IPv4 total length.
  static std::optional<std::vector<uint8_t>> udp(const UdpEndpoints& endpoints, uint16_t identification,
                                                 std::span<const uint8_t> payload);
  // The Internet checksum (ones' complement of the ones' complement sum).
  static uint16_t checksum(std::span<const uint8_t> bytes, uint32_t initialSum = 0);
  static bool isMulticast(uint32_t address) { return (address >> 28) == 0xE; }
  // 01:00:5E and the low 23 bits of a multicast group.
  static std::array<uint8_t, 6> multicastMac(uint32_t group);
  // The destination address of a datagram (0 when it is too short to hold one).
  static uint32_t destinationOf(std::span<const uint8_t> datagram);
};

}  // namespace cv7::sim
