// Card events raised on the simulated card reach the window as the client mode decides,
// raised back to back and while other clients exchange commands with the card.
#include <atomic>
#include <thread>

#include "SystemFixture.h"
#include "CommandCodes.h"
#include "ControlCodes.h"

namespace cv7::itest {
namespace {

// Raises one event and waits for the window to have `expected` messages.
void raiseAndWait(Daemon& daemon, RecordingWindow& window, unsigned code, size_t expected) {
  ASSERT_EQ(daemon.admin("card-event " + std::to_string(code)), "ok");
  ASSERT_TRUE(window.waitForCount(expected)) << "event " << code;
}

TEST_F(SystemTest, ClientModeOneMapsEveryKnownCardEvent) {
  ASSERT_EQ(Cvn_OpenSystem(1, window.window(), kEventMessage, kSearchMessage, kStatusMessage), 1);
  const std::pair<unsigned, intptr_t> table[] = {{10, 2}, {11, 3}, {12, 4}, {13, 5}, {16, 7}, {21, 1}, {30, 6}};
  size_t expected = 0;
  for (auto [code, parameter] : table) {
    // An unknown code before each known one: had it produced a message, the order would show it.
    ASSERT_TRUE(raise(99));
    raiseAndWait(daemon, window, code, ++expected);
    auto last = window.messages().back();
    EXPECT_EQ(last.message, kEventMessage);
    EXPECT_EQ(last.wParam, 0u);
    EXPECT_EQ(last.lParam, parameter) << "event " << code;
  }
  EXPECT_EQ(window.count(), expected);
}

// Another program (client 3) asks the card for its tuner information over and over, as the
// arbitration allows, while the card raises events.
class CommandTraffic {
 public:
  explicit CommandTraffic(const std::string& socketPath) : connection_(socketPath) {
    thread_ = std::thread([this] { run(); });
  }
  ~CommandTraffic() { stop(); }
  void stop() {
    stopping_ = true;
    if (thread_.joinable()) thread_.join();
  }
  int commands() const { return commands_.load(); }
  int failures() const { return failures_.load(); }

 private:
  void run() {
    while (!stopping_) {
      if (connection_.word(ctl::IOCTL_CV7_ACQUIRE_CHANNEL, {3}) != 1) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        continue;
      }
      std::vector<uint8_t> block;
      std::vector<uint32_t> words(8, 0);
      words[0] = cmd::CMD_GET_TUNER_INFO;
      bool done = connection_.request(ctl::IOCTL_CV7_SEND_COMMAND, words, 32, &block) == 0 && block.size() == 32;
      connection_.request(ctl::IOCTL_CV7_RELEASE_CHANNEL, {3}, 0);
      (done && block[28] == 1 ? commands_ : failures_).fetch_add(1);
      std::this_thread::sleep_for(std::chrono::microseconds(300));
    }
  }

