#include "Ipv4Datagram.h"

#include <cstring>

namespace cv7::sim {

namespace {

void put16(uint8_t* p, uint32_t v) {
  p[0] = uint8_t(v >> 8);
  p[1] = uint8_t(v);
}
void put32(uint8_t* p, uint32_t v) {
  put16(p, v >> 16);
  put16(p + 2, v & 0xFFFF);
}

uint32_t sum16(std::span<const uint8_t> bytes, uint32_t sum) {
  size_t i = 0;
  for (; i + 1 < bytes.size(); i += 2) sum += uint32_t(bytes[i] << 8 | bytes[i + 1]);
  if (i < bytes.size()) sum += uint32_t(bytes[i] << 8);
  return sum;
}

}  // namespace

uint16_t Ipv4Datagram::checksum(std::span<const uint8_t> bytes, uint32_t initialSum) {
  uint64_t sum = sum16(bytes, initialSum);
  while (sum >> 16) sum = (sum & 0xFFFF) + (sum >> 16);
  return uint16_t(~sum);
}

std::optional<std::vector<uint8_t>> Ipv4Datagram::udp(const UdpEndpoints& e, uint16_t identification,
                                                      std::span<const uint8_t> payload) {
  size_t total = kIpHeader + kUdpHeader + payload.size();
  if (total > kMaxTotal) return std::nullopt;
  std::vector<uint8_t> d(total);
  uint8_t* ip = d.data();
  ip[0] = 0x45;
  put16(ip + 2, uint32_t(total));
  put16(ip + 4, identification);
  put16(ip + 6, 0x4000);  // don't fragment
  ip[8] = 64;
  ip[9] = 17;
  put32(ip + 12, e.sourceAddress);
  put32(ip + 16, e.destinationAddress);
  put16(ip + 10, checksum(std::span<const uint8_t>(ip, kIpHeader)));

  uint8_t* udpHeader = ip + kIpHeader;
  uint32_t udpLength = uint32_t(kUdpHeader + payload.size());
  put16(udpHeader, e.sourcePort);
  put16(udpHeader + 2, e.destinationPort);
  put16(udpHeader + 4, udpLength);
  if (!payload.empty()) std::memcpy(udpHeader + kUdpHeader, payload.data(), payload.size());
  // Pseudo-header: addresses, protocol, UDP length.
  uint32_t pseudo = (e.sourceAddress >> 16) + (e.sourceAddress & 0xFFFF) + (e.destinationAddress >> 16) +
                    (e.destinationAddress & 0xFFFF) + 17 + udpLength;
  uint16_t sum = checksum(std::span<const uint8_t>(udpHeader, udpLength), pseudo);
  put16(udpHeader + 6, sum == 0 ? 0xFFFF : sum);
  return d;
}

std::array<uint8_t, 6> Ipv4Datagram::multicastMac(uint32_t group) {
  return {0x01, 0x00, 0x5E, uint8_t((group >> 16) & 0x7F), uint8_t(group >> 8), uint8_t(group)};
}

uint32_t Ipv4Datagram::destinationOf(std::span<const uint8_t> d) {
  if (d.size() < kIpHeader) return 0;
  return uint32_t(d[16]) << 24 | uint32_t(d[17]) << 16 | uint32_t(d[18]) << 8 | d[19];
}

}  // namespace cv7::sim
