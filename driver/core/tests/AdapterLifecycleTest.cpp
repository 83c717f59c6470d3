// Adapter start, halt, reset and shutdown on the fake platform with the simulated card
// behind it: PCI search, resources, the firmware download, the station address and every
// failure path.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "CardRegisters.h"
#include "FakePlatform.h"
#include "FirmwareImage.h"
#include "Miniport.h"

namespace cv7::test {
namespace {

using core::Miniport;

constexpr uint32_t kMailboxData = regs::kMailboxWindow + regs::kMailboxData;

class AdapterLifecycle : public ::testing::Test {
 protected:
  AdapterLifecycle() {
    image = sim::FirmwareImage::build(2, 7, std::vector<uint8_t>(300, 0x5A));
    platform.addFile("corvane.bin", image);
    EXPECT_EQ(miniport.driverEntry(), core::NDIS_STATUS_SUCCESS);
  }
  core::Status start() {
    const uint32_t media[] = {7, core::kMedium802_3, 9};
    uint32_t selected = 99;
    core::Status status = miniport.initialize(media, 3, selected);
    if (status == core::NDIS_STATUS_SUCCESS) {
      EXPECT_EQ(selected, 1u);
    }
    return status;
  }
  void setFaults(void (*change)(sim::CardFaults&)) {
    sim::CardFaults faults = platform.card().faults();
    change(faults);
    platform.card().setFaults(faults);
  }
  std::vector<uint32_t> writesTo(std::initializer_list<uint32_t> offsets) {
    std::vector<uint32_t> seen;
    for (const auto& access : platform.registerLog()) {
      if (std::find(offsets.begin(), offsets.end(), access.offset) != offsets.end()) seen.push_back(access.offset);
    }
    return seen;
  }
  // Nothing of a failed or halted adapter is left behind.
  void expectNothingHeld() {
    EXPECT_EQ(miniport.adapter(), nullptr);
    EXPECT_EQ(platform.outstandingAllocations(), 0u);
    EXPECT_FALSE(platform.mapRegistersHeld);
    EXPECT_FALSE(platform.interruptRegistered);
    EXPECT_FALSE(platform.mapped());
    EXPECT_EQ(platform.openFileCount(), 0u);
    EXPECT_EQ(miniport.state().registers.load(), nullptr);
  }