  RawConnection connection_;
  std::atomic<bool> stopping_{false};
  std::atomic<int> commands_{0}, failures_{0};
  std::thread thread_;
};

TEST_F(SystemTest, EventsRaisedBackToBackWhileAnotherClientSendsCommandsAllArriveInOrder) {
  ASSERT_EQ(Cvn_OpenSystem(1, window.window(), kEventMessage, kSearchMessage, kStatusMessage), 1);
  CommandTraffic traffic(daemon.socketPath());
  ASSERT_TRUE(eventually([&] { return traffic.commands() >= 20; }));
  const std::pair<unsigned, intptr_t> table[] = {{10, 2}, {11, 3}, {12, 4}, {13, 5}, {16, 7}, {21, 1}, {30, 6}};
  std::vector<intptr_t> expected;
  for (int round = 0; round < 12; ++round) {
    for (auto [code, parameter] : table) {
      ASSERT_TRUE(raise(code));
      expected.push_back(parameter);
    }
  }
  ASSERT_TRUE(window.waitForCount(expected.size(), std::chrono::milliseconds(10000))) << window.count();
  traffic.stop();
  std::vector<intptr_t> got;
  for (const auto& m : window.messages()) got.push_back(m.lParam);
  EXPECT_EQ(got, expected);
  EXPECT_GT(traffic.commands(), 20);
  EXPECT_EQ(traffic.failures(), 0);
}

TEST_F(SystemTest, ClientModeTwoHearsOnlyClientOpenedAndOnlyWithoutClientOne) {
  ASSERT_EQ(Cvn_OpenSystem(2, window.window(), kEventMessage, kSearchMessage, kStatusMessage), 1);
  ASSERT_TRUE(raise(10));
  raiseAndWait(daemon, window, 21, 1);
  EXPECT_EQ(window.messages()[0].lParam, 1);

  // While a client 1 is registered, client mode 2 reports nothing.
  {
    RawConnection clientOne(daemon.socketPath());
    ASSERT_EQ(clientOne.request(ctl::IOCTL_CV7_OPEN_CLIENT, {1, 0, 0, 0}, 0), 0u);
    ASSERT_EQ(clientOne.word(ctl::IOCTL_CV7_QUERY_CLIENT1_OPEN), 1u);
    long before = daemon.stat("requests");
    ASSERT_TRUE(raise(21));
    // The event thread asks whether client 1 is open (one request) and stops there.
    ASSERT_TRUE(eventually([&] { return daemon.stat("requests") > before; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(window.count(), 1u);
  }
  // The connection of that client has gone, and with it client 1.
  RawConnection probe(daemon.socketPath());
  ASSERT_TRUE(eventually([&] { return probe.word(ctl::IOCTL_CV7_QUERY_CLIENT1_OPEN) == 0; }));
  raiseAndWait(daemon, window, 21, 2);
  EXPECT_EQ(window.messages()[1].lParam, 1);
}

TEST_F(SystemTest, ClientModeThreeReportsNoCardEvents) {
  ASSERT_EQ(Cvn_OpenSystem(3, window.window(), kEventMessage, kSearchMessage, kStatusMessage), 1);
  for (unsigned code : {21u, 10u, 30u}) ASSERT_TRUE(raise(code));
  ASSERT_TRUE(eventually([&] { return daemon.stat("interrupts") >= 1; }));
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  for (const auto& m : window.messages()) EXPECT_NE(m.message, kEventMessage);
}

TEST_F(SystemTest, WithoutWindowEventsAreReadButNothingIsSent) {
  ASSERT_EQ(Cvn_OpenSystem(1, nullptr, kEventMessage, kSearchMessage, kStatusMessage), 1);
  long before = daemon.stat("card-commands");
  ASSERT_TRUE(raise(21));
  // Acquire, command 19, release: the event was read from the card.
  EXPECT_TRUE(eventually([&] { return daemon.stat("card-commands") > before; }));
  EXPECT_EQ(Cvn_CloseSystem(), 1);
}

}  // namespace
}  // namespace cv7::itest

namespace cv7::itest {
namespace {

// The network stack's multicast list changes; the driver's timer turns the change into the
// PID change report, signals client 3's status event, and the status thread sends the lists.
TEST_F(SystemTest, MulticastListChangeReachesClientThreeAsStatusLists) {
  window.copyStatusFor(kStatusMessage);
  ASSERT_EQ(Cvn_OpenSystem(3, window.window(), kEventMessage, kSearchMessage, kStatusMessage), 1);
  ASSERT_EQ(daemon.admin("multicast-list 01:00:5e:00:01:02 01:00:5e:7f:e2:03"), "ok");
  ASSERT_TRUE(window.waitForCount(1));
  auto first = window.messages()[0];
  EXPECT_EQ(first.message, kStatusMessage);
  EXPECT_EQ(first.wParam, 0u);
  EXPECT_EQ(first.status.CountA, 0);
  ASSERT_EQ(first.status.CountB, 2);
  EXPECT_EQ(first.status.ListB[0], 0x0102u);
  EXPECT_EQ(first.status.ListB[1], 0x0203u);  // the PID is the low 13 bits of the group

  ASSERT_EQ(daemon.admin("multicast-list 01:00:5e:7f:e2:03"), "ok");
  ASSERT_TRUE(window.waitForCount(2));
  auto second = window.messages()[1];
  ASSERT_EQ(second.status.CountA, 1);
  EXPECT_EQ(second.status.ListA[0], 0x0102u);
  EXPECT_EQ(second.status.CountB, 0);
  EXPECT_EQ(Cvn_CloseSystem(), 1);
  EXPECT_EQ(window.count(), 2u);  // each change is reported once
}

}  // namespace
}  // namespace cv7::itest
