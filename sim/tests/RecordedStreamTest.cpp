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
#include "ts/ServiceScanner.h"
#include "ts/TransportStreamMux.h"

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

}  // namespace
}  // namespace cv7::sim
