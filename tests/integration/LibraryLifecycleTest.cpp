// Opening and closing the library against the real daemon.
#include "SystemFixture.h"
#include "ControlCodes.h"

namespace cv7::itest {
namespace {

TEST_F(SystemTest, OpensAndClosesInEveryClientMode) {
  RawConnection probe(daemon.socketPath());
  for (uint8_t mode : {1, 2, 3}) {
      ASSERT_EQ(Cvn_OpenSystem(mode, window.window(), kEventMessage, kSearchMessage, kStatusMessage), 1) << int(mode);
    EXPECT_EQ(Cvn_StartSystem(), 1);
    EXPECT_EQ(probe.word(ctl::IOCTL_CV7_QUERY_CLIENT1_OPEN), mode == 1 ? 1u : 0u);
    EXPECT_EQ(Cvn_StopSystem(), 1);
    ASSERT_EQ(Cvn_CloseSystem(), 1) << int(mode);
    EXPECT_EQ(probe.word(ctl::IOCTL_CV7_QUERY_CLIENT1_OPEN), 0u);
  }
  EXPECT_EQ(daemon.stat("active-connections"), 1);  // only the probe is left
}

TEST_F(SystemTest, ReportsDriverAndFirmwareVersions) {
  ASSERT_EQ(Cvn_OpenSystem(2, nullptr, 0, 0, 0), 1);
  uint8_t driver[2] = {}, firmware[2] = {0xEE, 0xEE}, mode = 0xEE;
  ASSERT_EQ(Cvn_GetDriverVersion(driver), 1);
  EXPECT_EQ(driver[0], 2);
  EXPECT_EQ(driver[1], 20);
  ASSERT_EQ(Cvn_GetFirmwareVersion(firmware), 1);
  EXPECT_EQ(firmware[0], 1);
  EXPECT_EQ(firmware[1], 0);
  EXPECT_EQ(Cvn_GetVideoMode(&mode), 1);
  EXPECT_EQ(Cvn_CloseSystem(), 1);
}

TEST_F(SystemTest, ClosedLibraryRefusesRequestsButStartAndStopSucceed) {
  uint8_t version[2] = {};
  EXPECT_EQ(Cvn_GetDriverVersion(version), 0);
  EXPECT_EQ(Cvn_GetFirmwareVersion(version), 0);
  EXPECT_EQ(Cvn_CloseSystem(), 0);
  EXPECT_EQ(Cvn_StartSystem(), 1);
  EXPECT_EQ(Cvn_StopSystem(), 1);
}

TEST_F(SystemTest, OpenWithoutDaemonFailsAndSendsNothing) {
  daemon.stop();
  EXPECT_EQ(Cvn_OpenSystem(1, nullptr, 0, 0, 0), 0);
  uint8_t version[2] = {};
  EXPECT_EQ(Cvn_GetDriverVersion(version), 0);
  ::setenv("CV7_DEVICE", (daemon.dir() + "/nobody-here").c_str(), 1);
  EXPECT_EQ(Cvn_OpenSystem(3, nullptr, 0, 0, 0), 0);
}

TEST_F(SystemTest, SecondOpenOfTheSameProcessIsRefused) {
  ASSERT_EQ(Cvn_OpenSystem(1, nullptr, 0, 0, 0), 1);
  EXPECT_EQ(Cvn_OpenSystem(2, nullptr, 0, 0, 0), 0);
  uint8_t version[2] = {};
  EXPECT_EQ(Cvn_GetDriverVersion(version), 1);  // the first connection still works
  EXPECT_EQ(Cvn_CloseSystem(), 1);
}

TEST_F(SystemTest, CloseWaitsWhileTheEventThreadHandlesAnEvent) {
  window.setSendDelay(std::chrono::milliseconds(300));
  ASSERT_EQ(Cvn_OpenSystem(1, window.window(), kEventMessage, kSearchMessage, kStatusMessage), 1);
  ASSERT_TRUE(raise(21));
  ASSERT_TRUE(eventually([&] { return window.entered() == 1; }));
  EXPECT_EQ(Cvn_CloseSystem(), 1);
  // The message that was being delivered had finished before close returned, and no other
  // message comes after.
  EXPECT_EQ(window.count(), 1u);
  ASSERT_TRUE(raise(10));
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(window.entered(), 1);
}

TEST_F(SystemTest, CloseEndsTheThreadsWhileAnotherClientHoldsTheChannel) {
  RawConnection holder(daemon.socketPath());
  ASSERT_EQ(holder.request(ctl::IOCTL_CV7_OPEN_CLIENT, {2, 0, 0, 0}, 0), 0u);
  ASSERT_EQ(Cvn_OpenSystem(1, nullptr, 0, 0, 0), 1);
  // Client 2 takes the channel and keeps it (once client 1's event thread, which asks the
  // card for events after the open's commands, has let it go); the event thread now waits
  // for it in vain.
  ASSERT_TRUE(eventually([&] { return holder.word(ctl::IOCTL_CV7_ACQUIRE_CHANNEL, {2}) == 1u; }));
  ASSERT_TRUE(raise(10));
  EXPECT_EQ(Cvn_CloseSystem(), 1);
}

}  // namespace
}  // namespace cv7::itest
