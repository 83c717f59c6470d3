// The card's receive side as the card model drives it: tune, step, PID commands, DMA.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "ts/CardReceiver.h"

namespace cv7::sim {
namespace {

class FlatMemory : public HostMemory {
 public:
  bool write(uint64_t physical, const void* data, size_t length) override {
    if (physical < kBase || physical + length > kBase + bytes.size()) return false;
    std::memcpy(bytes.data() + (physical - kBase), data, length);
    return true;
  }
  bool read(uint64_t physical, void* data, size_t length) override {
    if (physical < kBase || physical + length > kBase + bytes.size()) return false;
    std::memcpy(data, bytes.data() + (physical - kBase), length);
    return true;
  }
  static constexpr uint64_t kBase = 0x1000000;
  std::vector<uint8_t> bytes = std::vector<uint8_t>(0x9000);
};

TEST(CardReceiver, DeliversEntriesOnlyWhileTunedAndForProgrammedPids) {
  FlatMemory memory;
  for (uint32_t k = 1; k < 8; ++k) {
    uint32_t page = uint32_t(FlatMemory::kBase) + 0x1000 * k;
    std::memcpy(memory.bytes.data() + 0x8000 + 4 * (k - 1), &page, 4);
  }
  CardReceiver card(memory, {0, 0, 0x5F, 0x63, 0x6A, 1});
  card.dma().configure(uint32_t(FlatMemory::kBase), uint32_t(FlatMemory::kBase + 0x8000));
  card.dma().start();
  card.dma().acknowledge();  // the start interrupt

  TransportStreamConfig config;
  config.muxRateBitsPerSecond = 1'000'000;
  DataSourceConfig source;
  source.pid = 0x222;
  source.datagramsPerSecond = 100;
  source.destinationAddress = 0xEF000001;
  config.sources = {source};

  card.step(1'100'000);  // not tuned: nothing
  EXPECT_EQ(card.demux().stats().packets, 0u);
  card.tune(config, 1'100'000);
  card.step(1'200'000);
  EXPECT_GT(card.demux().stats().packets, 0u);
  EXPECT_EQ(card.dma().stats().entriesWritten, 0u);  // PID not programmed

  card.demux().setPid(0x222, 3);
  card.step(1'300'000);
  EXPECT_EQ(card.dma().stats().entriesWritten, 10u);  // in the ring, told one interrupt at a time
  EXPECT_EQ(card.dma().untold(), 10u);
  EXPECT_EQ(memory.bytes[0], 0x22);
  EXPECT_EQ(memory.bytes[2], 0x03);

  card.detune();
  uint64_t packets = card.demux().stats().packets;
  card.step(1'400'000);
  EXPECT_EQ(card.demux().stats().packets, packets);
}

}  // namespace
}  // namespace cv7::sim