  FakePlatform platform;
  Miniport miniport{platform};
  std::vector<uint8_t> image;
};

TEST_F(AdapterLifecycle, FindsTheCardInSlotThreeAndReadsItsStationAddress) {
  ASSERT_EQ(start(), core::NDIS_STATUS_SUCCESS);
  EXPECT_EQ(platform.pciSlotsRead, (std::vector<uint32_t>{0, 1, 2, 3}));
  core::AdapterContext* adapter = miniport.adapter();
  ASSERT_NE(adapter, nullptr);
  EXPECT_EQ(adapter->slot, 3u);
  EXPECT_EQ(adapter->memoryStart, platform.card().config().memoryBase);
  EXPECT_EQ(adapter->interruptVector, platform.card().config().interruptLevel);
  EXPECT_EQ(adapter->permanentAddress, platform.card().config().macAddress);
  EXPECT_EQ(adapter->currentAddress, platform.card().config().macAddress);
  for (size_t i = 0; i < 6; ++i) EXPECT_EQ(miniport.state().stationAddress[i].load(), platform.card().config().macAddress[i]);
  EXPECT_TRUE(platform.interruptRegistered);
  EXPECT_TRUE(platform.shutdownRegistered);
  EXPECT_TRUE(platform.card().firmwareRunning());
  EXPECT_TRUE(platform.errorLog.empty());
  miniport.halt();
}

TEST_F(AdapterLifecycle, FirmwareReportsTheVersionOfItsImage) {
  ASSERT_EQ(start(), core::NDIS_STATUS_SUCCESS);
  uint8_t block[32] = {20};
  miniport.commandChannel().relay(block);
  EXPECT_EQ(block[28], 1);
  EXPECT_EQ(block[8], 2);
  EXPECT_EQ(block[9], 7);
  miniport.halt();
}

TEST_F(AdapterLifecycle, WritesTheSetUpRegistersThenStartsReception) {
  ASSERT_EQ(start(), core::NDIS_STATUS_SUCCESS);
  auto setup = writesTo({regs::kSetup44, regs::kSetup48, regs::kSetup240, regs::kSetup244, regs::kSetup248});
  ASSERT_GE(setup.size(), 6u);
  EXPECT_EQ(std::vector<uint32_t>(setup.begin(), setup.begin() + 6),
            (std::vector<uint32_t>{0x48, 0x48, 0x44, 0x240, 0x244, 0x248}));
  EXPECT_EQ(platform.card().mmioRead(regs::kSetup48) & regs::kSetup48Bit17, 0u);
  EXPECT_EQ(platform.card().mmioRead(regs::kSetup44) & regs::kSetup44Bits, regs::kSetup44Bits);
  EXPECT_EQ(platform.card().mmioRead(regs::kSetup240), 0xB3u);
  EXPECT_EQ(platform.card().mmioRead(regs::kSetup248), 0x80u);
  // Reception: interrupt enable, the DMA pulses, bit 4 of 0x48, ring and page list, run.
  auto reception = writesTo({regs::kIntEnable, regs::kDmaControl, regs::kRingAddress, regs::kPageListAddress, regs::kDma5C});
  EXPECT_EQ(reception, (std::vector<uint32_t>{0x50, 0x60, 0x60, 0x60, 0x60, 0x54, 0x58, 0x5C, 0x60, 0x60, 0x60}));
  core::AdapterContext* adapter = miniport.adapter();
  EXPECT_EQ(platform.card().mmioRead(regs::kRingAddress), uint32_t(adapter->shared.physical));
  EXPECT_EQ(platform.card().mmioRead(regs::kPageListAddress), uint32_t(adapter->shared.physical) + 0x8000);
  EXPECT_NE(platform.card().mmioRead(regs::kSetup48) & regs::kSetup48ReceiveBit, 0u);
  miniport.halt();
}

TEST_F(AdapterLifecycle, DownloadsSyncBytesLengthLoaderValuesImageAndFinalZero) {
  ASSERT_EQ(start(), core::NDIS_STATUS_SUCCESS);
  std::vector<uint8_t> posted;
  for (const auto& access : platform.registerLog()) {
    if (access.offset == kMailboxData) posted.push_back(uint8_t(access.value));
  }
  std::vector<uint8_t> expected = {1, 2, 3, 4, 5};
  auto be32 = [&](uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) expected.push_back(uint8_t(v >> shift));
  };
  be32(uint32_t(image.size()));
  be32(0x2800);
  be32(0xAF000);
  expected.insert(expected.end(), image.begin(), image.end());
  expected.push_back(0);
  ASSERT_GE(posted.size(), expected.size());
  EXPECT_EQ(std::vector<uint8_t>(posted.begin(), posted.begin() + expected.size()), expected);
  // Bytes are posted sign-extended.
  for (const auto& access : platform.registerLog()) {
    if (access.offset == kMailboxData && (access.value & 0x80)) {
      EXPECT_EQ(access.value & 0xFFFFFF00u, 0xFFFFFF00u);
      break;
    }
  }
  miniport.halt();
}

TEST_F(AdapterLifecycle, LoaderThatNeverAnswersFailsAfterOneMailboxWait) {
  setFaults([](sim::CardFaults& f) { f.loaderIgnoresFirstSync = true; });
  uint64_t before = platform.clock().nowMicroseconds();
  EXPECT_EQ(start(), core::NDIS_STATUS_ADAPTER_NOT_FOUND);
  uint64_t elapsed = platform.clock().nowMicroseconds() - before;
  EXPECT_GE(elapsed, 501u * 150u);
  EXPECT_LT(elapsed, 80'000u);
  EXPECT_EQ(platform.errorLog, (std::vector<uint32_t>{core::NDIS_ERROR_CODE_ADAPTER_NOT_FOUND}));
  expectNothingHeld();
}

TEST_F(AdapterLifecycle, LoaderThatNeverShowsIdleAfterTheFinalByteStillStarts) {
  setFaults([](sim::CardFaults& f) { f.loaderNeverIdleAfterFinal = true; });
  uint64_t before = platform.clock().nowMicroseconds();
  ASSERT_EQ(start(), core::NDIS_STATUS_SUCCESS);
  uint64_t elapsed = platform.clock().nowMicroseconds() - before;
  EXPECT_GE(elapsed, 100'000'000u);
  EXPECT_LT(elapsed, 103'000'000u);
  miniport.halt();
}

TEST_F(AdapterLifecycle, WaitsTwoSecondsForTheFirmwareAfterTheDownload) {
  uint64_t before = platform.clock().nowMicroseconds();
  ASSERT_EQ(start(), core::NDIS_STATUS_SUCCESS);
  EXPECT_GE(platform.clock().nowMicroseconds() - before, 2'000'000u);
  miniport.halt();
}

TEST_F(AdapterLifecycle, LoaderThatStopsMidImageFailsTheStart) {
  setFaults([](sim::CardFaults& f) { f.loaderStopsMidImage = true; });
  EXPECT_EQ(start(), core::NDIS_STATUS_ADAPTER_NOT_FOUND);
  EXPECT_EQ(platform.errorLog.size(), 1u);
  expectNothingHeld();
}

TEST_F(AdapterLifecycle, CorruptImageLeavesTheCardSilentAndTheAddressCommandFails) {
  image.back() ^= 0xFF;  // checksum no longer matches
  platform.addFile("corvane.bin", image);
  EXPECT_EQ(start(), core::NDIS_STATUS_ADAPTER_NOT_FOUND);
  EXPECT_FALSE(platform.card().firmwareRunning());
  EXPECT_EQ(platform.errorLog, (std::vector<uint32_t>{core::NDIS_ERROR_CODE_ADAPTER_NOT_FOUND}));
  expectNothingHeld();
}

TEST_F(AdapterLifecycle, MissingOrUnmappableFirmwareFailsTheStart) {
  platform.fail(Op::OpenFile);
  EXPECT_EQ(start(), core::NDIS_STATUS_ADAPTER_NOT_FOUND);
  expectNothingHeld();
  platform.succeed(Op::OpenFile);
  platform.fail(Op::MapFile);
  EXPECT_EQ(start(), core::NDIS_STATUS_ADAPTER_NOT_FOUND);
  EXPECT_EQ(platform.errorLog.size(), 2u);
  expectNothingHeld();
}

TEST_F(AdapterLifecycle, ShortConfigurationReadFails) {
  platform.fail(Op::ReadPciSlotShort);
  EXPECT_EQ(start(), core::NDIS_STATUS_FAILURE);
  EXPECT_EQ(platform.pciSlotsRead, (std::vector<uint32_t>{0}));
  expectNothingHeld();
}

TEST_F(AdapterLifecycle, NoCardInAnySlotFailsWithAdapterNotFound) {
  platform.removeCard();
  EXPECT_EQ(start(), core::NDIS_STATUS_ADAPTER_NOT_FOUND);
  EXPECT_EQ(platform.pciSlotsRead, (std::vector<uint32_t>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
  EXPECT_TRUE(platform.errorLog.empty());
  expectNothingHeld();
}

TEST_F(AdapterLifecycle, UnsupportedMediumIsRefused) {
  const uint32_t media[] = {4, 5};
  uint32_t selected = 0;
  EXPECT_EQ(miniport.initialize(media, 2, selected), core::NDIS_STATUS_UNSUPPORTED_MEDIA);
  expectNothingHeld();
}

TEST_F(AdapterLifecycle, PlatformFailuresReturnTheirStatusAndReleaseEverything) {
  struct Case {
    Op op;
    core::Status status;
  };
  for (Case c : {Case{Op::AssignResources, core::NDIS_STATUS_RESOURCES}, Case{Op::MapIoSpace, core::NDIS_STATUS_RESOURCES},
                 Case{Op::MapRegisters, core::NDIS_STATUS_FAILURE}, Case{Op::SharedMemory, core::NDIS_STATUS_FAILURE}}) {
    platform.fail(c.op);
    EXPECT_EQ(start(), c.status) << int(c.op);
    expectNothingHeld();
    platform.succeed(c.op);
  }
}

TEST_F(AdapterLifecycle, EveryFailedAllocationIsSurvived) {
  for (int n = 1; n <= 6; ++n) {
    platform.failAllocationNumber(n);
    core::Status status = start();
    if (status == core::NDIS_STATUS_SUCCESS) {
      miniport.halt();
    } else {
      expectNothingHeld();
    }
  }
}

TEST_F(AdapterLifecycle, InterruptConnectionFailureLeavesNoAdapterAndNoDmaResources) {
  platform.fail(Op::RegisterInterrupt);
  EXPECT_EQ(start(), core::NDIS_STATUS_RESOURCES);
  EXPECT_EQ(platform.errorLog, (std::vector<uint32_t>{core::NDIS_ERROR_CODE_INTERRUPT_CONNECT}));
  expectNothingHeld();
  EXPECT_FALSE(platform.shutdownRegistered);
  // The two 0x48 writes are repeated on the way out.
  auto writes = writesTo({regs::kSetup48});
  EXPECT_GE(writes.size(), 4u);
}

TEST_F(AdapterLifecycle, HaltReleasesEverything) {
  ASSERT_EQ(start(), core::NDIS_STATUS_SUCCESS);
  miniport.halt();
  expectNothingHeld();
  EXPECT_FALSE(platform.shutdownRegistered);
  EXPECT_GE(platform.timerCancels, 1);
  EXPECT_EQ(platform.card().mmioRead(regs::kDmaControl) & regs::kDmaRunBits, 0u);
  EXPECT_TRUE(platform.card().multicastList().empty());
}

TEST_F(AdapterLifecycle, ResetEmptiesTheCardsMulticastList) {
  ASSERT_EQ(start(), core::NDIS_STATUS_SUCCESS);
  std::array<uint8_t, 6> groups[2] = {{0x01, 0x00, 0x5E, 0, 1, 0}, {0x01, 0x00, 0x5E, 0, 2, 0}};
  ASSERT_TRUE(miniport.commandChannel().setMulticastList(groups, 2));
  miniport.adapter()->multicastCount = 2;
  ASSERT_EQ(platform.card().multicastList().size(), 2u);
  bool addressingReset = true;
  EXPECT_EQ(miniport.reset(addressingReset), core::NDIS_STATUS_SUCCESS);
  EXPECT_FALSE(addressingReset);
  EXPECT_TRUE(platform.card().multicastList().empty());
  EXPECT_EQ(miniport.adapter()->multicastCount.load(), 0u);
  EXPECT_NE(platform.card().mmioRead(regs::kDmaControl) & regs::kDmaBit15, 0u);  // running again
  miniport.halt();
}

TEST_F(AdapterLifecycle, ShutdownStopsInterruptsAndDma) {
  ASSERT_EQ(start(), core::NDIS_STATUS_SUCCESS);
  platform.card().mmioWrite(regs::kIntEnable, regs::kIntEnableCard | regs::kIntEnableStopMask);
  miniport.shutdown();
  EXPECT_EQ(platform.card().mmioRead(regs::kIntEnable) & regs::kIntEnableStopMask, 0u);
  EXPECT_EQ(platform.card().mmioRead(regs::kDmaControl) & regs::kDmaRunBits, 0u);
  miniport.halt();
}

TEST_F(AdapterLifecycle, DriverEntryFreesEveryPidEntry) {
  miniport.state().pidTable.entry[3].store(0x100, 3);
  EXPECT_EQ(miniport.driverEntry(), core::NDIS_STATUS_SUCCESS);
  for (const auto& e : miniport.state().pidTable.entry) EXPECT_EQ(e.pid(), ctl::kPidFree);
}

}  // namespace
}  // namespace cv7::test
