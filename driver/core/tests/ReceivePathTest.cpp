// The receive path against a scripted register window: the test writes ring entries as the
// card would, raises block interrupts and checks frames, the data ring and the consumer.
#include "ReceivePath.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <vector>

#include "CardRegisters.h"
#include "FakePlatform.h"
#include "Miniport.h"

namespace cv7::test {
namespace {

using core::ReceivePath;

class ScriptedRegisters : public core::RegisterWindow {
 public:
  uint32_t read32(uint32_t offset) override { return values[offset]; }
  void write32(uint32_t offset, uint32_t value) override { values[offset] = value; }
  std::map<uint32_t, uint32_t> values;
};

constexpr uint32_t kDmaStatus = regs::kMailboxWindow + regs::kDmaStatus;
constexpr uint32_t kMailboxControl = regs::kMailboxWindow + regs::kMailboxControl;

class ReceiveHarness : public ::testing::Test {
 protected:
  ReceiveHarness() {
    adapter.registers = &registers;
    adapter.shared = {shared.data(), 0x40000000, regs::kSharedMemorySize};
    adapter.rx.ringBase = shared.data();
    adapter.frameBuffer = frame.data();
    adapter.permanentAddress = {0x00, 0x00, 0x5F, 0x63, 0x6A, 0x01};
    state.data.ring = dataRing.data();
    path().startReception();
    raiseBlockInterrupt();  // the start interrupt carries no entry
  }
  ReceivePath path() { return ReceivePath(platform, state, adapter); }

  // Writes an entry at the card's write block, as the card's DMA does.
  void writeEntry(uint16_t pid, uint16_t kind, const std::vector<uint8_t>& payload) {
    std::vector<uint8_t> entry(6 + payload.size());
    entry[0] = uint8_t(pid);
    entry[1] = uint8_t(pid >> 8);
    entry[2] = uint8_t(kind);
    entry[3] = uint8_t(kind >> 8);
    entry[4] = uint8_t(payload.size());
    entry[5] = uint8_t(payload.size() >> 8);
    std::copy(payload.begin(), payload.end(), entry.begin() + 6);
    writeRaw(entry);
  }
  void writeRaw(const std::vector<uint8_t>& entry) {
    uint32_t blocks = uint32_t((entry.size() + 255) / 256);
    for (uint32_t b = 0; b < blocks; ++b) {
      uint32_t n = std::min<uint32_t>(256, uint32_t(entry.size()) - 256 * b);
      std::memcpy(shared.data() + 256 * ((writeBlock + b) % 128), entry.data() + 256 * b, n);
    }
    writeBlock = (writeBlock + blocks) % 128;
  }
  void raiseBlockInterrupt() {
    registers.values[regs::kIntStatus] = regs::kIntStatusCard;
    registers.values[kDmaStatus] = regs::kDmaStatusBlock;
    ASSERT_TRUE(path().interruptRoutine());
    registers.values[regs::kIntStatus] = 0;
    EXPECT_EQ(registers.values[kDmaStatus], 0u);  // acknowledged
  }
  void deliver(uint16_t pid, uint16_t kind, const std::vector<uint8_t>& payload) {
    writeEntry(pid, kind, payload);
    raiseBlockInterrupt();
    path().deferredRoutine();
  }
  void addPid(uint16_t pid, uint8_t kind) {
    for (auto& e : state.pidTable.entry) {
      if (e.pid() == ctl::kPidFree) {
        e.store(pid, kind);
        return;
      }
    }
  }
  uint32_t consumer() const { return adapter.rx.consumerIndex.load(); }
  uint32_t producer() const { return adapter.rx.producerIndex.load(); }

