// The card's DMA engine against host memory whose ring pages lie scattered: page list,
// block placement and wrap, the start interrupt, one interrupt per entry, the ring's room,
// stop and start.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <vector>

#include "ts/DmaEngine.h"

namespace cv7::sim {
namespace {

// Host memory as separate 4 KiB pages at chosen physical addresses.
class PagedMemory : public HostMemory {
 public:
  void add(uint64_t physical) { pages_[physical] = std::vector<uint8_t>(0x1000); }
  bool write(uint64_t physical, const void* data, size_t length) override {
    uint8_t* p = find(physical, length);
    if (p) std::memcpy(p, data, length);
    return p != nullptr;
  }
  bool read(uint64_t physical, void* data, size_t length) override {
    uint8_t* p = find(physical, length);
    if (p) std::memcpy(data, p, length);
    return p != nullptr;
  }
  uint8_t* find(uint64_t physical, size_t length) {
    auto it = pages_.upper_bound(physical);
    if (it == pages_.begin()) return nullptr;
    --it;
    if (physical + length > it->first + it->second.size()) return nullptr;
    return it->second.data() + (physical - it->first);
  }

 private:
  std::map<uint64_t, std::vector<uint8_t>> pages_;
};

constexpr uint64_t kRing = 0x10000000;
constexpr uint64_t kPageList = 0x30000000;
uint64_t ringPage(uint32_t k) { return k == 0 ? kRing : 0x20000000 + 0x3000 * (8 - k); }  // descending, with gaps

class DmaTest : public ::testing::Test {
 protected:
  DmaTest() {
    for (uint32_t k = 0; k < 8; ++k) memory.add(ringPage(k));
    memory.add(kPageList);
    writePageList(memory, kPageList);
  }
  static void writePageList(PagedMemory& m, uint64_t at) {
    for (uint32_t k = 1; k < 8; ++k) {
      uint32_t page = uint32_t(ringPage(k));
      m.write(at + 4 * (k - 1), &page, 4);
    }
  }
  // The driver's start sequence on the DMA control register.
  void startLikeTheDriver() {
    dma.configure(uint32_t(kRing), uint32_t(kPageList));
    uint32_t v = 0x18000;
    dma.controlWritten(v);
    dma.controlWritten(v | 0x4000);
    dma.controlWritten(v);
  }
  const uint8_t* block(uint32_t b) { return memory.find(ringPage(b / 16) + 256 * (b % 16), 256); }
  uint16_t lengthAt(uint32_t b) { return uint16_t(block(b)[4] | block(b)[5] << 8); }
  static RingEntry entry(uint16_t length, uint8_t fill = 0x5A) {
    return RingEntry{0x200, 3, std::vector<uint8_t>(length, fill)};
  }

