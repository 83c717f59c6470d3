// PCI configuration space and the bus the driver searches, and the main registers as the
// driver's set-up and interrupt paths use them.
#include <gtest/gtest.h>

#include "CardFixture.h"
#include "SimulatedPciBus.h"

#include <thread>

namespace cv7::sim::test {
namespace {

uint32_t le32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24; }

class CardBusTest : public CardFixture {};

TEST_F(CardBusTest, ConfigSpaceIdentifiesTheCard) {
  auto space = card.configSpace();
  EXPECT_EQ(space[0], 0xD1);
  EXPECT_EQ(space[1], 0x11);
  EXPECT_EQ(space[2], 0xF8);
  EXPECT_EQ(space[3], 0x01);
  EXPECT_EQ(space[0x0B], 0x04);  // multimedia controller
  EXPECT_EQ(le32(&space[0x10]), uint32_t(card.config().memoryBase));
  EXPECT_EQ(space[0x10] & 0x0F, 0);  // memory BAR, 32-bit, not prefetchable
  EXPECT_EQ(space[0x3C], card.config().interruptLevel);
  EXPECT_EQ(space[0x3D], 1);  // pin A
}

TEST_F(CardBusTest, BusShowsCardInItsSlotAndEmptySlotsAsAllOnes) {
  SimulatedPciBus bus(&card);
  std::array<uint8_t, 256> buffer{};
  for (uint32_t slot = 0; slot < SimulatedPciBus::kSlots; ++slot) {
    ASSERT_EQ(bus.readConfig(slot, buffer.data(), 256), 256u);
    if (slot == 3) {
      EXPECT_EQ(buffer, card.configSpace());
    } else {
      EXPECT_EQ(buffer[0] & buffer[1] & buffer[2] & buffer[3] & buffer[255], 0xFF) << slot;
      EXPECT_FALSE(bus.resources(slot));
    }
  }
  auto resources = bus.resources(3);
  ASSERT_TRUE(resources);
  EXPECT_EQ(resources->memoryBase, card.config().memoryBase);
  EXPECT_EQ(resources->memoryLength, card.config().memoryLength);
  EXPECT_EQ(resources->interruptLevel, card.config().interruptLevel);
  EXPECT_EQ(bus.readConfig(10, buffer.data(), 256), 0u);
}

TEST_F(CardBusTest, ShortConfigReadFaultAndSmallBuffers) {
  SimulatedPciBus bus(&card);
  std::array<uint8_t, 256> buffer{};
  bus.limitConfigRead(1, 64);
  EXPECT_EQ(bus.readConfig(1, buffer.data(), 256), 64u);
  EXPECT_EQ(bus.readConfig(3, buffer.data(), 4), 4u);
  bus.clearFaults();
  EXPECT_EQ(bus.readConfig(1, buffer.data(), 256), 256u);
}

TEST_F(CardBusTest, SetupRegistersReadBackWhatWasWritten) {
  for (uint32_t offset : {0x44u, 0x48u, 0x50u, 0x54u, 0x58u, 0x5Cu, 0x60u, 0x240u, 0x244u, 0x248u}) {
    card.mmioWrite(offset, 0xA5000000u | offset);
    EXPECT_EQ(card.mmioRead(offset), 0xA5000000u | offset) << std::hex << offset;
  }
  card.reset();
  EXPECT_EQ(card.mmioRead(0x48), 0u);
}

TEST_F(CardBusTest, BadAccessesAreCountedNotFatal) {
  card.mmioWrite(0x4C, 0xFFFFFFFF);  // the interrupt status is read-only
  EXPECT_EQ(card.mmioRead(0x4C), 0u);
  EXPECT_EQ(card.mmioRead(0x1234), 0u);
  card.mmioWrite(0x46, 1);
  card.mmioWrite(0x200000, 1);  // beyond the memory range
  auto stats = card.stats();
  EXPECT_EQ(stats.badAccesses, 4u);
  EXPECT_EQ(stats.lastBadOffset, 0x200000u);
  EXPECT_TRUE(stats.lastBadWasWrite);
}

TEST_F(CardBusTest, BadAccessIsReportedToTheLogSink) {
  std::vector<std::string> lines;
  card.setLogSink([&](const std::string& line) { lines.push_back(line); });
  card.mmioRead(0x1000);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0], "card: bad read at offset 0x1000");
}

TEST_F(CardBusTest, HostCannotRaiseDmaStatusAndStopBitsLeaveCardEnable) {
  // The host cannot set the block bit itself; writing it cleared acknowledges.
  card.mmioWrite(regs::kMailboxWindow + regs::kDmaStatus, 0x80);
  EXPECT_EQ(card.mmioRead(regs::kMailboxWindow + regs::kDmaStatus), 0u);
  card.mmioWrite(regs::kIntEnable, regs::kIntEnableCard);
  EXPECT_FALSE(line.level);
  // Shutdown clears bits 15, 21 and 22 of the enable register; bit 11 stays.
  card.mmioWrite(regs::kIntEnable, regs::kIntEnableCard | regs::kIntEnableStopMask);
  card.mmioWrite(regs::kIntEnable, card.mmioRead(regs::kIntEnable) & ~regs::kIntEnableStopMask);
  EXPECT_EQ(card.mmioRead(regs::kIntEnable), regs::kIntEnableCard);
}

// An interrupt routine that runs inside setLevel and reads and acknowledges the card, as a
// platform that delivers interrupts synchronously does.
class SynchronousIsr : public InterruptLine {
 public:
  void setLevel(bool asserted) override {
    if (!asserted || card == nullptr) return;
    ++runs;
    status = card->mmioRead(regs::kIntStatus);
    uint32_t m = card->mmioRead(regs::kMailboxWindow + regs::kMailboxControl);
    card->mmioWrite(regs::kMailboxWindow + regs::kMailboxControl, m & 0x7F);
  }
  SimulatedCard* card = nullptr;
  int runs = 0;
  uint32_t status = 0;
};

TEST(CardInterruptTest, InterruptRoutineMayAccessTheCardFromSetLevel) {
  VirtualClock clock;
  NullMemory memory;
  SynchronousIsr isr;
  SimulatedCard card(runningConfig(), clock, memory, isr);
  isr.card = &card;
  card.mmioWrite(regs::kIntEnable, regs::kIntEnableCard);
  card.raiseCardEvent(30);
  EXPECT_EQ(isr.runs, 1);
  EXPECT_EQ(isr.status, regs::kIntStatusCard);
  EXPECT_EQ(card.mmioRead(regs::kIntStatus), 0u);  // acknowledged inside the routine
}

TEST(CardInterruptTest, EventsFromAnotherThreadWhileCommandsRun) {
  VirtualClock clock;
  NullMemory memory;
  RecordingLineLocked line;
  CardConfig config = runningConfig();
  SimulatedCard card(config, clock, memory, line);
  TestHost host(card, clock);
  card.mmioWrite(regs::kIntEnable, regs::kIntEnableCard);
  std::thread events([&] {
    for (int i = 0; i < 200; ++i) card.raiseCardEvent(uint8_t(10 + i % 4));
  });
  int answered = 0;
  for (int i = 0; i < 50; ++i) {
    auto answer = host.command(20, {}, 0x6D);
    if (answer && answer->data) ++answered;
  }
  events.join();
  EXPECT_GT(answered, 0);
  EXPECT_EQ(card.stats().badAccesses, 0u);
}

}  // namespace
}  // namespace cv7::sim::test