  FakePlatform platform;
  core::DriverState state;
  core::AdapterContext adapter;
  ScriptedRegisters registers;
  std::vector<uint8_t> shared = std::vector<uint8_t>(regs::kSharedMemorySize);
  std::vector<uint8_t> frame = std::vector<uint8_t>(core::kFrameBufferSize);
  std::vector<uint8_t> dataRing = std::vector<uint8_t>(ctl::kDataRingSize);
  uint32_t writeBlock = 0;
};

// An IPv4 datagram of `total` bytes to the given address.
std::vector<uint8_t> datagram(uint32_t total, std::array<uint8_t, 4> destination) {
  std::vector<uint8_t> ip(total);
  ip[0] = 0x45;
  ip[2] = uint8_t(total >> 8);
  ip[3] = uint8_t(total);
  ip[9] = 17;
  std::copy(destination.begin(), destination.end(), ip.begin() + 16);
  for (uint32_t i = 20; i < total; ++i) ip[i] = uint8_t(i * 7);
  return ip;
}

// An MPE datagram section: 12-byte header with the flags byte at 5, the datagram, a CRC.
std::vector<uint8_t> mpeSection(const std::vector<uint8_t>& ip, uint8_t flags = 0, size_t llcSnap = 0) {
  std::vector<uint8_t> section = {0x3E, 0, 0, 0x5E, 0x01, flags, 0, 0, 0, 0, 0, 0};
  section.insert(section.end(), llcSnap, 0xAA);
  section.insert(section.end(), ip.begin(), ip.end());
  section.insert(section.end(), {0xDE, 0xAD, 0xBE, 0xEF});
  return section;
}

// The byte-stuffed stream: a 9-byte PES header, then the datagram with 0x7D and 0x7E escaped,
// then the 0x7E flag that ends it (the driver does not copy an entry's last byte).
std::vector<uint8_t> stuffedStream(const std::vector<uint8_t>& ip) {
  std::vector<uint8_t> out = {0, 0, 1, 0xBD, 0, 0, 0x80, 0, 0};
  for (uint8_t b : ip) {
    if (b == 0x7D || b == 0x7E) {
      out.push_back(0x7D);
      out.push_back(b == 0x7D ? 0x0D : 0x0E);
    } else {
      out.push_back(b);
    }
  }
  out.push_back(0x7E);
  return out;
}

TEST_F(ReceiveHarness, StartOfReceptionProgramsRingAndPageList) {
  EXPECT_EQ(registers.values[regs::kRingAddress], 0x40000000u);
  EXPECT_EQ(registers.values[regs::kPageListAddress], 0x40008000u);
  EXPECT_EQ(registers.values[regs::kDma5C], 0x2000u);
  EXPECT_EQ(registers.values[regs::kIntEnable], regs::kIntEnableCard);
  uint32_t page7;
  std::memcpy(&page7, shared.data() + 0x8000 + 24, 4);
  EXPECT_EQ(page7, 0x40007000u);
  EXPECT_EQ(registers.values[regs::kDmaControl] & regs::kDmaRunBits, regs::kDmaBit15 | regs::kDmaBit16);
}

TEST_F(ReceiveHarness, EntryLengthDecidesTheBlocksItOccupies) {
  addPid(0x100, 1);
  deliver(0x100, 1, std::vector<uint8_t>(250));
  EXPECT_EQ(producer(), 1u);
  EXPECT_EQ(consumer(), 1u);
  deliver(0x100, 1, std::vector<uint8_t>(251));
  EXPECT_EQ(producer(), 3u);
  EXPECT_EQ(consumer(), 3u);
}

TEST_F(ReceiveHarness, SectionDatagramIsIndicatedWithUnicastAndMulticastDestinations) {
  addPid(0x200, 3);
  auto unicast = datagram(100, {10, 0, 0, 1});
  deliver(0x200, 3, mpeSection(unicast));
  ASSERT_EQ(platform.frames.size(), 1u);
  const auto& f = platform.frames[0];
  EXPECT_EQ(std::vector<uint8_t>(f.header.begin(), f.header.begin() + 6), (std::vector<uint8_t>{0, 0, 0x5F, 0x63, 0x6A, 0x01}));
  EXPECT_EQ(std::vector<uint8_t>(f.header.begin() + 6, f.header.end()),
            (std::vector<uint8_t>{0x00, 0x00, 0x5F, 0x63, 0x6A, 0x28, 0x08, 0x00}));
  EXPECT_EQ(f.packetSize, 100u);
  EXPECT_EQ(f.lookahead, unicast);

  deliver(0x200, 3, mpeSection(datagram(60, {239, 1, 2, 3})));
  ASSERT_EQ(platform.frames.size(), 2u);
  EXPECT_EQ(std::vector<uint8_t>(platform.frames[1].header.begin(), platform.frames[1].header.begin() + 6),
            (std::vector<uint8_t>{0x01, 0x00, 0x5E, 0x01, 0x02, 0x03}));
  deliver(0x200, 3, mpeSection(datagram(60, {239, 129, 2, 3})));
  EXPECT_EQ(platform.frames[2].header[3], 0x01);  // the top bit of the second octet is not mapped
}

TEST_F(ReceiveHarness, LlcSnapSectionStartsAtTheFirstIpv4Byte) {
  addPid(0x200, 3);
  auto ip = datagram(80, {10, 1, 1, 1});
  deliver(0x200, 3, mpeSection(ip, 0x02, 8));  // 0x45 at block offset 26
  ASSERT_EQ(platform.frames.size(), 1u);
  EXPECT_EQ(platform.frames[0].lookahead, ip);
}

TEST_F(ReceiveHarness, ScrambledOrNonIpSectionsAreConsumedWithoutAFrame) {
  addPid(0x200, 3);
  deliver(0x200, 3, mpeSection(datagram(80, {10, 1, 1, 1}), 0x10));
  deliver(0x200, 3, mpeSection(datagram(80, {10, 1, 1, 1}), 0x04));
  auto notIp = datagram(80, {10, 1, 1, 1});
  notIp[0] = 0x60;
  deliver(0x200, 3, mpeSection(notIp));
  deliver(0x200, 3, mpeSection(notIp, 0x02, 4));
  EXPECT_TRUE(platform.frames.empty());
  EXPECT_EQ(consumer(), producer());
  EXPECT_EQ(adapter.stats.droppedScrambled.load(), 2u);
  EXPECT_EQ(adapter.stats.droppedNoIpHeader.load(), 2u);
}

TEST_F(ReceiveHarness, SectionAcrossTheRingEndIsCopiedContiguously) {
  addPid(0x200, 3);
  // Move the card and the driver to block 127.
  for (int i = 0; i < 127; ++i) deliver(0x200, 3, std::vector<uint8_t>(250, 0));
  ASSERT_EQ(consumer(), 127u);
  auto ip = datagram(700, {10, 2, 2, 2});  // 6 + 12 + 700 + 4 bytes: three blocks
  deliver(0x200, 3, mpeSection(ip));
  EXPECT_EQ(consumer(), 2u);
  ASSERT_EQ(platform.frames.size(), 1u);
  EXPECT_EQ(platform.frames[0].lookahead, ip);
}

TEST_F(ReceiveHarness, OverlongDatagramsAreDropped) {
  addPid(0x200, 3);
  deliver(0x200, 3, mpeSection(datagram(1600, {10, 2, 2, 2})));  // 7 blocks: more than the frame buffer holds
  auto claimsTooMuch = datagram(200, {10, 2, 2, 2});
  claimsTooMuch[2] = 0x05;
  claimsTooMuch[3] = 0xDD;  // 1501
  deliver(0x200, 3, mpeSection(claimsTooMuch));
  EXPECT_TRUE(platform.frames.empty());
  EXPECT_EQ(adapter.stats.droppedTooLong.load(), 2u);
}

TEST_F(ReceiveHarness, StuffedStreamUnescapesAcrossBlocks) {
  addPid(0x300, 5);
  auto ip = datagram(900, {10, 3, 3, 3});
  for (size_t i = 20; i < ip.size(); i += 3) ip[i] = (i % 2) ? 0x7D : 0x7E;
  deliver(0x300, 5, stuffedStream(ip));
  ASSERT_EQ(platform.frames.size(), 1u);
  EXPECT_EQ(platform.frames[0].lookahead, ip);
  EXPECT_EQ(consumer(), producer());
}

TEST_F(ReceiveHarness, StuffedEscapePairGivesTheEscapedByte) {
  addPid(0x300, 5);
  auto ip = datagram(40, {10, 3, 3, 3});
  ip[1] = 0x7E;
  deliver(0x300, 5, stuffedStream(ip));  // 45 7D 0E ... on the wire
  ASSERT_EQ(platform.frames.size(), 1u);
  EXPECT_EQ(platform.frames[0].lookahead[1], 0x7E);
}

TEST_F(ReceiveHarness, StuffedEscapeSplitAtEveryBlockBoundaryPosition) {
  addPid(0x300, 5);
  for (uint32_t at = 230; at < 250; ++at) {
    auto ip = datagram(600, {10, 3, 3, 3});
    ip[at] = 0x7D;  // its escape pair lands on or around the first block's end
    ip[at + 256] = 0x7E;
    platform.frames.clear();
    deliver(0x300, 5, stuffedStream(ip));
    ASSERT_EQ(platform.frames.size(), 1u) << at;
    EXPECT_EQ(platform.frames[0].lookahead, ip) << at;
  }
}

TEST_F(ReceiveHarness, PadBitShortensTheStreamEntry) {
  addPid(0x300, 5);
  // L = 250 with the pad bit: 249 payload bytes, one block.
  uint32_t total = 240;
  auto ip = datagram(total, {10, 3, 3, 3});
  while (stuffedStream(ip).size() > 249) ip = datagram(--total, {10, 3, 3, 3});
  auto payload = stuffedStream(ip);
  ASSERT_EQ(payload.size(), 249u);
  payload.push_back(0xEE);  // the pad byte
  deliver(0x300, 0x8005, payload);
  ASSERT_EQ(platform.frames.size(), 1u);
  EXPECT_EQ(platform.frames[0].lookahead, ip);
  EXPECT_EQ(consumer(), 1u);
}

TEST_F(ReceiveHarness, FillerEntryAdvancesOneBlock) {
  deliver(0x2000, 0, std::vector<uint8_t>(10));
  EXPECT_EQ(consumer(), 1u);
  EXPECT_EQ(adapter.stats.fillerEntries.load(), 1u);
  EXPECT_EQ(adapter.rx.resync.load(), 0);
}

TEST_F(ReceiveHarness, UnrecognisedEntryResynchronisesOntoTheProducer) {
  addPid(0x200, 3);
  writeEntry(0x777, 3, std::vector<uint8_t>(100));  // not in the table
  raiseBlockInterrupt();
  writeEntry(0x200, 3, mpeSection(datagram(60, {10, 1, 1, 1})));
  raiseBlockInterrupt();
  path().deferredRoutine();
  EXPECT_EQ(adapter.rx.resync.load(), 1);
  EXPECT_TRUE(platform.frames.empty());
  path().deferredRoutine();  // finds the flag, stops
  EXPECT_EQ(adapter.rx.busy.load(), 0);
  writeEntry(0x200, 3, mpeSection(datagram(60, {10, 1, 1, 2})));
  raiseBlockInterrupt();  // the consumer takes over the producer: pending entries are lost
  EXPECT_EQ(adapter.rx.resync.load(), 0);
  path().deferredRoutine();
  EXPECT_TRUE(platform.frames.empty());
  deliver(0x200, 3, mpeSection(datagram(60, {10, 1, 1, 3})));
  ASSERT_EQ(platform.frames.size(), 1u);
  EXPECT_EQ(platform.frames[0].lookahead[19], 3);
  EXPECT_EQ(adapter.stats.resynchronisations.load(), 1u);
  EXPECT_EQ(adapter.stats.droppedResync.load(), 2u);  // the two datagrams after the unrecognised entry
}

TEST_F(ReceiveHarness, RawRecordsNeedCaptureAndMoreThanTheirSizeFree) {
  addPid(0x400, 10);
  deliver(0x400, 10, std::vector<uint8_t>(188, 0x47));
  EXPECT_EQ(state.data.writePosition.load(), 0u);  // capture off: skipped
  EXPECT_EQ(consumer(), 1u);

  state.data.capture = 1;
  state.data.handle = 7;
  state.data.event = 0x99;
  deliver(0x400, 10, std::vector<uint8_t>(188, 0x47));
  EXPECT_EQ(state.data.writePosition.load(), 194u);
  EXPECT_EQ(platform.signalCount(0x99), 1);
  EXPECT_EQ(dataRing[0], 0x00);
  EXPECT_EQ(dataRing[1], 0x04);
  EXPECT_EQ(dataRing[6], 0x47);

  // Exactly L + 6 bytes free: still dropped.
  state.data.readPosition = 194 + 194;
  deliver(0x400, 10, std::vector<uint8_t>(188, 0x47));
  EXPECT_EQ(state.data.writePosition.load(), 194u);
  EXPECT_EQ(platform.signalCount(0x99), 1);
  EXPECT_EQ(adapter.stats.droppedDataRingFull.load(), 1u);
}

TEST_F(ReceiveHarness, OddRecordLeavesTheWritePositionEven) {
  addPid(0x401, 12);
  state.data.capture = 1;
  deliver(0x401, 12, std::vector<uint8_t>(13, 0x42));
  EXPECT_EQ(state.data.writePosition.load(), 20u);
}

TEST_F(ReceiveHarness, RawRecordWrapsInTheDataRing) {
  addPid(0x400, 10);
  state.data.capture = 1;
  state.data.writePosition = ctl::kDataRingSize - 100;
  state.data.readPosition = ctl::kDataRingSize - 100;
  std::vector<uint8_t> payload(376);
  for (size_t i = 0; i < payload.size(); ++i) payload[i] = uint8_t(i);
  deliver(0x400, 10, payload);
  EXPECT_EQ(state.data.writePosition.load(), 282u);
  EXPECT_EQ(dataRing[ctl::kDataRingSize - 94], 0);
  EXPECT_EQ(dataRing[0], 94);
}

TEST_F(ReceiveHarness, MailboxInterruptSignalsTheCardEventsOfClientsOneAndTwo) {
  state.client[0].active = 1;
  state.client[0].handle = 5;
  state.client[0].event = 0x11;
  state.client[1].active = 1;
  state.client[1].handle = 0;  // no handle: not signalled
  state.client[1].event = 0x12;
  registers.values[regs::kIntStatus] = regs::kIntStatusCard;
  registers.values[kMailboxControl] = 0x8F;
  ASSERT_TRUE(path().interruptRoutine());
  EXPECT_EQ(registers.values[kMailboxControl], 0x0Fu);
  path().deferredRoutine();
  EXPECT_EQ(platform.signalCount(0x11), 1);
  EXPECT_EQ(platform.signalCount(0x12), 0);
}

TEST_F(ReceiveHarness, InterruptOfAnotherSourceIsNotRecognised) {
  registers.values[regs::kIntStatus] = 0;
  EXPECT_FALSE(path().interruptRoutine());
  registers.values[regs::kIntStatus] = 0x1;
  EXPECT_FALSE(path().interruptRoutine());
  registers.values[regs::kIntStatus] = regs::kIntStatusOther;
  EXPECT_TRUE(path().interruptRoutine());
}

// ---- Entries that must not lose or invent data ----

TEST_F(ReceiveHarness, OddRecordNeverFillsTheDataRingUpToItsReadPosition) {
  addPid(0x401, 12);
  state.data.capture = 1;
  // 13 + 6 = 19 bytes, rounded up to 20: with exactly 20 free the write position would reach
  // the read position and the ring would read as empty, the unread bytes gone.
  state.data.readPosition = 20;
  deliver(0x401, 12, std::vector<uint8_t>(13, 0x42));
  EXPECT_EQ(state.data.writePosition.load(), 0u);
  EXPECT_EQ(adapter.stats.droppedDataRingFull.load(), 1u);
  state.data.readPosition = 22;
  deliver(0x401, 12, std::vector<uint8_t>(13, 0x43));
  EXPECT_EQ(state.data.writePosition.load(), 20u);
  EXPECT_EQ(dataRing[6], 0x43);
  EXPECT_EQ(adapter.stats.recordsStored.load(), 1u);
}

TEST_F(ReceiveHarness, DatagramLongerThanItsEntryIsNotCompletedFromThePreviousFrame) {
  addPid(0x200, 3);
  addPid(0x300, 5);
  deliver(0x200, 3, mpeSection(datagram(200, {10, 1, 1, 1})));
  ASSERT_EQ(platform.frames.size(), 1u);
  // The section carries 60 bytes of a datagram whose header claims 200.
  auto cut = datagram(200, {10, 1, 1, 2});
  cut.resize(60);
  deliver(0x200, 3, mpeSection(cut));
  // A stuffed entry of its 9-byte header only, in a block whose byte 15 is 0x45 from before.
  shared[256 * writeBlock + 15] = 0x45;
  deliver(0x300, 5, {0, 0, 1, 0xBD, 0, 0, 0x80, 0, 0});
  // The same with one datagram byte.
  deliver(0x300, 5, {0, 0, 1, 0xBD, 0, 0, 0x80, 0, 0, 0x45, 0x7E});
  EXPECT_EQ(platform.frames.size(), 1u);
  EXPECT_EQ(adapter.stats.droppedShort.load(), 3u);
  EXPECT_EQ(consumer(), producer());
  deliver(0x200, 3, mpeSection(datagram(60, {10, 1, 1, 3})));
  ASSERT_EQ(platform.frames.size(), 2u);
  EXPECT_EQ(platform.frames[1].packetSize, 60u);
}

TEST_F(ReceiveHarness, EntryLengthsTheCardCannotWriteAreConsumedInStep) {
  addPid(0x200, 3);
  addPid(0x401, 12);
  state.data.capture = 1;
  // L = 65535: 257 blocks, twice the ring. Only its header is written: a card could not write it.
  std::vector<uint8_t> header = {0x00, 0x02, 0x03, 0x00, 0xFF, 0xFF};
  writeRaw(header);
  raiseBlockInterrupt();
  path().deferredRoutine();
  EXPECT_LT(consumer(), 128u);
  EXPECT_EQ(consumer(), producer());
  // A pad byte in an entry without payload.
  deliver(0x401, 0x800C, {});
  EXPECT_EQ(state.data.writePosition.load(), 0u);
  EXPECT_EQ(consumer(), producer());
  EXPECT_EQ(adapter.stats.droppedCorrupt.load(), 2u);
  deliver(0x200, 3, mpeSection(datagram(80, {10, 1, 1, 4})));
  EXPECT_EQ(platform.frames.size(), 1u);
}

TEST_F(ReceiveHarness, CardEventIsSignalledWhileTheRingAwaitsResynchronisation) {
  state.client[0].active = 1;
  state.client[0].handle = 5;
  state.client[0].event = 0x11;
  writeEntry(0x777, 3, std::vector<uint8_t>(100));  // not in the table
  raiseBlockInterrupt();
  path().deferredRoutine();
  ASSERT_EQ(adapter.rx.resync.load(), 1);
  registers.values[regs::kIntStatus] = regs::kIntStatusCard;
  registers.values[kMailboxControl] = 0x8F;
  ASSERT_TRUE(path().interruptRoutine());
  path().deferredRoutine();
  EXPECT_EQ(platform.signalCount(0x11), 1);
}

TEST_F(ReceiveHarness, TransferDataCopiesTheFrameRestIntoBufferChains) {
  addPid(0x200, 3);
  adapter.currentLookahead = 40;
  auto ip = datagram(100, {10, 0, 0, 1});
  deliver(0x200, 3, mpeSection(ip));
  ASSERT_EQ(platform.frames.at(0).lookahead.size(), 40u);
  uint8_t a[30], b[100];
  core::PacketBuffer chain[2] = {{a, 30}, {b, 100}};
  uint32_t copied = 0;
  EXPECT_EQ(path().transferData(40, 200, chain, 2, copied), core::NDIS_STATUS_SUCCESS);
  EXPECT_EQ(copied, 60u);
  EXPECT_EQ(a[0], ip[40]);
  EXPECT_EQ(b[29], ip[99]);
  EXPECT_EQ(path().transferData(101, 1, chain, 2, copied), core::NDIS_STATUS_FAILURE);
  EXPECT_EQ(copied, 0u);
}

}  // namespace
}  // namespace cv7::test