  PagedMemory memory;
  DmaEngine dma{memory};
};

TEST_F(DmaTest, FirstStartRaisesOneInterruptWithoutAnEntry) {
  startLikeTheDriver();
  EXPECT_TRUE(dma.running());
  EXPECT_TRUE(dma.blockInterruptPending());
  EXPECT_EQ(dma.stats().entriesWritten, 0u);
  dma.submit(entry(10).view());
  EXPECT_EQ(dma.stats().entriesWritten, 1u);  // in the ring at once, told after the start interrupt
  EXPECT_EQ(lengthAt(0), 10);
  dma.acknowledge();
  EXPECT_TRUE(dma.blockInterruptPending());
  dma.acknowledge();
  EXPECT_FALSE(dma.blockInterruptPending());
}

TEST_F(DmaTest, EntriesAreWrittenAsTheyArriveAndToldOneInterruptAtATime) {
  startLikeTheDriver();
  dma.acknowledge();
  dma.submit(entry(250).view());
  dma.submit(entry(251).view());
  dma.submit(entry(700).view());
  EXPECT_EQ(dma.stats().entriesWritten, 3u);
  EXPECT_EQ(dma.writeBlock(), 6u);  // 250 + 6 bytes: one block; 251 + 6: two; 706: three
  EXPECT_EQ(lengthAt(0), 250);
  EXPECT_EQ(lengthAt(1), 251);
  EXPECT_EQ(lengthAt(3), 700);
  EXPECT_EQ(dma.untold(), 3u);
  for (uint32_t told = 1; told <= 3; ++told) {
    ASSERT_TRUE(dma.blockInterruptPending());
    dma.acknowledge();
    EXPECT_EQ(dma.untold(), 3 - told);
  }
  EXPECT_FALSE(dma.blockInterruptPending());
}

TEST_F(DmaTest, EntriesCrossPagesThroughThePageListAndWrapToBlockZero) {
  startLikeTheDriver();
  dma.acknowledge();
  for (int i = 0; i < 126; ++i) {
    dma.submit(entry(100).view());
    dma.acknowledge();
  }
  ASSERT_EQ(dma.writeBlock(), 126u);
  std::vector<uint8_t> payload(700);
  for (size_t i = 0; i < payload.size(); ++i) payload[i] = uint8_t(i);
  dma.submit(RingEntry{0x300, 5, payload}.view());  // blocks 126, 127, 0
  EXPECT_EQ(dma.writeBlock(), 1u);
  EXPECT_EQ(block(126)[0], 0x00);
  EXPECT_EQ(block(126)[1], 0x03);
  EXPECT_EQ(block(127)[0], payload[250]);  // page 7, from the page list
  EXPECT_EQ(block(0)[0], payload[506]);    // back at the ring address
  EXPECT_EQ(block(0)[193], payload[699]);
  EXPECT_EQ(block(16)[0], 0x00);  // block 16 lies in page 1
  EXPECT_EQ(lengthAt(16), 100);
}

TEST_F(DmaTest, APaddedEntryCarriesItsPadByteAndBit) {
  startLikeTheDriver();
  dma.acknowledge();
  std::vector<uint8_t> odd(251, 0x77);
  dma.submit(EntryView::of(0x200, 3, odd, true));
  EXPECT_EQ(lengthAt(0), 252);
  EXPECT_EQ(block(0)[3], 0x80);  // the pad bit in the kind's high byte
  EXPECT_EQ(block(1)[0], 0x77);  // the payload's last byte, then the pad byte
  EXPECT_EQ(block(1)[1], 0x00);
  EXPECT_EQ(dma.writeBlock(), 2u);
}

TEST_F(DmaTest, StopAndStartOnTheSameRingKeepTheWriteBlockWithoutANewStartInterrupt) {
  startLikeTheDriver();
  dma.acknowledge();
  dma.submit(entry(300).view());
  dma.acknowledge();
  ASSERT_EQ(dma.writeBlock(), 2u);
  dma.controlWritten(0);
  EXPECT_FALSE(dma.running());
  dma.submit(entry(10).view());
  EXPECT_EQ(dma.stats().droppedStopped, 1u);
  startLikeTheDriver();
  EXPECT_FALSE(dma.blockInterruptPending());
  EXPECT_EQ(dma.stats().startInterrupts, 1u);
  dma.submit(entry(10).view());
  EXPECT_EQ(lengthAt(2), 10);

  // A ring at another address starts over at block 0 with a start interrupt; the entry
  // left untold in the old one is counted.
  EXPECT_EQ(dma.untold(), 1u);
  dma.controlWritten(0);
  for (uint32_t k = 0; k < 8; ++k) memory.add(0x40000000 + 0x1000 * k);
  dma.configure(0x40000000, 0x40007000);
  for (uint32_t k = 1; k < 8; ++k) {
    uint32_t page = 0x40000000 + 0x1000 * k;
    memory.write(0x40007000 + 4 * (k - 1), &page, 4);
  }
  dma.controlWritten(0x18000);
  dma.controlWritten(0x1C000);
  EXPECT_TRUE(dma.blockInterruptPending());
  EXPECT_EQ(dma.writeBlock(), 0u);
  EXPECT_EQ(dma.stats().startInterrupts, 2u);
  EXPECT_EQ(dma.untold(), 0u);
  EXPECT_EQ(dma.stats().droppedAtReset, 1u);
}

// The ring is the card's only buffer: the entries the host has not been told of, and the one
// told last, are never overwritten; what finds no room is counted.
TEST_F(DmaTest, EntriesBeyondTheRingsRoomOrHalfTheRingAreCountedAsDropped) {
  startLikeTheDriver();
  dma.acknowledge();
  dma.submit(entry(64 * 256 - 5).view());  // 65 blocks
  EXPECT_EQ(dma.stats().droppedOversize, 1u);
  dma.submit(entry(64 * 256 - 6).view());  // 64 blocks: written; the host does not acknowledge
  for (int i = 0; i < 64; ++i) dma.submit(entry(10).view());
  EXPECT_EQ(dma.stats().entriesWritten, 65u);
  EXPECT_EQ(dma.room(), 0u);
  dma.submit(entry(10).view());
  EXPECT_EQ(dma.stats().droppedRingFull, 1u);
  dma.acknowledge();  // the long entry is told: the host reads it now
  dma.submit(entry(10).view());
  EXPECT_EQ(dma.stats().droppedRingFull, 2u);
  dma.acknowledge();  // the next is told: the host has done with the long one
  EXPECT_EQ(dma.room(), 64u);
  dma.submit(entry(10).view());
  EXPECT_EQ(dma.stats().entriesWritten, 66u);
  EXPECT_EQ(lengthAt(0), 10);  // the first of the 64-block entry's blocks, written over

  // A stop leaves the written entries and their interrupts; a reset loses the untold ones.
  dma.controlWritten(0);
  EXPECT_TRUE(dma.blockInterruptPending());
  EXPECT_EQ(dma.untold(), 64u);
  dma.reset();
  EXPECT_EQ(dma.stats().droppedAtReset, 64u);
  EXPECT_FALSE(dma.blockInterruptPending());
}

TEST_F(DmaTest, RingOutsideHostMemoryIsCountedAndNothingIsWritten) {
  dma.configure(0x70000000, 0x70008000);
  dma.start();
  EXPECT_FALSE(dma.running());
  EXPECT_EQ(dma.stats().hostMemoryErrors, 1u);
  dma.configure(0x70000000, uint32_t(kPageList));
  dma.start();
  dma.acknowledge();
  dma.submit(entry(10).view());
  EXPECT_EQ(dma.stats().entriesWritten, 0u);
  EXPECT_EQ(dma.stats().hostMemoryErrors, 2u);
  EXPECT_FALSE(dma.blockInterruptPending());
}

TEST_F(DmaTest, ResetMakesTheNextStartAFirstStart) {
  startLikeTheDriver();
  dma.acknowledge();
  dma.submit(entry(300).view());
  dma.acknowledge();
  dma.reset();
  startLikeTheDriver();
  EXPECT_EQ(dma.writeBlock(), 0u);
  EXPECT_TRUE(dma.blockInterruptPending());
}

}  // namespace
}  // namespace cv7::sim
