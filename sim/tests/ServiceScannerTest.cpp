// The channel search: program tables read from the multiplex on a virtual clock, turned into
// the card's program table reply; timeouts, cancel, corrupt and malformed sections.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "ts/PsiBuilder.h"
#include "ts/SectionPacketizer.h"
#include "ts/ServiceScanner.h"
#include "ts/TransportStreamMux.h"

namespace cv7::sim {
namespace {

constexpr uint64_t kStart = 1'000'000;
constexpr uint32_t kFrequency = 11'778'000;
constexpr uint32_t kSymbolRate = 27'500;
const std::array<uint8_t, 6> kStation{0x00, 0x00, 0x5F, 0x63, 0x6A, 0x01};
const std::string kLongName = "A service name that is longer than thirty bytes";

ServiceConfig service(uint16_t number, std::string name, std::vector<ElementaryStream> streams,
                      uint16_t pcrPid = 0x1FFF) {
  ServiceConfig s;
  s.programNumber = number;
  s.pmtPid = uint16_t(0x100 + number);
  s.pcrPid = pcrPid;
  s.name = std::move(name);
  s.streams = std::move(streams);
  return s;
}

TransportStreamConfig mixedStream() {
  TransportStreamConfig c;
  c.transportStreamId = 0x0ABC;
  c.muxRateBitsPerSecond = 2'000'000;
  c.psiRepetitionMs = 100;
  c.services = {
      service(1, "Alpha TV",
              {{kStreamMpeg2Video, 0x0901}, {kStreamMpeg1Audio, 0x0902}, {kStreamMpeg2Audio, 0x0903},
               {kStreamPesPrivateData, 0x0904}},
              0x0901),
      service(2, "Beta", {{kStreamPesPrivateData, 0x0A01}, {kStreamMpeg2Video, 0x0A02}}, 0x0A02),
      service(3, "", {{kStreamPrivateSections, 0x0B01}, {kStreamDsmccTypeD, 0x0B02}}),
      service(4, "Radio", {{kStreamMpeg2Audio, 0x0C01}}, 0x0C01),
      service(5, "Eight", {}),
      service(6, "Locked", {{kStreamMpeg2Video, 0x0E01}, {kStreamMpeg1Audio, 0x0E02}}, 0x0E01),
      service(7, kLongName, {{kStreamPrivateSections, 0x0F01}}),
  };
  for (uint16_t i = 0; i < 8; ++i) c.services[4].streams.push_back({kStreamMpeg1Audio, uint16_t(0x0D01 + i)});
  c.services[5].scrambled = true;
  return c;
}

// Passes packets on, letting a test drop or damage some on the way.
struct Tap : PacketSink {
  explicit Tap(PacketSink& next) : next(next) {}
  void packet(const TsPacket& p) override {
    TsPacket copy = p;
    if (!edit || edit(copy)) next.packet(copy);
  }
  PacketSink& next;
  std::function<bool(TsPacket&)> edit;  // false: drop the packet
};

const ProgramEntry* find(const ProgramTableReply& reply, uint16_t program) {
  for (const auto& p : reply.programs) {
    if (p.programNumber == program) return &p;
  }
  return nullptr;
}

TEST(ServiceScanner, FinishesOnlyOnceTheTablesOfARepetitionHaveBeenSeen) {
  TransportStreamMux mux(mixedStream(), kStart, kStation);
  ServiceScanner scanner;
  mux.step(kStart + 5'000, scanner);  // the first repetition's PAT goes by before the search
  scanner.start(kStart + 5'000, kFrequency, kSymbolRate);
  EXPECT_TRUE(scanner.running());
  mux.step(kStart + 99'000, scanner);
  EXPECT_FALSE(scanner.finished(kStart + 99'000));
  mux.step(kStart + 101'000, scanner);  // PAT and SDT of the second repetition, PMTs not all
  EXPECT_FALSE(scanner.finished(kStart + 101'000));
  mux.step(kStart + 150'000, scanner);
  EXPECT_TRUE(scanner.finished(kStart + 150'000));
  ProgramTableReply reply = scanner.result();
  EXPECT_EQ(reply.transportStreamId, 0x0ABC);
  EXPECT_EQ(reply.frequencyKHz, kFrequency);
  EXPECT_EQ(reply.symbolRate, kSymbolRate);
  ASSERT_EQ(reply.programs.size(), 7u);
  for (size_t i = 0; i < 7; ++i) {
    EXPECT_EQ(reply.programs[i].programNumber, i + 1);  // PAT order
    EXPECT_EQ(reply.programs[i].pmtPid, 0x101 + i);
  }
  EXPECT_EQ(scanner.stats().crcErrors, 0u);
  EXPECT_EQ(scanner.stats().malformed, 0u);
}

TEST(ServiceScanner, ClassifiesStreamsNamesAndScrambling) {
  TransportStreamMux mux(mixedStream(), kStart, kStation);
  ServiceScanner scanner;
  scanner.start(kStart, kFrequency, kSymbolRate);
  mux.step(kStart + 1'000'000, scanner);
  ASSERT_TRUE(scanner.finished(kStart + 1'000'000));
  ProgramTableReply reply = scanner.result();

  const ProgramEntry* tv = find(reply, 1);
  ASSERT_TRUE(tv && tv->service);
  EXPECT_EQ(tv->service->name, "Alpha TV");
  EXPECT_EQ(tv->service->videoPid, 0x0901);
  EXPECT_EQ(tv->service->audioPids, (std::vector<uint16_t>{0x0902, 0x0903}));
  EXPECT_EQ(tv->service->pcrPid, 0x0901);
  EXPECT_EQ(tv->service->scrambled, 0);
  ASSERT_EQ(tv->streams.size(), 1u);
  EXPECT_EQ(tv->streams[0].pid, 0x0904);
  EXPECT_EQ(tv->streams[0].type, 5);

  const ProgramEntry* pesFirst = find(reply, 2);
  ASSERT_TRUE(pesFirst && pesFirst->service);
  EXPECT_EQ(pesFirst->service->videoPid, 0x0A02);
  ASSERT_EQ(pesFirst->streams.size(), 1u);
  EXPECT_EQ(pesFirst->streams[0].pid, 0x0A01);

  const ProgramEntry* data = find(reply, 3);  // no audio, no video, no name: no service block
  ASSERT_TRUE(data);
  EXPECT_FALSE(data->service);
  ASSERT_EQ(data->streams.size(), 2u);
  EXPECT_EQ(data->streams[0].pid, 0x0B01);
  EXPECT_EQ(data->streams[0].type, 3);
  EXPECT_EQ(data->streams[1].pid, 0x0B02);
  EXPECT_EQ(data->streams[1].type, 3);

  const ProgramEntry* radio = find(reply, 4);
  ASSERT_TRUE(radio && radio->service);
  EXPECT_EQ(radio->service->videoPid, 0xFFFF);
  EXPECT_EQ(radio->service->audioPids, (std::vector<uint16_t>{0x0C01}));
  EXPECT_TRUE(radio->streams.empty());

  const ProgramEntry* eight = find(reply, 5);
  ASSERT_TRUE(eight && eight->service);
  EXPECT_EQ(eight->service->audioPids.size(), 8u);
  EXPECT_EQ(eight->service->audioPids.back(), 0x0D08);

  const ProgramEntry* locked = find(reply, 6);
  ASSERT_TRUE(locked && locked->service);
  EXPECT_EQ(locked->service->scrambled, 1);

  const ProgramEntry* named = find(reply, 7);  // data only, but named in the SDT
  ASSERT_TRUE(named && named->service);
  EXPECT_EQ(named->service->name, kLongName.substr(0, 30));
  EXPECT_EQ(named->service->videoPid, 0xFFFF);
  ASSERT_EQ(named->streams.size(), 1u);
}

TEST(ServiceScanner, KeepsTheHostsLimitsOnProgramsAndComponents) {
  TransportStreamConfig c;
  c.muxRateBitsPerSecond = 10'000'000;
  for (uint16_t i = 1; i <= 120; ++i) {
    c.services.push_back(service(i, "", {{kStreamPrivateSections, uint16_t(0x1000 + i)}}));
  }
  c.services[0].streams = {{kStreamMpeg1Audio, 0x0FFF}};
  for (uint16_t i = 0; i < 100; ++i) c.services[0].streams.push_back({kStreamPesPrivateData, uint16_t(0x0E00 + i)});
  TransportStreamMux mux(c, kStart, kStation);
  ServiceScanner scanner;
  scanner.start(kStart, kFrequency, kSymbolRate);
  mux.step(kStart + 500'000, scanner);
  ASSERT_TRUE(scanner.finished(kStart + 500'000));  // SDT in two sections, both seen
  ProgramTableReply reply = scanner.result();
  ASSERT_EQ(reply.programs.size(), 99u);
  EXPECT_EQ(reply.programs.back().programNumber, 99);
  ASSERT_TRUE(reply.programs[0].service);
  EXPECT_EQ(reply.programs[0].streams.size(), 99u - 2u);  // service block + one audio
  EXPECT_EQ(reply.programs[0].streams.back().pid, 0x0E00 + 96);
}

TEST(ServiceScanner, CancelStopsTheSearchAndStartBeginsAfresh) {
  TransportStreamMux mux(mixedStream(), kStart, kStation);
  ServiceScanner scanner;
  scanner.start(kStart, kFrequency, kSymbolRate);
  mux.step(kStart + 2'000, scanner);
  scanner.cancel();
  EXPECT_FALSE(scanner.running());
  uint64_t packets = scanner.stats().packets;
  mux.step(kStart + 300'000, scanner);
  EXPECT_EQ(scanner.stats().packets, packets);
  EXPECT_FALSE(scanner.finished(kStart + 10'000'000));

  scanner.start(kStart + 300'000, 12'000'000, 22'000);
  EXPECT_FALSE(scanner.finished(kStart + 300'000));
  EXPECT_TRUE(scanner.result().programs.empty());
  mux.step(kStart + 450'000, scanner);
  ASSERT_TRUE(scanner.finished(kStart + 450'000));
  EXPECT_EQ(scanner.result().programs.size(), 7u);
  EXPECT_EQ(scanner.result().frequencyKHz, 12'000'000u);
}

TEST(ServiceScanner, StreamWithoutProgramTablesTimesOutEmpty) {
  ServiceScanner scanner;
  scanner.start(kStart, kFrequency, kSymbolRate);
  for (int i = 0; i < 1000; ++i) scanner.packet(nullTsPacket());
  EXPECT_FALSE(scanner.finished(kStart + ServiceScanner::kTimeoutMicroseconds - 1));
  EXPECT_TRUE(scanner.finished(kStart + ServiceScanner::kTimeoutMicroseconds));
  ProgramTableReply reply = scanner.result();
  EXPECT_TRUE(reply.programs.empty());
  EXPECT_EQ(reply.transportStreamId, 0);
  EXPECT_EQ(reply.frequencyKHz, kFrequency);
  EXPECT_EQ(reply.encode().front(), 0);  // no programs
}

TEST(ServiceScanner, ProgramWhosePmtNeverComesIsLeftOutAtTheTimeout) {
  TransportStreamMux mux(mixedStream(), kStart, kStation);
  ServiceScanner scanner;
  Tap tap(scanner);
  tap.edit = [](TsPacket& p) { return parseTsHeader(p).pid != 0x104; };  // program 4's PMT
  scanner.start(kStart, kFrequency, kSymbolRate);
  mux.step(kStart + 1'000'000, tap);
  EXPECT_FALSE(scanner.finished(kStart + 1'000'000));
  ASSERT_TRUE(scanner.finished(kStart + ServiceScanner::kTimeoutMicroseconds));
  ProgramTableReply reply = scanner.result();
  EXPECT_EQ(reply.programs.size(), 6u);
  EXPECT_FALSE(find(reply, 4));
  mux.step(kStart + 2'000'000, scanner);  // the result no longer changes once finished
  EXPECT_EQ(scanner.result().programs.size(), 6u);
}

TEST(ServiceScanner, IgnoresSectionsWithABadCrc) {
  TransportStreamMux mux(mixedStream(), kStart, kStation);
  ServiceScanner scanner;
  Tap tap(scanner);
  int damaged = 0;
  tap.edit = [&](TsPacket& p) {
    if (parseTsHeader(p).pid == kPatPid && damaged++ == 0) p[10] ^= 0x01;  // a program number
    return true;
  };
  scanner.start(kStart, kFrequency, kSymbolRate);
  mux.step(kStart + 90'000, tap);
  EXPECT_FALSE(scanner.finished(kStart + 90'000));
  EXPECT_EQ(scanner.stats().crcErrors, 1u);
  mux.step(kStart + 190'000, tap);
  ASSERT_TRUE(scanner.finished(kStart + 190'000));
  EXPECT_EQ(scanner.result().programs.size(), 7u);
  EXPECT_EQ(scanner.result().programs[0].programNumber, 1);
}

// Tables built by hand, for what the multiplexer never sends.
struct HandFed {
  HandFed() { scanner.start(kStart, kFrequency, kSymbolRate); }
  void send(uint16_t pid, const std::vector<uint8_t>& section) {
    auto [it, inserted] = packetizers.try_emplace(pid, pid);
    std::vector<TsPacket> packets;
    it->second.packetize(section, packets);
    for (const auto& p : packets) scanner.packet(p);
  }
  ServiceScanner scanner;
  std::map<uint16_t, SectionPacketizer> packetizers;
};

TEST(ServiceScanner, ScrambledByElementaryCaDescriptorOrFreeCaMode) {
  HandFed fed;
  TransportStreamConfig c;
  c.services = {service(1, "One", {}), service(2, "Two", {{kStreamMpeg2Video, 0x0A01}})};
  for (const auto& s : PsiBuilder::pat(c)) fed.send(kPatPid, s);
  // Program 1: the CA descriptor is on the audio stream, not in the program info.
  std::vector<uint8_t> body = {0xE0, 0x11, 0xF0, 0x00, kStreamMpeg1Audio, 0xE2, 0x22, 0xF0, 0x06,
                               PsiBuilder::kCaDescriptorTag, 4, 0x0B, 0x00, 0xFF, 0xFE};
  fed.send(0x101, PsiBuilder::longSection(PsiBuilder::kPmtTableId, 1, 0, 0, 0, body));
  fed.send(0x102, PsiBuilder::pmt(c.services[1])[0]);
  c.services[1].scrambled = true;  // only the SDT says so: free_CA_mode
  for (const auto& s : PsiBuilder::sdt(c)) fed.send(kSdtPid, s);
  ASSERT_TRUE(fed.scanner.finished(kStart));
  ProgramTableReply reply = fed.scanner.result();
  ASSERT_EQ(reply.programs.size(), 2u);
  ASSERT_TRUE(reply.programs[0].service && reply.programs[1].service);
  EXPECT_EQ(reply.programs[0].service->scrambled, 1);
  EXPECT_EQ(reply.programs[0].service->audioPids, (std::vector<uint16_t>{0x0222}));
  EXPECT_EQ(reply.programs[1].service->scrambled, 1);
  EXPECT_EQ(reply.programs[1].service->name, "Two");
}

TEST(ServiceScanner, RefusesAPmtWhoseLoopsRunPastTheSection) {
  HandFed fed;
  TransportStreamConfig c;
  c.services = {service(1, "One", {{kStreamMpeg2Video, 0x0901}})};
  for (const auto& s : PsiBuilder::pat(c)) fed.send(kPatPid, s);
  for (const auto& s : PsiBuilder::sdt(c)) fed.send(kSdtPid, s);
  // A valid CRC, but the ES info length claims more bytes than the section holds.
  std::vector<uint8_t> body = {0xE0, 0x11, 0xF0, 0x00, kStreamMpeg2Video, 0xE0, 0x11, 0xF0, 0x40, 0x00};
  fed.send(0x101, PsiBuilder::longSection(PsiBuilder::kPmtTableId, 1, 0, 0, 0, body));
  EXPECT_FALSE(fed.scanner.finished(kStart));
  EXPECT_EQ(fed.scanner.stats().malformed, 1u);
  fed.send(0x101, PsiBuilder::pmt(c.services[0])[0]);
  ASSERT_TRUE(fed.scanner.finished(kStart));
  ASSERT_EQ(fed.scanner.result().programs.size(), 1u);
  EXPECT_EQ(fed.scanner.result().programs[0].service->videoPid, 0x0901);
}

TEST(ServiceScanner, ResultEncodesInTheHostsWireOrder) {
  TransportStreamConfig c;
  c.transportStreamId = 0x0401;
  c.muxRateBitsPerSecond = 2'000'000;
  c.services = {service(0x65, "Data", {{kStreamMpeg1Audio, 0x0112}, {kStreamPrivateSections, 0x0200}}, 0x0112)};
  TransportStreamMux mux(c, kStart, kStation);
  ServiceScanner scanner;
  scanner.start(kStart, kFrequency, kSymbolRate);
  mux.step(kStart + 200'000, scanner);
  ASSERT_TRUE(scanner.finished(kStart + 200'000));
  std::vector<uint8_t> expected = {
      1,                       // programs
      0x04, 0x01, 0x00, 0x65,  // transport stream id, program number
      0x01, 0x65,              // PMT PID 0x165
      1,                       // service block follows
      4, 'D', 'a', 't', 'a',   // name
      0xFF, 0xFF,              // no video
      1, 0x01, 0x12,           // one audio PID
      0x01, 0x12,              // PCR PID
      0, 0,                    // not scrambled, reserved
      1, 0x02, 0x00, 3,        // one MPE data stream
      0x00, 0xB3, 0xB7, 0xD0,  // 11 778 000 kHz
      0x00, 0x00, 0x6B, 0x6C,  // 27 500
  };
  EXPECT_EQ(scanner.result().encode(), expected);
}

}  // namespace
}  // namespace cv7::sim
