// A transport stream recorded from the simulated multiplex (sim/tests/data/recorded-services.ts)
// played back through the recorded-file source gives the card's search the same program
// table as the live multiplex it was recorded from.
//
// The recording is made by the disabled test below:
//   CV7_RECORD=sim/tests/data/recorded-services.ts cv7sim_tests
//     --gtest_also_run_disabled_tests --gtest_filter='*RecordTheFixture'
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "ProgramTableReply.h"
#include "ts/CardDemux.h"
#include "ts/Ipv4Datagram.h"
#include "ts/MpeEncapsulator.h"
#include "ts/SectionPacketizer.h"
#include "ts/ServiceScanner.h"
#include "ts/TransportStreamMux.h"
#include "ts/TsFilePlayer.h"

namespace cv7::sim {
namespace {

const std::array<uint8_t, 6> kStation{0, 0, 0x5F, 0x63, 0x6A, 1};
constexpr uint64_t kStart = 1'000'000;

// The multiplex that was recorded: a TV service, a radio service, a data service.
TransportStreamConfig recordedConfig() {
  TransportStreamConfig c;
  c.transportStreamId = 0x0421;
  c.muxRateBitsPerSecond = 1'000'000;
  c.psiRepetitionMs = 100;
  ServiceConfig tv{1, 0x100, 0x101, false, "Recorded TV", "Corvane", {{kStreamMpeg2Video, 0x101}, {kStreamMpeg1Audio, 0x102}, {kStreamMpeg1Audio, 0x103}}};
  ServiceConfig radio{2, 0x110, 0x111, false, "Recorded Radio", "Corvane", {{kStreamMpeg2Audio, 0x111}}};
  ServiceConfig data{3, 0x120, 0x1FFF, false, "Recorded Data", "Corvane", {{kStreamDsmccTypeD, 0x500}}};
  c.services = {tv, radio, data};
  DataSourceConfig beacon;
  beacon.pid = 0x500;
  beacon.datagramsPerSecond = 20;
  beacon.payloadSize = 100;
  beacon.destinationAddress = 0xEF010203;
  c.sources = {beacon};
  return c;
}

struct Recorder final : PacketSink {
  std::vector<uint8_t> bytes;
  void packet(const TsPacket& p) override { bytes.insert(bytes.end(), p.begin(), p.end()); }
};

ProgramTableReply search(const TransportStreamConfig& config) {
  TransportStreamMux mux(config, kStart, kStation);
  ServiceScanner scanner;
  scanner.start(kStart, 12000000, 27500);
  uint64_t now = kStart;
  while (!scanner.finished(now) && now < kStart + 6'000'000) {
    now += 10'000;
    mux.step(now, scanner);
  }
  return scanner.result();
}

std::string fixturePath() { return std::string(CV7_SIM_TEST_DATA) + "/recorded-services.ts"; }

TEST(RecordedStream, DISABLED_RecordTheFixture) {
  const char* path = std::getenv("CV7_RECORD");
  ASSERT_NE(path, nullptr);
  TransportStreamMux mux(recordedConfig(), kStart, kStation);
  Recorder recorder;
  mux.step(kStart + 350'000, recorder);
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(recorder.bytes.data()),
                                              std::streamsize(recorder.bytes.size()));
}

TEST(RecordedStream, PlaybackGivesTheSameProgramTableAsTheLiveMultiplex) {
  ProgramTableReply live = search(recordedConfig());
  ASSERT_EQ(live.programs.size(), 3u);

  TransportStreamConfig playback;
  playback.transportStreamId = 0x0421;
  playback.muxRateBitsPerSecond = 2'000'000;
  DataSourceConfig file;
  file.kind = DataSourceConfig::Kind::TsFile;
  file.tsFile = fixturePath();
  playback.sources = {file};
  ProgramTableReply recorded = search(playback);

  EXPECT_EQ(recorded.transportStreamId, live.transportStreamId);
  EXPECT_EQ(recorded.encode(), live.encode());
  ASSERT_EQ(recorded.programs.size(), 3u);
  ASSERT_TRUE(recorded.programs[0].service.has_value());
  EXPECT_EQ(recorded.programs[0].service->name, "Recorded TV");
  EXPECT_EQ(recorded.programs[0].service->audioPids.size(), 2u);
  ASSERT_EQ(recorded.programs[2].streams.size(), 1u);
  EXPECT_EQ(recorded.programs[2].streams[0].type, 3);  // MPE data
}

struct EntryCounter final : EntrySink {
  std::vector<RingEntry> entries;
  void submit(const EntryView& entry) override { entries.push_back(RingEntry::copyOf(entry)); }
};

// A recording of MPE datagram sections on one PID whose packet count is 1 more than a multiple
// of 16, so that its first and last packets carry the same continuity counter, as a real
// recording of 5281 packets on one PID does.
std::vector<uint8_t> recordingWithRepeatedCounterAtItsLoop(size_t& sections) {
  SectionPacketizer packetizer(0x500);
  std::vector<TsPacket> packets;
  sections = 0;
  while (packets.size() < 32 || packets.size() % 16 != 1) {
    std::vector<uint8_t> payload(60 + 37 * sections, uint8_t(sections));
    auto datagram = Ipv4Datagram::udp({0x0A000001, 4000, 0xEF010203, 5000}, uint16_t(sections), payload);
    packetizer.packetize(*MpeEncapsulator::section(*datagram, {1, 0, 0x5E, 1, 2, 3}), packets);
    ++sections;
  }
  std::vector<uint8_t> bytes;
  for (const auto& p : packets) bytes.insert(bytes.end(), p.begin(), p.end());
  return bytes;
}

TEST(RecordedStream, RecordingLoopedTenTimesDeliversEveryDatagramOfEveryPass) {
  size_t sections = 0;
  std::vector<uint8_t> bytes = recordingWithRepeatedCounterAtItsLoop(sections);
  const size_t packets = bytes.size() / kTsPacketSize;
  ASSERT_EQ(bytes[3] & 0x0F, bytes[bytes.size() - kTsPacketSize + 3] & 0x0F);  // the same counter
  TsFilePlayer player(std::move(bytes), 1'504'000, 0);  // one packet a millisecond
  ASSERT_TRUE(player.ok()) << player.error();
  EntryCounter sink;
  CardDemux demux(sink);
  ASSERT_TRUE(demux.setPid(0x500, CardDemux::kKindMpe));
  std::deque<QueuedPacket> queue;
  for (uint64_t now = 0; now < uint64_t(10 * packets) * 1000; now += 100'000) {
    player.fill(now, queue);
    for (; !queue.empty(); queue.pop_front()) demux.packet(queue.front().bytes);
  }
  player.fill(uint64_t(10 * packets - 1) * 1000, queue);
  for (; !queue.empty(); queue.pop_front()) demux.packet(queue.front().bytes);
  ASSERT_EQ(player.loops(), 10u);
  EXPECT_EQ(sink.entries.size(), 10 * sections);
  for (size_t i = 0; i < sink.entries.size(); ++i) {
    ASSERT_EQ(sink.entries[i].payload[12 + 20 + 8], uint8_t(i % sections)) << "entry " << i;
  }
  EXPECT_EQ(demux.stats().duplicates, 0u);
  EXPECT_EQ(demux.stats().continuityErrors, 9u);  // each loop point
}

}  // namespace
}  // namespace cv7::sim
