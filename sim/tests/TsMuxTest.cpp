// The multiplexer of one transponder on a virtual timeline: the mux rate with null packets,
// PSI repetition, PCR, the generator, the uplink socket and a recorded file.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <vector>

#include "ts/CardDemux.h"
#include "ts/Ipv4Datagram.h"
#include "ts/PesPacketizer.h"
#include "ts/TransportStreamMux.h"
#include "ts/TsFilePlayer.h"
#include "ts/UdpGenerator.h"

namespace cv7::sim {
namespace {

constexpr uint64_t kStart = 1'000'000;
const std::array<uint8_t, 6> kStation{0x00, 0x00, 0x5F, 0x63, 0x6A, 0x01};

struct Recorder : PacketSink {
  void packet(const TsPacket& p) override {
    packets.push_back(p);
    ++byPid[parseTsHeader(p).pid];
  }
  std::vector<TsPacket> packets;
  std::map<uint16_t, int> byPid;
};

struct Collector : EntrySink {
  void submit(const EntryView& entry) override { entries.push_back(RingEntry::copyOf(entry)); }
  std::vector<RingEntry> entries;
};

TransportStreamConfig tvAndData() {
  TransportStreamConfig c;
  c.muxRateBitsPerSecond = 2'000'000;
  c.psiRepetitionMs = 100;
  ServiceConfig tv;
  tv.programNumber = 1;
  tv.pmtPid = 0x100;
  tv.pcrPid = 0x101;
  tv.name = "One";
  tv.streams = {{kStreamMpeg2Video, 0x101}, {kStreamMpeg1Audio, 0x102}};
  c.services = {tv};
  DataSourceConfig gen;
  gen.pid = 0x200;
  gen.datagramsPerSecond = 50;
  gen.payloadSize = 200;
  gen.destinationAddress = 0x0A000009;  // unicast: the station address goes into the section
  c.sources = {gen};
  return c;
}

TEST(TransportStreamMux, FillsTheMuxRateWithNullPacketsSlotBySlot) {
  TransportStreamMux mux(tvAndData(), kStart, kStation);
  Recorder out;
  mux.step(kStart + 1'000'000, out);
  // A slot every 188 * 8 / 2e6 s = 752 us: slots 0..1329 lie within the second.
  EXPECT_EQ(out.packets.size(), 1330u);
  EXPECT_EQ(mux.stats().packets, 1330u);
  EXPECT_GT(out.byPid[kNullPid], 1000);
  EXPECT_EQ(uint64_t(out.byPid[kNullPid]), mux.stats().nullPackets);
  EXPECT_EQ(out.byPid[0x0000], 10);  // PAT every 100 ms: at 0, 100, ..., 900 ms
  EXPECT_EQ(out.byPid[0x0011], 10);
  EXPECT_EQ(out.byPid[0x0100], 10);
  EXPECT_EQ(out.byPid[0x0101], 25);  // video every 40 ms, one packet each
  mux.step(kStart + 1'000'000, out);
  EXPECT_EQ(out.packets.size(), 1330u);  // nothing more is due
}

TEST(TransportStreamMux, SameClockGivesTheSameStream) {
  TransportStreamMux a(tvAndData(), kStart, kStation), b(tvAndData(), kStart, kStation);
  Recorder ra, rb;
  uint64_t t = kStart;
  for (; t + 33'333 < kStart + 500'000; t += 33'333) a.step(t, ra);  // in pieces
  b.step(t - 33'333, rb);                                             // at once
  EXPECT_GT(ra.packets.size(), 600u);
  EXPECT_EQ(ra.packets, rb.packets);
}

TEST(TransportStreamMux, PcrFollowsTheClockOnThePcrPid) {
  TransportStreamMux mux(tvAndData(), kStart, kStation);
  Recorder out;
  mux.step(kStart + 200'000, out);
  std::vector<std::pair<size_t, uint64_t>> pcrs;
  for (size_t i = 0; i < out.packets.size(); ++i) {
    TsHeader h = parseTsHeader(out.packets[i]);
    if (h.pcr) {
      EXPECT_EQ(h.pid, 0x101);
      pcrs.push_back({i, *h.pcr});
    }
  }
  ASSERT_GE(pcrs.size(), 5u);
  for (const auto& [slot, pcr] : pcrs) EXPECT_EQ(pcr, pcrAt(mux.slotMicroseconds(slot)));
}

TEST(TransportStreamMux, GeneratorDatagramsArriveAsMpeSectionsWithSequenceNumbers) {
  TransportStreamMux mux(tvAndData(), kStart, kStation);
  Collector entries;
  CardDemux demux(entries);
  demux.setPid(0x200, 3);
  mux.step(kStart + 1'000'000 - 1, demux);
  ASSERT_EQ(entries.entries.size(), 50u);
  for (size_t i = 0; i < entries.entries.size(); ++i) {
    const auto& s = entries.entries[i].payload;
    EXPECT_EQ(s[3], kStation[5]);  // MAC_address_6
    EXPECT_EQ(s[11], kStation[0]);
    const uint8_t* udpPayload = s.data() + 12 + 28;
    uint32_t sequence = uint32_t(udpPayload[0] << 24 | udpPayload[1] << 16 | udpPayload[2] << 8 | udpPayload[3]);
    EXPECT_EQ(sequence, i);
    auto expected = UdpGenerator::payload(uint32_t(i), kStart + i * 20'000, 200);
    EXPECT_EQ(std::vector<uint8_t>(udpPayload, udpPayload + 200), expected);
  }
}

TEST(TransportStreamMux, DataBeyondTheMuxRateIsQueuedThenDroppedAndCounted) {
  auto c = tvAndData();
  c.sources[0].datagramsPerSecond = 5000;  // ~ 7.6 Mbit/s into 2 Mbit/s
  c.sources[0].payloadSize = 1400;
  TransportStreamMux mux(c, kStart, kStation);
  Recorder out;
  mux.step(kStart + 1'000'000, out);
  EXPECT_EQ(out.packets.size(), 1330u);
  EXPECT_GT(mux.stats().droppedPackets, 0u);
  EXPECT_GT(mux.stats().psiPackets, 0u);  // the tables still get their slots
}

TEST(TransportStreamMux, FarBehindTheClockItSkipsInsteadOfReplayingTheGap) {
  TransportStreamMux mux(tvAndData(), kStart, kStation);
  Recorder out;
  mux.step(kStart + 3600'000'000ull, out);
  EXPECT_LE(out.packets.size(), 2u * 1330 + 1);  // the last two seconds only
  EXPECT_GT(mux.stats().skippedSlots, 4'000'000u);
}

TEST(TransportStreamMux, UplinkPayloadsGoOutAsUdpToTheConfiguredDestination) {
  auto c = tvAndData();
  DataSourceConfig up;
  up.kind = DataSourceConfig::Kind::Uplink;
  up.pid = 0x300;
  up.encapsulation = Encapsulation::StuffedPes;
  up.destinationAddress = 0xEF010203;
  up.destinationPort = 6000;
  c.sources = {up};
  TransportStreamMux mux(c, kStart, kStation);
  ASSERT_EQ(mux.sources().size(), 1u);
  ASSERT_TRUE(mux.sources()[0].ok) << mux.sources()[0].error;
  uint16_t port = mux.sources()[0].uplinkPort;
  ASSERT_NE(port, 0);

  int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(port);
  to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  const char text[] = "hello uplink \x7d\x7e";
  ASSERT_EQ(::sendto(fd, text, sizeof text, 0, reinterpret_cast<sockaddr*>(&to), sizeof to), ssize_t(sizeof text));
  ::close(fd);

  Collector entries;
  CardDemux demux(entries);
  demux.setPid(0x300, 5);
  for (int i = 0; i < 50 && entries.entries.empty(); ++i) {
    mux.step(kStart + 10'000 * uint64_t(i + 1), demux);
    if (entries.entries.empty()) ::usleep(2000);  // the datagram crosses the loopback
  }
  ASSERT_EQ(entries.entries.size(), 1u);
  auto stuffed = entries.entries[0].payload;
  std::vector<uint8_t> d;
  for (size_t i = 9; i < stuffed.size() && stuffed[i] != 0x7E; ++i) {
    d.push_back(stuffed[i] == 0x7D ? uint8_t(stuffed[++i] | 0x70) : stuffed[i]);
  }
  ASSERT_EQ(d.size(), 28 + sizeof text);
  EXPECT_EQ(Ipv4Datagram::destinationOf(d), 0xEF010203u);
  EXPECT_EQ(d[22] << 8 | d[23], 6000);
  EXPECT_EQ(std::vector<uint8_t>(d.begin() + 28, d.end()), std::vector<uint8_t>(text, text + sizeof text));
}

TEST(TransportStreamMux, UplinkOnABusyPortReportsTheError) {
  int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
  sockaddr_in at{};
  at.sin_family = AF_INET;
  at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&at), sizeof at), 0);
  socklen_t length = sizeof at;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&at), &length);
  auto c = tvAndData();
  c.sources[0].kind = DataSourceConfig::Kind::Uplink;
  c.sources[0].uplinkPort = ntohs(at.sin_port);
  TransportStreamMux mux(c, kStart, kStation);
  ::close(fd);
  ASSERT_EQ(mux.sources().size(), 1u);
  EXPECT_FALSE(mux.sources()[0].ok);
  EXPECT_NE(mux.sources()[0].error.find("uplink port"), std::string::npos);
}

// A recording: PID 0x700 with a PCR packet every 10th packet, at 1 Mbit/s.
std::vector<uint8_t> recording(size_t packets, bool withPcr) {
  std::vector<uint8_t> bytes;
  PesPacketizer packetizer(0x700);
  for (size_t i = 0; i < packets; ++i) {
    std::optional<uint64_t> pcr;
    if (withPcr && i % 10 == 0) pcr = i * 188 * 8 * 27;  // 1 Mbit/s: 1504 us per packet
    TsPacket p = buildTsPacket({0x700, false, uint8_t(i), 0, pcr}, std::vector<uint8_t>(184, uint8_t(i)));
    bytes.insert(bytes.end(), p.begin(), p.end());
  }
  return bytes;
}

TEST(TransportStreamMux, RecordedFilePlaysAtItsPcrRateAndLoops) {
  std::string path = ::testing::TempDir() + "cv7-recording.ts";
  auto bytes = recording(100, true);
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  auto c = tvAndData();
  c.sources[0].kind = DataSourceConfig::Kind::TsFile;
  c.sources[0].tsFile = path;
  TransportStreamMux mux(c, kStart, kStation);
  ASSERT_TRUE(mux.sources()[0].ok) << mux.sources()[0].error;
  Recorder out;
  mux.step(kStart + 1'000'000, out);
  // 1 Mbit/s for a second: 665 packets, the 100-packet file six times and more.
  EXPECT_NEAR(out.byPid[0x700], 665, 2);
  std::remove(path.c_str());
}

TEST(TransportStreamMux, RecordedFileWithoutPcrTakesEverySlotAndBadFilesAreRefused) {
  TsFilePlayer player(recording(20, false), 2'000'000, kStart);
  ASSERT_TRUE(player.ok());
  EXPECT_FALSE(player.rateFromPcr());
  std::deque<QueuedPacket> queue;
  player.fill(kStart + 752 * 9, queue);
  EXPECT_EQ(queue.size(), 10u);

  auto truncated = recording(3, false);
  truncated.pop_back();
  EXPECT_FALSE(TsFilePlayer(truncated, 2'000'000, kStart).ok());
  auto unsynced = recording(3, false);
  unsynced[188] = 0x00;
  TsFilePlayer lost(unsynced, 2'000'000, kStart);
  EXPECT_FALSE(lost.ok());
  EXPECT_NE(lost.error().find("sync"), std::string::npos);
  EXPECT_FALSE(TsFilePlayer("/nonexistent/cv7.ts", 2'000'000, kStart).ok());
}

}  // namespace
}  // namespace cv7::sim
