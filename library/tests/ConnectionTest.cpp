// The connection Part against a fake control device: what the library sends when it opens
// and closes, the command channel's retries and release, the status thread's copying.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>

#include "FakeControlDevice.h"
#include "corvane.h"

namespace corvane::test {
namespace {

using namespace cv7::ctl;
constexpr uint32_t kStatusMessage = 0x7003;
constexpr uint32_t kEventMessage = 0x7001;

class Window {
 public:
  Window() {
    bridge_.window.send = &Window::deliver;
    bridge_.owner = this;
  }
  CvnWindow* get() { return &bridge_.window; }
  struct Message {
    uint32_t id;
    uintptr_t wParam;
    intptr_t lParam;
    CvnStatusRecord record;
  };
  bool waitFor(size_t n) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::seconds(5), [&] { return messages_.size() >= n; });
  }
  std::vector<Message> messages() {
    std::lock_guard guard(mutex_);
    return messages_;
  }

 private:
  struct Bridge {
    CvnWindow window;
    Window* owner;
  };
  static intptr_t deliver(CvnWindow* self, uint32_t id, uintptr_t wParam, intptr_t lParam) {
    Window* me = reinterpret_cast<Bridge*>(self)->owner;
    Message m{id, wParam, lParam, {}};
    if (id == kStatusMessage) m.record = *reinterpret_cast<const CvnStatusRecord*>(lParam);
    std::lock_guard guard(me->mutex_);
    me->messages_.push_back(m);
    me->changed_.notify_all();
    return 0;
  }
  Bridge bridge_{};
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<Message> messages_;
};

