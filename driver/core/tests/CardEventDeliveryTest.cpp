// Card events reach clients 1 and 2 however they fall against the command exchanges of
// other clients: the driver started on the simulated card, the interrupt routine and the
// deferred routine run whenever the line is asserted and the driver lets an interrupt in.
#include <gtest/gtest.h>

#include <cstring>

#include "CommandCodes.h"
#include "ControlCodes.h"
#include "FakePlatform.h"
#include "FirmwareImage.h"
#include "Miniport.h"

namespace cv7::test {
namespace {

constexpr uint32_t kClientHandle = 5;
constexpr core::EventObject kClientEvent = 0x1000 + kClientHandle;  // FakePlatform's object

class CardEventDelivery : public ::testing::Test {
 protected:
  CardEventDelivery() {
    platform.addFile("corvane.bin", sim::FirmwareImage::buildDefault());
    miniport.driverEntry();
    const uint32_t media[] = {core::kMedium802_3};
    uint32_t selected = 0;
    EXPECT_EQ(miniport.initialize(media, 1, selected), core::NDIS_STATUS_SUCCESS);
    platform.addEventHandle(kClientHandle);
    uint8_t open[8] = {1, 0, 0, 0, kClientHandle, 0, 0, 0};
    uint32_t returned = 0;
    EXPECT_EQ(miniport.control(ctl::IOCTL_CV7_OPEN_CLIENT, open, 8, 0, returned), core::STATUS_SUCCESS);
    serviceInterrupt();  // the start interrupt of the DMA engine
  }
  ~CardEventDelivery() override {
    platform.beforeRegisterAccess = nullptr;
    miniport.halt();
  }

  // The interrupt thread: while the line is asserted, the interrupt routine and the deferred routine.
  void serviceInterrupt() {
    for (int i = 0; i < 16 && platform.irqLevel.load(); ++i) {
      bool recognised = false, queue = false;
      miniport.isr(recognised, queue);
      if (queue) miniport.handleInterrupt();
    }
  }
  // A command of another client through the command channel; the reply byte 8 in `reply`.
  uint16_t relay(uint8_t code, uint8_t* reply = nullptr) {
    uint8_t block[32] = {code};
    miniport.commandChannel().relay(block);
    if (reply) *reply = block[8];
    return uint16_t(block[28] | (block[29] << 8));
  }
  // Command 19 as the client's event thread sends it: the code of the oldest event, 0 for none.
  uint8_t fetchEvent() {
    uint8_t code = 0xEE;
    EXPECT_EQ(relay(cmd::CMD_GET_EVENT, &code), 1);
    return code;
  }
  int signals() { return platform.signalCount(kClientEvent); }

  // Raises `code` just before the driver's register access number `at` of the next exchange;
  // the interrupt comes in at a later access at which the driver does not hold it off.
  void raiseDuringNextExchange(int at, uint8_t code) {
    int access = 0;
    bool raised = false, inInterrupt = false;
    platform.beforeRegisterAccess = [=, this]() mutable {
      if (inInterrupt) return;
      if (access++ == at) {
        platform.card().raiseCardEvent(code);
        raised = true;
        return;
      }
      if (raised && platform.irqLevel.load() && !miniport.state().mailboxControlLock.locked()) {
        inInterrupt = true;
        serviceInterrupt();
        inInterrupt = false;
      }
    };
  }

  FakePlatform platform;
  core::Miniport miniport{platform};
};

TEST_F(CardEventDelivery, EventRaisedJustBeforeAnotherClientsCommandReachesTheClient) {
  platform.card().raiseCardEvent(21);
  ASSERT_TRUE(platform.irqLevel.load());
  // The command's reset-channel comes before the interrupt routine has seen the event.
  EXPECT_EQ(relay(cmd::CMD_GET_FIRMWARE_VERSION), 1);
  serviceInterrupt();
  EXPECT_GE(signals(), 1);
  EXPECT_EQ(fetchEvent(), 21);
  EXPECT_EQ(fetchEvent(), 0);
}

TEST_F(CardEventDelivery, EventRaisedAtAnyStepOfAnotherCommandReachesTheClientAndSpoilsNothing) {
  for (int at = 0; at < 60; ++at) {
    int before = signals();
    raiseDuringNextExchange(at, uint8_t(100 + at));
    uint8_t reply = 0;
    EXPECT_EQ(relay(cmd::CMD_GET_VIDEO_MODE, &reply), 1) << "event at access " << at;
    platform.beforeRegisterAccess = nullptr;
    serviceInterrupt();
    EXPECT_GT(signals(), before) << "event at access " << at;
    EXPECT_EQ(fetchEvent(), 100 + at);
    EXPECT_EQ(fetchEvent(), 0) << "event at access " << at;
  }
}

TEST_F(CardEventDelivery, EventRaisedWhileTheLastOneIsFetchedFollowsIt) {
  for (int at = 0; at < 60; ++at) {
    platform.card().raiseCardEvent(10);
    serviceInterrupt();
    int before = signals();
    ASSERT_GT(before, 0);
    raiseDuringNextExchange(at, 11);
    uint8_t code = 0;
    EXPECT_EQ(relay(cmd::CMD_GET_EVENT, &code), 1) << "event at access " << at;
    EXPECT_EQ(code, 10) << "event at access " << at;
    platform.beforeRegisterAccess = nullptr;
    serviceInterrupt();
    EXPECT_GT(signals(), before) << "event at access " << at;
    EXPECT_EQ(fetchEvent(), 11) << "event at access " << at;
    EXPECT_EQ(fetchEvent(), 0) << "event at access " << at;
  }
}

}  // namespace
}  // namespace cv7::test
