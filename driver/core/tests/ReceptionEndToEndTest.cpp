// The whole receive chain on the virtual clock: the driver starts the simulated card
// (download, station address), tunes it through the command channel to a transponder of a
// sky written here, selects data PIDs, and the card's multiplex, demultiplexer and DMA feed
// the driver's receive path, which indicates the datagrams and fills the data ring.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "CardRegisters.h"
#include "CommandCodes.h"
#include "ControlCodes.h"
#include "FakePlatform.h"
#include "FirmwareImage.h"
#include "Miniport.h"
#include "sky/SkyParser.h"

namespace cv7::test {
namespace {

const char* kSky = R"({
  "satellites": [{
    "name": "TESTSAT", "orbitalPosition": "10.0E", "originalNetworkId": 7,
    "dish": {"diseqcPort": 1, "toneBurst": 0, "lnb": {"type": "universal"}},
    "transponders": [{
      "frequencyKHz": 11778000, "polarisation": "V", "symbolRateKsps": 27500, "transportStreamId": 77,
      "services": [
        {"programNumber": 10, "pmtPid": "0x0100", "name": "Data", "streams": [
          {"type": "dsmcc-d", "pid": "0x0500"}, {"type": "pes-private-data", "pid": "0x0520"}]}
      ],
      "sources": [
        {"kind": "generator", "pid": "0x0500", "encapsulation": "mpe", "datagramsPerSecond": 200,
         "payloadSize": 300, "destination": "239.1.2.3:5000", "source": "10.0.0.9:4000"},
        {"kind": "generator", "pid": "0x0520", "encapsulation": "stuffed-pes", "datagramsPerSecond": 100,
         "payloadSize": 700, "destination": "239.1.2.4:5001", "source": "10.0.0.9:4001"}
      ]
    }]
  }]
})";

class ReceptionEndToEnd : public ::testing::Test {
 protected:
  ReceptionEndToEnd() : platform(config()) {
    platform.addFile("corvane.bin", sim::FirmwareImage::buildDefault());
    miniport.driverEntry();
    const uint32_t media[] = {core::kMedium802_3};
    uint32_t selected = 0;
    EXPECT_EQ(miniport.initialize(media, 1, selected), core::NDIS_STATUS_SUCCESS);
  }
  ~ReceptionEndToEnd() override { miniport.halt(); }

  static sim::CardConfig config() {
    sim::CardConfig c;
    c.sky = std::make_shared<sim::Sky>(sim::parseSky(kSky, "test sky"));
    return c;
  }
  uint8_t* word(uint8_t* block, size_t at, uint32_t v) {
    std::memcpy(block + at, &v, 4);
    return block;
  }
  uint16_t command(uint8_t* block) {
    miniport.commandChannel().relay(block);
    return uint16_t(block[28] | (block[29] << 8));
  }
  void tune(uint32_t lo, uint32_t frequency, uint32_t symbolRate, uint8_t polarity, uint8_t band, uint8_t diseqc) {
    uint8_t block[32] = {cmd::CMD_TUNE};
    word(block, 8, lo);
    word(block, 12, frequency);
    word(block, 16, symbolRate);
    block[20] = polarity;
    block[21] = band;
    block[22] = 1;
    block[23] = 0;
    block[24] = diseqc;
    ASSERT_EQ(command(block), 1);
  }
  void selectPid(uint16_t pid, uint8_t kind) {
    uint8_t request[8] = {kind, 0, 0, 0, uint8_t(pid), uint8_t(pid >> 8), 0, 0};
    uint32_t returned = 0;
    ASSERT_EQ(miniport.control(ctl::IOCTL_CV7_ADD_PID, request, 8, 4, returned), core::STATUS_SUCCESS);
    ASSERT_EQ(request[0], 1);
    uint8_t block[32] = {cmd::CMD_SET_NETWORK_PID};
    block[8] = uint8_t(pid);
    block[9] = uint8_t(pid >> 8);
    block[10] = kind;
    ASSERT_EQ(command(block), 1);
  }
  // Runs the card and services its interrupt line, one millisecond at a time.
  void run(uint32_t milliseconds) {
    for (uint32_t ms = 0; ms < milliseconds; ++ms) {
      platform.clock().advance(1000);
      platform.card().advance();
      serveInterrupts();
    }
  }
  void serveInterrupts() {
    for (int guard = 0; platform.irqLevel && guard < 100000; ++guard) {
      bool recognised = false, queue = false;
      miniport.isr(recognised, queue);
      if (queue) miniport.handleInterrupt();
      platform.card().advance();
    }
  }
  size_t framesTo(uint8_t lastOctet) {
    size_t n = 0;
    for (const auto& f : platform.frames) {
      if (f.lookahead.size() >= 20 && f.lookahead[16] == 239 && f.lookahead[19] == lastOctet) ++n;
    }
    return n;
  }

  FakePlatform platform;
  core::Miniport miniport{platform};
};

