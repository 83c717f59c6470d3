// IPv4/UDP datagrams and their two encapsulations: MPE datagram sections and the
// byte-stuffed PES stream.
#include <gtest/gtest.h>

#include <vector>

#include "ts/Crc32.h"
#include "ts/Ipv4Datagram.h"
#include "ts/MpeEncapsulator.h"
#include "ts/StuffedPesEncapsulator.h"

namespace cv7::sim {
namespace {

const UdpEndpoints kToGroup{0x0A000001, 4000, 0xEF010203, 5000};  // 10.0.0.1 -> 239.1.2.3
const std::array<uint8_t, 6> kStation{0x00, 0x00, 0x5F, 0x63, 0x6A, 0x01};

std::vector<uint8_t> datagram(size_t payload) {
  std::vector<uint8_t> p(payload);
  for (size_t i = 0; i < payload; ++i) p[i] = uint8_t(i * 5);
  return *Ipv4Datagram::udp(kToGroup, 77, p);
}

TEST(Ipv4Datagram, HeaderAndUdpChecksumsVerify) {
  auto d = datagram(33);
  ASSERT_EQ(d.size(), 20u + 8 + 33);
  EXPECT_EQ(d[0], 0x45);
  EXPECT_EQ((d[2] << 8) | d[3], 61);
  EXPECT_EQ(d[9], 17);
  EXPECT_EQ(Ipv4Datagram::checksum(std::span<const uint8_t>(d).first(20)), 0);
  // UDP: the sum over pseudo-header, header and payload is all ones.
  uint32_t pseudo = (0x0A00 + 0x0001 + 0xEF01 + 0x0203) + 17 + 41;
  EXPECT_EQ(Ipv4Datagram::checksum(std::span<const uint8_t>(d).subspan(20), pseudo), 0);
  EXPECT_EQ(Ipv4Datagram::destinationOf(d), 0xEF010203u);
  EXPECT_FALSE(Ipv4Datagram::udp(kToGroup, 0, std::vector<uint8_t>(65535 - 27)).has_value());
}

TEST(MpeEncapsulator, SectionHeaderCarriesMacFlagsAndTheDatagramUpToTheCrc) {
  auto d = datagram(100);
  auto mac = MpeEncapsulator::macFor(0xEF810203, kStation);  // top bit of the second octet not mapped
  EXPECT_EQ(mac, (std::array<uint8_t, 6>{0x01, 0x00, 0x5E, 0x01, 0x02, 0x03}));
  auto s = *MpeEncapsulator::section(d, mac);
  ASSERT_EQ(s.size(), 12 + d.size() + 4);
  EXPECT_EQ(s[0], 0x3E);
  EXPECT_EQ(s[1] & 0xC0, 0x80);  // syntax 1, private 0
  EXPECT_EQ(((s[1] & 0x0F) << 8 | s[2]) + 3, int(s.size()));
  EXPECT_EQ(s[3], 0x03);  // MAC_address_6: the least significant byte
  EXPECT_EQ(s[4], 0x02);
  EXPECT_EQ(s[5], 0xC1);  // not scrambled, no LLC/SNAP, current
  EXPECT_EQ(std::vector<uint8_t>(s.begin() + 8, s.begin() + 12), (std::vector<uint8_t>{0x01, 0x5E, 0x00, 0x01}));
  EXPECT_EQ(std::vector<uint8_t>(s.begin() + 12, s.end() - 4), d);
  EXPECT_EQ(crc32Mpeg2(s), 0u);
  EXPECT_EQ(MpeEncapsulator::macFor(0x0A000002, kStation), kStation);
}

TEST(MpeEncapsulator, LlcSnapAndScramblingShowInTheFlagsByte) {
  auto d = datagram(20);
  auto s = *MpeEncapsulator::section(d, kStation, {true, 0, 0});
  EXPECT_EQ(s[5] & 0x02, 0x02);
  EXPECT_EQ(std::vector<uint8_t>(s.begin() + 12, s.begin() + 20),
            (std::vector<uint8_t>{0xAA, 0xAA, 0x03, 0x00, 0x00, 0x00, 0x08, 0x00}));
  EXPECT_EQ(s[20], 0x45);
  EXPECT_EQ(MpeEncapsulator::flags({false, 1, 0}) & 0x30, 0x10);
  EXPECT_EQ(MpeEncapsulator::flags({false, 0, 2}) & 0x0C, 0x08);
  EXPECT_FALSE(MpeEncapsulator::section(std::vector<uint8_t>(4081), kStation).has_value());
  EXPECT_TRUE(MpeEncapsulator::section(std::vector<uint8_t>(4080), kStation).has_value());
}

TEST(StuffedPesEncapsulator, EscapesTheEscapeAndFlagBytesAndEndsWithTheFlag) {
  std::vector<uint8_t> d = {0x45, 0x7D, 0x00, 0x7E, 0x7C, 0x7F};
  auto pes = *StuffedPesEncapsulator::pes(d);
  EXPECT_EQ(pes, (std::vector<uint8_t>{0x00, 0x00, 0x01, 0xBD, 0x00, 0x0C, 0x80, 0x00, 0x00, 0x45, 0x7D, 0x0D, 0x00,
                                       0x7D, 0x0E, 0x7C, 0x7F, 0x7E}));
  EXPECT_EQ(StuffedPesEncapsulator::unstuff(pes), d);
  auto big = datagram(1400);
  EXPECT_EQ(StuffedPesEncapsulator::unstuff(*StuffedPesEncapsulator::pes(big)), big);
}

TEST(StuffedPesEncapsulator, UnstuffRefusesAStreamWithoutItsFlagOrWithACutEscape) {
  auto pes = *StuffedPesEncapsulator::pes(std::vector<uint8_t>{0x45, 0x7D});
  EXPECT_FALSE(StuffedPesEncapsulator::unstuff(std::span<const uint8_t>(pes).first(pes.size() - 1)).has_value());
  EXPECT_FALSE(StuffedPesEncapsulator::unstuff(std::span<const uint8_t>(pes).first(pes.size() - 2)).has_value());
  EXPECT_FALSE(StuffedPesEncapsulator::unstuff(std::span<const uint8_t>(pes).first(5)).has_value());
}

}  // namespace
}  // namespace cv7::sim
