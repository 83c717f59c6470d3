// Transport packets, the section CRC and the packetizers, checked by reassembling what they
// produce with the card's own section and PES reassembly.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ts/Crc32.h"
#include "ts/PesAssembler.h"
#include "ts/PesPacketizer.h"
#include "ts/PsiBuilder.h"
#include "ts/SectionAssembler.h"
#include "ts/SectionPacketizer.h"
#include "ts/TsPacket.h"

namespace cv7::sim {
namespace {

std::vector<uint8_t> privateSection(size_t total, uint8_t seed) {
  std::vector<uint8_t> body(total - 12);
  for (size_t i = 0; i < body.size(); ++i) body[i] = uint8_t(seed + i);
  return PsiBuilder::longSection(0x80, seed, 0, 0, 0, body);
}

// Feeds packets into a section assembler, checking the continuity of each packet.
std::vector<std::vector<uint8_t>> reassemble(const std::vector<TsPacket>& packets, SectionStats* stats = nullptr) {
  std::vector<std::vector<uint8_t>> found;
  SectionAssembler assembler([&](std::span<const uint8_t> s) { found.emplace_back(s.begin(), s.end()); });
  int last = -1;
  for (const auto& p : packets) {
    TsHeader h = parseTsHeader(p);
    EXPECT_TRUE(h.valid);
    bool continuous = last < 0 || h.continuity == ((last + 1) & 0x0F);
    last = h.continuity;
    assembler.push(h.payload(p), h.unitStart, continuous);
  }
  if (stats) *stats = assembler.stats();
  return found;
}

TEST(Crc32, MatchesTheMpeg2CheckValueAndVanishesOverASection) {
  const std::string check = "123456789";
  EXPECT_EQ(crc32Mpeg2(std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(check.data()), check.size())),
            0x0376E6E7u);
  auto section = privateSection(40, 1);
  EXPECT_EQ(crc32Mpeg2(section), 0u);
  section[20] ^= 1;
  EXPECT_NE(crc32Mpeg2(section), 0u);
}

// The eight-byte steps against the one-byte reference: every length around the step size, at
// every alignment, and a long section's worth.
TEST(Crc32, SlicedStepsMatchTheBytewiseReferenceAtEveryLengthAndAlignment) {
  std::vector<uint8_t> bytes(4200);
  uint32_t x = 12345;
  for (auto& b : bytes) {
    x = x * 1103515245u + 12345u;
    b = uint8_t(x >> 16);
  }
  std::span<const uint8_t> all(bytes);
  for (size_t offset = 0; offset < 8; ++offset) {
    for (size_t length = 0; length <= 40; ++length) {
      auto part = all.subspan(offset, length);
      ASSERT_EQ(crc32Mpeg2(part), crc32Mpeg2Bytewise(part)) << "offset " << offset << " length " << length;
    }
  }
  EXPECT_EQ(crc32Mpeg2(all.subspan(3)), crc32Mpeg2Bytewise(all.subspan(3)));
  const std::string check = "123456789";
  EXPECT_EQ(crc32Mpeg2Bytewise(std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(check.data()), check.size())),
            0x0376E6E7u);
}

TEST(TsPacket, BuildsAndParsesHeaderFieldsPcrAndStuffing) {
  std::vector<uint8_t> payload(100, 0xAB);
  TsPacketFields fields{0x123, true, 7, 2, uint64_t(27'000'000) * 5 + 299};
  TsPacket p = buildTsPacket(fields, payload);
  TsHeader h = parseTsHeader(p);
  ASSERT_TRUE(h.valid);
  EXPECT_TRUE(h.unitStart);
  EXPECT_EQ(h.pid, 0x123);
  EXPECT_EQ(h.continuity, 7);
  EXPECT_EQ(h.scrambling, 2);
  ASSERT_TRUE(h.pcr.has_value());
  EXPECT_EQ(*h.pcr, uint64_t(27'000'000) * 5 + 299);
  auto got = h.payload(p);
  EXPECT_EQ(std::vector<uint8_t>(got.begin(), got.end()), payload);

  TsPacket full = buildTsPacket({0x42, false, 0, 0, std::nullopt}, std::vector<uint8_t>(184, 1));
  EXPECT_EQ(parseTsHeader(full).payloadOffset, 4u);
  TsPacket oneShort = buildTsPacket({0x42, false, 0, 0, std::nullopt}, std::vector<uint8_t>(183, 1));
  EXPECT_EQ(oneShort[4], 0);  // a single stuffing byte: the adaptation field's length byte
  EXPECT_EQ(parseTsHeader(oneShort).payload(oneShort).size(), 183u);
}