TEST_F(ReceptionEndToEnd, SectionAndStuffedDatagramsOfSelectedPidsAreIndicated) {
  tune(10600000, 11778000, 27500, 1, 1, 1);  // the Universal LNB's high band, vertical
  selectPid(0x500, ctl::kKindMpe);
  selectPid(0x520, ctl::kKindStuffedStream);
  run(600);
  core::AdapterContext* adapter = miniport.adapter();
  EXPECT_EQ(adapter->stats.droppedUnrecognised.load(), 0u);
  size_t mpe = framesTo(3), stuffed = framesTo(4);
  EXPECT_GE(mpe, 90u);
  EXPECT_GE(stuffed, 40u);
  for (const auto& f : platform.frames) {
    ASSERT_EQ(f.header[0], 0x01);  // IPv4 multicast destination
    EXPECT_EQ(f.header[2], 0x5E);
    uint32_t total = (uint32_t(f.lookahead[2]) << 8) | f.lookahead[3];
    EXPECT_EQ(f.packetSize, total);
    EXPECT_EQ(f.lookahead[9], 17);  // UDP
  }
  // UDP payload sizes as generated: 300 and 700 bytes.
  for (const auto& f : platform.frames) {
    uint32_t total = f.packetSize;
    EXPECT_TRUE(total == 328 || total == 728) << total;
  }
}

TEST_F(ReceptionEndToEnd, NothingArrivesWithoutLockOrWithoutTheDriversTable) {
  tune(9750000, 11778000, 27500, 1, 1, 1);  // the tone switches the LNB to 10600 MHz: the IF misses
  selectPid(0x500, ctl::kKindMpe);
  run(300);
  EXPECT_TRUE(platform.frames.empty());
  // Locked, but the driver's table does not hold the PID the card delivers: nothing is
  // indicated and the receive path resynchronises.
  tune(10600000, 11778000, 27500, 1, 1, 1);
  uint32_t returned = 0;
  uint8_t remove[8] = {3, 0, 0, 0, 0x00, 0x05, 0, 0};
  ASSERT_EQ(miniport.control(ctl::IOCTL_CV7_REMOVE_PID, remove, 8, 4, returned), core::STATUS_SUCCESS);
  run(300);
  EXPECT_TRUE(platform.frames.empty());
  EXPECT_GT(miniport.adapter()->stats.resynchronisations.load(), 0u);
}

TEST_F(ReceptionEndToEnd, RawPacketsOfAPidFillTheDataRingInOrder) {
  tune(10600000, 11778000, 27500, 1, 1, 1);
  miniport.state().data.capture = 1;
  selectPid(0x500, ctl::kKindRawPackets);
  run(300);
  core::DataPath& data = miniport.state().data;
  uint32_t write = data.writePosition.load();
  ASSERT_GT(write, 0u);
  // Walk the records: every payload is whole TS packets of PID 0x500 with continuous counters.
  uint32_t position = 0;
  int lastCounter = -1;
  size_t packets = 0;
  while (position < write) {
    const uint8_t* header = data.ring + position;
    uint16_t pid = uint16_t(header[0] | (header[1] << 8));
    uint16_t kind = uint16_t(header[2] | (header[3] << 8));
    uint16_t length = uint16_t(header[4] | (header[5] << 8));
    ASSERT_EQ(pid, 0x500);
    ASSERT_EQ(kind, 10);
    ASSERT_EQ(length % 188, 0u);
    for (uint32_t p = 0; p < length; p += 188) {
      const uint8_t* packet = header + 6 + p;
      ASSERT_EQ(packet[0], 0x47);
      ASSERT_EQ(((packet[1] & 0x1F) << 8) | packet[2], 0x500);
      int counter = packet[3] & 0x0F;
      if (lastCounter >= 0 && (packet[3] & 0x10)) {
        EXPECT_EQ(counter, (lastCounter + 1) & 0x0F);
      }
      lastCounter = counter;
      ++packets;
    }
    position += 6 + length;
    position += position & 1;
  }
  EXPECT_GT(packets, 50u);
}

TEST_F(ReceptionEndToEnd, SearchParsesTheLiveMultiplexIntoTheProgramTable) {
  tune(10600000, 11778000, 27500, 1, 1, 1);
  run(100);
  uint8_t start[32] = {cmd::CMD_START_SEARCH};
  ASSERT_EQ(command(start), 1);
  uint8_t status[32] = {cmd::CMD_GET_SEARCH_STATUS};
  ASSERT_EQ(command(status), 1);
  EXPECT_EQ(status[8], 0);  // the tables have not come by yet
  int polls = 0;
  do {
    run(100);
    uint8_t poll[32] = {cmd::CMD_GET_SEARCH_STATUS};
    ASSERT_EQ(command(poll), 1);
    if (poll[8]) break;
  } while (++polls < 50);
  ASSERT_LT(polls, 50);
  std::vector<uint8_t> table(ctl::kProgramTableSize);
  uint32_t returned = 0;
  ASSERT_EQ(miniport.control(ctl::IOCTL_CV7_GET_PROGRAM_TABLE, table.data(), 0, ctl::kProgramTableSize, returned),
            core::STATUS_SUCCESS);
  ASSERT_EQ(returned, ctl::kProgramTableSize);
  EXPECT_EQ(table[ctl::kTableResult], 1);
  EXPECT_EQ(table[ctl::kTableProgramCount], 1);
  EXPECT_EQ(table[0] | (table[1] << 8), 77);  // the transport stream id
  uint32_t frequency;
  std::memcpy(&frequency, &table[ctl::kTableTrailer1], 4);
  EXPECT_EQ(frequency, 11778000u);
  // Program 10: no service block components of video or audio; MPE and PES data streams.
  EXPECT_EQ(table[ctl::kEntrySecondValue] | (table[ctl::kEntrySecondValue + 1] << 8), 10);
  EXPECT_EQ(table[ctl::kEntryComponentCount], 2);
  EXPECT_EQ(table[ctl::kEntryComponents], ctl::kComponentMpe);
  EXPECT_EQ(table[ctl::kEntryComponents + 4], ctl::kComponentPesData);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&table[ctl::kEntryName])), "Data");
}

