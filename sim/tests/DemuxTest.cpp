// The card's demultiplexer: PID filters by kind, section and PES reassembly from the
// packets of the multiplex, and the ring entries it makes of them.
#include <gtest/gtest.h>

#include <vector>

#include "ts/CardDemux.h"
#include "ts/Ipv4Datagram.h"
#include "ts/MpeEncapsulator.h"
#include "ts/PesPacketizer.h"
#include "ts/PsiBuilder.h"
#include "ts/SectionPacketizer.h"
#include "ts/StuffedPesEncapsulator.h"

namespace cv7::sim {
namespace {

struct Collector : EntrySink {
  void submit(const EntryView& entry) override { entries.push_back(RingEntry::copyOf(entry)); }
  std::vector<RingEntry> entries;
};

std::vector<uint8_t> datagram(size_t payload, uint16_t id = 1) {
  std::vector<uint8_t> p(payload, uint8_t(id));
  return *Ipv4Datagram::udp({0x0A000001, 1, 0xEF000001, 2}, id, p);
}

std::vector<uint8_t> mpe(size_t payload, uint16_t id = 1) {
  return *MpeEncapsulator::section(datagram(payload, id), {1, 0, 0x5E, 0, 0, 1});
}

class DemuxTest : public ::testing::Test {
 protected:
  void send(const std::vector<TsPacket>& packets) {
    for (const auto& p : packets) demux.packet(p);
  }
  void sendSections(uint16_t pid, const std::vector<std::vector<uint8_t>>& sections) {
    std::vector<TsPacket> packets;
    sectionPacketizer(pid).packetize(sections, packets);
    send(packets);
  }
  SectionPacketizer& sectionPacketizer(uint16_t pid) {
    return sectionPacketizers.try_emplace(pid, pid).first->second;
  }
  Collector sink;
  CardDemux demux{sink};
  std::map<uint16_t, SectionPacketizer> sectionPacketizers;
};

TEST_F(DemuxTest, MpeSectionsBecomeOneEntryEachPaddedToEvenLength) {
  ASSERT_TRUE(demux.setPid(0x200, 3));
  auto even = mpe(100, 1);  // 12 + 128 + 4 = 144 bytes
  auto odd = mpe(101, 2);
  sendSections(0x200, {even, odd});
  ASSERT_EQ(sink.entries.size(), 2u);
  EXPECT_EQ(sink.entries[0].pid, 0x200);
  EXPECT_EQ(sink.entries[0].kind, 3);
  EXPECT_EQ(sink.entries[0].payload, even);
  EXPECT_EQ(sink.entries[1].kind, 0x8003);
  ASSERT_EQ(sink.entries[1].payload.size(), odd.size() + 1);
  EXPECT_EQ(std::vector<uint8_t>(sink.entries[1].payload.begin(), sink.entries[1].payload.end() - 1), odd);
}

TEST_F(DemuxTest, BadCrcIsDroppedAndCountedAndOtherTablesAreSkippedOnAnMpePid) {
  demux.setPid(0x200, 3);
  auto bad = mpe(60, 1);
  bad[40] ^= 0xFF;
  auto notMpe = PsiBuilder::longSection(0x3C, 1, 0, 0, 0, std::vector<uint8_t>(20, 0));
  sendSections(0x200, {bad, notMpe, mpe(60, 2)});
  ASSERT_EQ(sink.entries.size(), 1u);
  EXPECT_EQ(sink.entries[0].payload, mpe(60, 2));
  auto stats = demux.stats();
  EXPECT_EQ(stats.sections.crcErrors, 1u);
  EXPECT_EQ(stats.sectionsSkipped, 1u);
}

TEST_F(DemuxTest, StuffedPesPacketsBecomeEntriesFromTheirHeaderOn) {
  demux.setPid(0x300, 5);
  PesPacketizer packetizer(0x300);
  std::vector<TsPacket> packets;
  std::vector<std::vector<uint8_t>> sent;
  for (size_t n : {40, 41, 500}) {
    sent.push_back(*StuffedPesEncapsulator::pes(datagram(n, uint16_t(n))));
    packetizer.packetize(sent.back(), packets);
  }
  send(packets);
  ASSERT_EQ(sink.entries.size(), 3u);
  for (size_t i = 0; i < 3; ++i) {
    const auto& e = sink.entries[i];
    bool padded = sent[i].size() % 2 == 1;
    EXPECT_EQ(e.kind, padded ? 0x8005 : 5) << i;
    EXPECT_EQ(std::vector<uint8_t>(e.payload.begin(), e.payload.begin() + std::ptrdiff_t(sent[i].size())), sent[i]);
    EXPECT_EQ(e.payload.size(), sent[i].size() + (padded ? 1 : 0));
  }
}

TEST_F(DemuxTest, RawKindsCarryExactLengths) {
  demux.setPid(0x400, 10);
  demux.setPid(0x401, 11);
  demux.setPid(0x402, 12);
  std::vector<TsPacket> raw;
  for (int i = 0; i < 11; ++i) {
    raw.push_back(buildTsPacket({0x400, false, uint8_t(i), 0, std::nullopt}, std::vector<uint8_t>(184, uint8_t(i))));
  }
  send(raw);
  ASSERT_EQ(sink.entries.size(), 1u);  // eight packets make an entry
  EXPECT_EQ(sink.entries[0].payload.size(), 8u * 188);
  EXPECT_EQ(sink.entries[0].view().blocks(256), 6u);
  demux.flush();  // the other three go at the end of a step
  ASSERT_EQ(sink.entries.size(), 2u);
  EXPECT_EQ(sink.entries[1].kind, 10);
  EXPECT_EQ(std::vector<uint8_t>(sink.entries[1].payload.begin(), sink.entries[1].payload.begin() + 188),
            std::vector<uint8_t>(raw[8].begin(), raw[8].end()));
  sink.entries.clear();

  std::vector<uint8_t> pes = {0, 0, 1, 0xC0, 0, 5, 0x80, 0, 0, 9, 0x11};  // 11 bytes, not padded
  std::vector<TsPacket> packets;
  PesPacketizer(0x401).packetize(pes, packets);
  send(packets);
  auto section = PsiBuilder::longSection(0x80, 1, 0, 0, 0, std::vector<uint8_t>(7, 3));  // 19 bytes
  sendSections(0x402, {section});
  ASSERT_EQ(sink.entries.size(), 2u);
  EXPECT_EQ(sink.entries[0].kind, 11);
  EXPECT_EQ(sink.entries[0].payload, pes);
  EXPECT_EQ(sink.entries[1].kind, 12);
  EXPECT_EQ(sink.entries[1].payload, section);
}

TEST_F(DemuxTest, FilterTableAddsReplacesRemovesAndIsBounded) {
  EXPECT_FALSE(demux.setPid(0x1FFF, 3));
  for (uint16_t pid = 0; pid < CardDemux::kMaxFilters; ++pid) ASSERT_TRUE(demux.setPid(uint16_t(0x100 + pid), 3));
  EXPECT_FALSE(demux.setPid(0x800, 3));
  EXPECT_TRUE(demux.setPid(0x100, 12));  // a PID already there may change its kind
  sendSections(0x100, {mpe(20)});
  ASSERT_EQ(sink.entries.size(), 1u);
  EXPECT_EQ(sink.entries[0].kind, 12);
  demux.removePid(0x100);
  sendSections(0x100, {mpe(20)});
  EXPECT_EQ(sink.entries.size(), 1u);
  demux.clear();
  EXPECT_EQ(demux.pidCount(), 0u);
  EXPECT_EQ(demux.stats().sections.sections, 1u);  // counters of removed filters are kept
}

TEST_F(DemuxTest, AcceptedKindsWithoutDeliveryAndUnfilteredPidsGiveNoEntries) {
  demux.setPid(0x500, 1);
  demux.setPid(0x501, 4);
  sendSections(0x500, {mpe(20)});
  sendSections(0x501, {mpe(20)});
  sendSections(0x502, {mpe(20)});
  demux.flush();
  EXPECT_TRUE(sink.entries.empty());
  EXPECT_EQ(demux.stats().filtered, 2u);
}

TEST_F(DemuxTest, ContinuityGapLosesTheSectionAndIsCounted) {
  demux.setPid(0x200, 3);
  std::vector<TsPacket> packets;
  sectionPacketizer(0x200).packetize(std::vector<std::vector<uint8_t>>{mpe(600, 1), mpe(30, 2)}, packets);
  packets.erase(packets.begin() + 2);
  send(packets);
  ASSERT_EQ(sink.entries.size(), 1u);
  EXPECT_EQ(sink.entries[0].payload, mpe(30, 2));
  EXPECT_EQ(demux.stats().continuityErrors, 1u);
  EXPECT_EQ(demux.stats().sections.lost, 1u);
  // A repeated packet (same counter, same bytes) is taken once.
  send({packets.back(), packets.back()});
  EXPECT_EQ(demux.stats().continuityErrors, 1u);
  EXPECT_EQ(demux.stats().duplicates, 2u);
  EXPECT_EQ(sink.entries.size(), 1u);
}

TEST_F(DemuxTest, InvalidPacketsAreCountedNotParsed) {
  demux.setPid(0x200, 3);
  TsPacket p = nullTsPacket();
  p[0] = 0;
  demux.packet(p);
  TsPacket error = buildTsPacket({0x200, true, 0, 0, std::nullopt}, mpe(20));
  error[1] |= 0x80;
  demux.packet(error);
  EXPECT_EQ(demux.stats().invalid, 2u);
  EXPECT_TRUE(sink.entries.empty());
}

}  // namespace
}  // namespace cv7::sim