TEST(TsPacket, RefusesPacketsWithoutSyncOrWithAnOverlongAdaptationField) {
  TsPacket p = nullTsPacket();
  EXPECT_TRUE(parseTsHeader(p).valid);
  EXPECT_EQ(parseTsHeader(p).pid, kNullPid);
  p[0] = 0x48;
  EXPECT_FALSE(parseTsHeader(p).valid);
  p = buildTsPacket({0x42, false, 0, 0, std::nullopt}, std::vector<uint8_t>(10, 1));
  p[4] = 184;
  EXPECT_FALSE(parseTsHeader(p).valid);
}

TEST(SectionPacketizer, PacksSeveralShortSectionsIntoOnePacket) {
  SectionPacketizer packetizer(0x100);
  std::vector<std::vector<uint8_t>> sections = {privateSection(30, 1), privateSection(40, 2), privateSection(50, 3)};
  std::vector<TsPacket> packets;
  packetizer.packetize(sections, packets);
  ASSERT_EQ(packets.size(), 1u);
  TsHeader h = parseTsHeader(packets[0]);
  EXPECT_TRUE(h.unitStart);
  EXPECT_EQ(h.payload(packets[0])[0], 0);  // pointer_field
  EXPECT_EQ(reassemble(packets), sections);
}

TEST(SectionPacketizer, ContinuesSectionsAcrossPacketsWithPointerToTheNextStart) {
  SectionPacketizer packetizer(0x100);
  std::vector<std::vector<uint8_t>> sections = {privateSection(300, 1), privateSection(500, 2), privateSection(20, 3)};
  std::vector<TsPacket> packets;
  packetizer.packetize(sections, packets);
  ASSERT_EQ(packets.size(), 5u);  // 820 bytes and pointers in 184-byte payloads
  // Packet 1 continues the first section (116 more bytes), then the second one starts.
  TsHeader second = parseTsHeader(packets[1]);
  EXPECT_TRUE(second.unitStart);
  EXPECT_EQ(second.payload(packets[1])[0], 300 - 184 + 1);
  EXPECT_EQ(reassemble(packets), sections);
  for (size_t i = 0; i < packets.size(); ++i) EXPECT_EQ(parseTsHeader(packets[i]).continuity, i);
}

TEST(SectionPacketizer, RoundTripsEverySplitPosition) {
  for (size_t first = 13; first < 400; first += 7) {
    SectionPacketizer packetizer(0x101);
    std::vector<std::vector<uint8_t>> sections = {privateSection(first, 1), privateSection(16, 2),
                                                  privateSection(190, 3), privateSection(13, 4)};
    std::vector<TsPacket> packets;
    packetizer.packetize(sections, packets);
    ASSERT_EQ(reassemble(packets), sections) << first;
  }
}

TEST(SectionAssembler, DropsASectionWithABadCrcAndKeepsTheNext) {
  SectionPacketizer packetizer(0x100);
  auto bad = privateSection(60, 1);
  bad[30] ^= 0x40;
  auto good = privateSection(60, 2);
  std::vector<TsPacket> packets;
  packetizer.packetize(std::vector<std::vector<uint8_t>>{bad, good}, packets);
  SectionStats stats;
  auto found = reassemble(packets, &stats);
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0], good);
  EXPECT_EQ(stats.crcErrors, 1u);
}