TEST_F(ReceptionEndToEnd, SearchWithoutLockFinishesWithNothing) {
  tune(9750000, 11778000, 27500, 1, 1, 1);
  uint8_t start[32] = {cmd::CMD_START_SEARCH};
  ASSERT_EQ(command(start), 1);
  uint8_t poll[32] = {cmd::CMD_GET_SEARCH_STATUS};
  ASSERT_EQ(command(poll), 1);
  EXPECT_EQ(poll[8], 1);
  std::vector<uint8_t> table(ctl::kProgramTableSize);
  uint32_t returned = 0;
  miniport.control(ctl::IOCTL_CV7_GET_PROGRAM_TABLE, table.data(), 0, ctl::kProgramTableSize, returned);
  EXPECT_EQ(table[ctl::kTableProgramCount], 0);
}

// The card keeps its own time: when the host stalls (here: the clock jumps a second and no
// interrupt is served), the multiplex still carries that second; the card writes what arrived
// into the ring as far as the ring has room and counts the rest. The host then finds every
// entry written intact and in order, and the stream goes on.
TEST_F(ReceptionEndToEnd, AfterAHostStallTheCardFillsTheRingAsFarAsItHasRoomAndCountsTheRest) {
  tune(10600000, 11778000, 27500, 1, 1, 1);
  selectPid(0x500, ctl::kKindMpe);
  selectPid(0x520, ctl::kKindStuffedStream);
  run(600);
  ASSERT_FALSE(platform.frames.empty());
  sim::ReceptionStats before = platform.card().receptionStats();
  size_t framesBefore = platform.frames.size();

  platform.clock().advance(1'000'000);
  platform.card().advance();
  sim::ReceptionStats after = platform.card().receptionStats();
  EXPECT_NEAR(double(after.data.datagrams - before.data.datagrams), 300.0, 3.0);  // 200/s + 100/s
  uint64_t handed = after.demux.entries - before.demux.entries;
  uint64_t written = after.dma.entriesWritten - before.dma.entriesWritten;
  uint64_t ringFull = after.dma.droppedRingFull - before.dma.droppedRingFull;
  uint64_t blocks = after.dma.blocksWritten - before.dma.blocksWritten;
  EXPECT_EQ(written + ringFull, handed);
  EXPECT_GT(ringFull, 0u);
  // At most the ring; less only by the entry told last (still the host's) and one that did
  // not fit (an entry here takes up to 3 blocks).
  EXPECT_LE(blocks, 128u);
  EXPECT_GE(blocks, 128u - 6u);

  serveInterrupts();
  EXPECT_EQ(platform.frames.size() - framesBefore, written);
  EXPECT_EQ(miniport.adapter()->stats.resynchronisations.load(), 0u);
  run(200);
  EXPECT_GE(platform.frames.size() - framesBefore, written + 55);
  EXPECT_EQ(platform.card().receptionStats().dma.droppedRingFull, after.dma.droppedRingFull);
}

// The daemon sleeps until the card says it has work: never while nothing is tuned or where
// nothing locks, the lock's time while the tuner acquires, a millisecond at most while a
// multiplex runs. A tune wakes the sleeper.
TEST_F(ReceptionEndToEnd, TheCardAsksToRunOnlyWhileItHasWork) {
  constexpr uint64_t kNever = sim::SimulatedCard::kNever;
  int wakes = 0;
  platform.card().setWakeHandler([&] { ++wakes; });
  EXPECT_EQ(platform.card().advance(), kNever);
  tune(9750000, 11778000, 27500, 1, 1, 1);  // nothing at that IF
  EXPECT_EQ(wakes, 1);
  EXPECT_EQ(platform.card().advance(), kNever);

  tune(10600000, 11778000, 27500, 1, 1, 1);
  EXPECT_EQ(wakes, 2);
  uint64_t now = platform.clock().nowMicroseconds();
  uint64_t lock = platform.card().advance();
  ASSERT_NE(lock, kNever);
  EXPECT_GT(lock, now);
  platform.clock().advance(lock - now);
  now = platform.clock().nowMicroseconds();
  uint64_t next = platform.card().advance();
  EXPECT_GT(next, now);
  EXPECT_LE(next, now + 1000);
  platform.card().setWakeHandler(nullptr);
}

}  // namespace
}  // namespace cv7::test