bool eventually(const std::function<bool()>& condition) {
  for (int i = 0; i < 1000; ++i) {
    if (condition()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return condition();
}

class ConnectionTest : public ::testing::Test {
 protected:
  void TearDown() override {
    device.refuseClientClose = false;
    device.refuseAcquire = false;
    Cvn_CloseSystem();
  }
  FakeControlDevice device;
  Window window;  // outlives the connection
};

TEST_F(ConnectionTest, OpenRegistersWithEventsAndCommand21AndCloseUndoesIt) {
  ASSERT_EQ(Cvn_OpenSystem(3, window.get(), kEventMessage, 1035, kStatusMessage), 1);
  auto log = device.requests();
  ASSERT_GE(log.size(), 4u);
  EXPECT_EQ(log[0].code, IOCTL_CV7_OPEN_CLIENT);
  ASSERT_EQ(log[0].words.size(), 4u);
  EXPECT_EQ(log[0].words[0], 3u);
  EXPECT_NE(log[0].words[1], 0u);
  EXPECT_NE(log[0].words[2], 0u);
  EXPECT_EQ(log[0].fdCount, 2u);
  EXPECT_EQ(log[1].code, IOCTL_CV7_ACQUIRE_CHANNEL);
  EXPECT_EQ(log[1].words[0], 3u);
  EXPECT_EQ(log[2].command, 21);
  EXPECT_EQ(log[2].firstParameter, 3);
  EXPECT_EQ(log[3].code, IOCTL_CV7_RELEASE_CHANNEL);

  device.clearLog();
  ASSERT_EQ(Cvn_CloseSystem(), 1);
  std::vector<uint32_t> codes;
  uint8_t closeCommand = 0;
  for (const auto& r : device.requests()) {
    if (r.code == IOCTL_CV7_GET_PID_CHANGES) continue;  // the status thread's polls
    codes.push_back(r.code);
    if (r.code == IOCTL_CV7_SEND_COMMAND) closeCommand = r.command;
  }
  EXPECT_EQ(codes, (std::vector<uint32_t>{IOCTL_CV7_ACQUIRE_CHANNEL, IOCTL_CV7_SEND_COMMAND,
                                          IOCTL_CV7_RELEASE_CHANNEL, IOCTL_CV7_CLOSE_CLIENT}));
  EXPECT_EQ(closeCommand, 22);
}

TEST_F(ConnectionTest, ClientModeOneSendsOnlyTheCardEvent) {
  ASSERT_EQ(Cvn_OpenSystem(1, nullptr, 0, 0, 0), 1);
  auto log = device.requests();
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log[0].words[0], 1u);
  EXPECT_EQ(log[0].words[2], 0u);
  EXPECT_EQ(log[0].fdCount, 1u);
}

TEST_F(ConnectionTest, RefusedRegistrationFailsTheOpen) {
  device.refuseRegistration = true;
  EXPECT_EQ(Cvn_OpenSystem(1, nullptr, 0, 0, 0), 0);
  device.refuseRegistration = false;
  device.openCommandResult = 0;
  EXPECT_EQ(Cvn_OpenSystem(1, nullptr, 0, 0, 0), 0);
  device.openCommandResult = 1;
  EXPECT_EQ(Cvn_OpenSystem(1, nullptr, 0, 0, 0), 1);
}

TEST_F(ConnectionTest, RefusedClientCloseFailsTheCloseUntilTheDriverAccepts) {
  ASSERT_EQ(Cvn_OpenSystem(2, nullptr, 0, 0, 0), 1);
  device.refuseClientClose = true;
  EXPECT_EQ(Cvn_CloseSystem(), 0);
  device.refuseClientClose = false;
  EXPECT_EQ(Cvn_CloseSystem(), 1);
  EXPECT_EQ(Cvn_CloseSystem(), 0);  // already closed
}

TEST_F(ConnectionTest, CommandGivesUpAfterAThousandRefusedAcquiresWithoutSending) {
  ASSERT_EQ(Cvn_OpenSystem(2, nullptr, 0, 0, 0), 1);
  device.clearLog();
  device.refuseAcquire = true;
  uint8_t version[2] = {0xEE, 0xEE};
  EXPECT_EQ(Cvn_GetFirmwareVersion(version), 0);
  EXPECT_EQ(device.countOf(IOCTL_CV7_ACQUIRE_CHANNEL), 1000u);
  EXPECT_EQ(device.countOf(IOCTL_CV7_SEND_COMMAND), 0u);
  EXPECT_EQ(device.countOf(IOCTL_CV7_RELEASE_CHANNEL), 0u);
  EXPECT_EQ(version[0], 0xEE);
}

TEST_F(ConnectionTest, ChannelIsReleasedAfterAFailedCommand) {
  ASSERT_EQ(Cvn_OpenSystem(2, nullptr, 0, 0, 0), 1);
  device.clearLog();
  device.commandResult = 0;
  uint8_t version[2] = {0xEE, 0xEE};
  EXPECT_EQ(Cvn_GetFirmwareVersion(version), 0);
  EXPECT_EQ(device.countOf(IOCTL_CV7_RELEASE_CHANNEL), 1u);
  EXPECT_EQ(version[0], 0xEE);
  // Status 3 (another reply) is no version: a failure, nothing written.
  device.commandResult = 3;
  EXPECT_EQ(Cvn_GetFirmwareVersion(version), 0);
  EXPECT_EQ(version[0], 0xEE);
  device.commandResult = 1;
  EXPECT_EQ(Cvn_GetFirmwareVersion(version), 1);
  EXPECT_EQ(version[0], 1);
  EXPECT_EQ(version[1], 7);
}

TEST_F(ConnectionTest, StatusReportIsCopiedAndSentWithTheRecordAddress) {
  ASSERT_EQ(Cvn_OpenSystem(3, window.get(), kEventMessage, 1035, kStatusMessage), 1);
  ASSERT_EQ(device.eventCount(), 2u);
  device.setPidChanges({1, 2, 0x100, 0x1FFF, 3, 0x200, 0x201, 0x202});
  device.signal(1);
  ASSERT_TRUE(window.waitFor(1));
  auto m = window.messages()[0];
  EXPECT_EQ(m.id, kStatusMessage);
  EXPECT_EQ(m.wParam, 0u);
  EXPECT_EQ(m.record.CountA, 2);
  EXPECT_EQ(m.record.ListA[0], 0x100u);
  EXPECT_EQ(m.record.ListA[1], 0x1FFFu);
  EXPECT_EQ(m.record.CountB, 3);
  EXPECT_EQ(m.record.ListB[2], 0x202u);
}

TEST_F(ConnectionTest, StatusListsStopAtSixteenEntries) {
  ASSERT_EQ(Cvn_OpenSystem(3, window.get(), kEventMessage, 1035, kStatusMessage), 1);
  std::vector<uint32_t> report = {1, 20};
  for (uint32_t i = 0; i < 20; ++i) report.push_back(0x10 + i);
  report.push_back(1);
  report.push_back(0x77);
  device.setPidChanges(report);
  device.signal(1);
  ASSERT_TRUE(window.waitFor(1));
  auto record = window.messages()[0].record;
  EXPECT_EQ(record.CountA, 16);
  EXPECT_EQ(record.ListA[15], 0x1Fu);
  EXPECT_EQ(record.CountB, 1);
  EXPECT_EQ(record.ListB[0], 0x77u);
}

TEST_F(ConnectionTest, UnchangedStatusSendsNoMessage) {
  ASSERT_EQ(Cvn_OpenSystem(3, window.get(), kEventMessage, 1035, kStatusMessage), 1);
  device.signal(1);
  // The thread also asks by itself every 400 ms; two answers of "no change" and no message.
  ASSERT_TRUE(eventually([&] { return device.countOf(IOCTL_CV7_GET_PID_CHANGES) >= 2; }));
  EXPECT_TRUE(window.messages().empty());
}

TEST_F(ConnectionTest, ClientModeTwoSkipsTheEventWhileClientOneIsOpen) {
  ASSERT_EQ(Cvn_OpenSystem(2, window.get(), kEventMessage, 1035, 0), 1);
  device.clientOneOpen = 1;
  device.eventCode = 21;
  device.clearLog();
  device.signal(0);
  ASSERT_TRUE(eventually([&] { return device.countOf(IOCTL_CV7_QUERY_CLIENT1_OPEN) == 1; }));
  device.clientOneOpen = 0;
  device.signal(0);
  ASSERT_TRUE(window.waitFor(1));
  EXPECT_EQ(device.countOf(IOCTL_CV7_SEND_COMMAND), 1u);  // command 19 only the second time
  EXPECT_EQ(window.messages()[0].lParam, 1);
}

TEST(ConnectionTrace, MissingDeviceIsTraced) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        ::setenv("CORVANE_TRACE", "1", 1);
        ::setenv("CV7_DEVICE", "/nonexistent/cv7-socket", 1);
        std::exit(Cvn_OpenSystem(1, nullptr, 0, 0, 0) == 0 ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "Cv9dat open vxd handle error");
}

}  // namespace
}  // namespace corvane::test
