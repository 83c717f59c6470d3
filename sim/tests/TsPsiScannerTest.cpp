// The card's PSI parser on the multiplex: the programs it reports for the program table.
#include <gtest/gtest.h>

#include "ts/PsiBuilder.h"
#include "ts/PsiScanner.h"
#include "ts/SectionPacketizer.h"
#include "ts/TransportStreamMux.h"

namespace cv7::sim {
namespace {

TransportStreamConfig services() {
  TransportStreamConfig c;
  c.transportStreamId = 77;
  c.muxRateBitsPerSecond = 1'000'000;
  ServiceConfig tv;
  tv.programNumber = 10;
  tv.pmtPid = 0x100;
  tv.pcrPid = 0x101;
  tv.name = "News";
  tv.streams = {{kStreamMpeg2Video, 0x101}, {kStreamMpeg1Audio, 0x102}, {kStreamMpeg2Audio, 0x103}};
  ServiceConfig data;
  data.programNumber = 11;
  data.pmtPid = 0x110;
  data.scrambled = true;
  data.name = "Data";
  data.streams = {{kStreamDsmccTypeD, 0x300}, {kStreamPesPrivateData, 0x301}, {kStreamPrivateSections, 0x302}};
  c.services = {tv, data};
  return c;
}

TEST(PsiScanner, ReportsProgramsWithServicesAndDataStreamsFromTheMultiplex) {
  TransportStreamMux mux(services(), 1'000'000, {});
  PsiScanner scanner;
  EXPECT_FALSE(scanner.complete());
  mux.step(1'050'000, scanner);
  ASSERT_TRUE(scanner.complete());
  EXPECT_EQ(scanner.transportStreamId(), 77);
  auto programs = scanner.programs();
  ASSERT_EQ(programs.size(), 2u);
  EXPECT_EQ(programs[0].programNumber, 10);
  EXPECT_EQ(programs[0].pmtPid, 0x100);
  ASSERT_TRUE(programs[0].service.has_value());
  EXPECT_EQ(programs[0].service->name, "News");
  EXPECT_EQ(programs[0].service->videoPid, 0x101);
  EXPECT_EQ(programs[0].service->audioPids, (std::vector<uint16_t>{0x102, 0x103}));
  EXPECT_EQ(programs[0].service->pcrPid, 0x101);
  EXPECT_EQ(programs[0].service->scrambled, 0);
  EXPECT_TRUE(programs[0].streams.empty());
  EXPECT_EQ(programs[1].service->videoPid, 0xFFFF);
  EXPECT_EQ(programs[1].service->scrambled, 1);
  ASSERT_EQ(programs[1].streams.size(), 3u);
  EXPECT_EQ(programs[1].streams[0].pid, 0x300);
  EXPECT_EQ(programs[1].streams[0].type, 3);
  EXPECT_EQ(programs[1].streams[1].type, 5);
  EXPECT_EQ(programs[1].streams[2].type, 3);
}

TEST(PsiScanner, IgnoresATruncatedTableBodyAndCountsIt) {
  PsiScanner scanner;
  // A PAT whose program loop ends in the middle of an entry (the CRC is right).
  auto pat = PsiBuilder::longSection(0x00, 1, 0, 0, 0, {0x00, 0x0A, 0xE1});
  SectionPacketizer packetizer(0);
  std::vector<TsPacket> packets;
  packetizer.packetize(pat, packets);
  for (auto& p : packets) scanner.packet(p);
  EXPECT_EQ(scanner.malformedTables(), 1u);
  EXPECT_TRUE(scanner.programs().empty());
}

}  // namespace
}  // namespace cv7::sim