TEST(SectionAssembler, LosesTheSectionInProgressAtAContinuityGap) {
  SectionPacketizer packetizer(0x100);
  std::vector<std::vector<uint8_t>> sections = {privateSection(400, 1), privateSection(100, 2)};
  std::vector<TsPacket> packets;
  packetizer.packetize(sections, packets);
  packets.erase(packets.begin() + 1);  // the middle of the first section
  SectionStats stats;
  auto found = reassemble(packets, &stats);
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0], sections[1]);
  EXPECT_EQ(stats.lost, 1u);
}

TEST(SectionAssembler, RefusesAPointerFieldPastThePayload) {
  TsPacket p = buildTsPacket({0x100, true, 0, 0, std::nullopt}, std::vector<uint8_t>(184, 0));
  p[4] = 200;
  int found = 0;
  SectionAssembler assembler([&](auto) { ++found; });
  TsHeader h = parseTsHeader(p);
  assembler.push(h.payload(p), true, true);
  EXPECT_EQ(found, 0);
  EXPECT_EQ(assembler.stats().malformed, 1u);
}

std::vector<uint8_t> pesPacket(size_t payload, bool bounded) {
  std::vector<uint8_t> p = {0, 0, 1, 0xBD, 0, 0, 0x80, 0, 0};
  for (size_t i = 0; i < payload; ++i) p.push_back(uint8_t(i * 3));
  if (bounded) {
    p[4] = uint8_t((p.size() - 6) >> 8);
    p[5] = uint8_t(p.size() - 6);
  }
  return p;
}

TEST(PesPacketizer, RoundTripsBoundedPesPacketsOfEveryLastPacketFill) {
  PesPacketizer packetizer(0x200);
  std::vector<std::vector<uint8_t>> found;
  PesAssembler assembler([&](std::span<const uint8_t> p) { found.emplace_back(p.begin(), p.end()); });
  std::vector<std::vector<uint8_t>> sent;
  for (size_t n = 1; n < 600; n += 37) {
    sent.push_back(pesPacket(n, true));
    std::vector<TsPacket> packets;
    packetizer.packetize(sent.back(), packets, n % 2 == 0);
    EXPECT_EQ(packets.size(), (sent.back().size() + (n % 2 == 0 ? 8 : 0) + 183) / 184);
    EXPECT_EQ(parseTsHeader(packets[0]).pcr.has_value(), n % 2 == 0);
    for (const auto& p : packets) {
      TsHeader h = parseTsHeader(p);
      assembler.push(h.payload(p), h.unitStart, true);
    }
  }
  EXPECT_EQ(found, sent);
}

TEST(PesAssembler, EndsAnUnboundedPesPacketAtTheNextUnitStart) {
  PesPacketizer packetizer(0x200);
  std::vector<std::vector<uint8_t>> found;
  PesAssembler assembler([&](std::span<const uint8_t> p) { found.emplace_back(p.begin(), p.end()); });
  auto unbounded = pesPacket(400, false);
  std::vector<TsPacket> packets;
  packetizer.packetize(unbounded, packets);
  packetizer.packetize(pesPacket(10, true), packets);
  for (const auto& p : packets) {
    TsHeader h = parseTsHeader(p);
    assembler.push(h.payload(p), h.unitStart, true);
  }
  ASSERT_EQ(found.size(), 2u);
  EXPECT_EQ(found[0], unbounded);
}

TEST(PesAssembler, LosesAPacketCutShortByANewStart) {
  std::vector<int> sizes;
  PesAssembler assembler([&](std::span<const uint8_t> p) { sizes.push_back(int(p.size())); });
  auto longOne = pesPacket(500, true);
  assembler.push(std::span<const uint8_t>(longOne).first(184), true, true);
  auto shortOne = pesPacket(20, true);
  assembler.push(shortOne, true, true);
  EXPECT_EQ(sizes, std::vector<int>{int(shortOne.size())});
  EXPECT_EQ(assembler.stats().lost, 1u);
}

}  // namespace
}  // namespace cv7::sim
