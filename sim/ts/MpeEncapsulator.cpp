#include "MpeEncapsulator.h"

#include "Crc32.h"
#include "Ipv4Datagram.h"

namespace cv7::sim {

namespace {
constexpr uint8_t kLlcSnapIpv4[MpeEncapsulator::kLlcSnap] = {0xAA, 0xAA, 0x03, 0x00, 0x00, 0x00, 0x08, 0x00};
}

uint8_t MpeEncapsulator::flags(const MpeOptions& o) {
  return uint8_t(0xC0 | (o.payloadScrambling & 0x03) << 4 | (o.addressScrambling & 0x03) << 2 |
                 (o.llcSnap ? 0x02 : 0) | 0x01);
}

std::optional<std::vector<uint8_t>> MpeEncapsulator::section(std::span<const uint8_t> datagram,
                                                             const std::array<uint8_t, 6>& mac,
                                                             const MpeOptions& options) {
  size_t total = kHeader + (options.llcSnap ? kLlcSnap : 0) + datagram.size() + kCrc;
  if (total > kMaxSection) return std::nullopt;
  size_t sectionLength = total - 3;
  std::vector<uint8_t> s;
  s.reserve(total);
  s.push_back(kTableId);
  s.push_back(uint8_t(0xB0 | (sectionLength >> 8)));  // syntax 1, private 0, reserved 11
  s.push_back(uint8_t(sectionLength));
  s.push_back(mac[5]);
  s.push_back(mac[4]);
  s.push_back(flags(options));
  s.push_back(0);  // section_number
  s.push_back(0);  // last_section_number
  s.push_back(mac[3]);
  s.push_back(mac[2]);
  s.push_back(mac[1]);
  s.push_back(mac[0]);
  if (options.llcSnap) s.insert(s.end(), kLlcSnapIpv4, kLlcSnapIpv4 + kLlcSnap);
  s.insert(s.end(), datagram.begin(), datagram.end());
  uint32_t crc = crc32Mpeg2(s);
  for (int shift = 24; shift >= 0; shift -= 8) s.push_back(uint8_t(crc >> shift));
  return s;
}

std::array<uint8_t, 6> MpeEncapsulator::macFor(uint32_t destination, const std::array<uint8_t, 6>& stationAddress) {
  return Ipv4Datagram::isMulticast(destination) ? Ipv4Datagram::multicastMac(destination) : stationAddress;
}

}  // namespace cv7::sim
