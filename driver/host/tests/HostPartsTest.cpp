// The daemon's parts on their own: client events, options, admin answers, timers and the
// interrupt thread.
#include <gtest/gtest.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "AdminServer.h"
#include "DaemonOptions.h"
#include "EventTable.h"
#include "InterruptThread.h"
#include "TimerThread.h"

namespace cv7::host {
namespace {

bool eventually(const std::function<bool()>& condition) {
  for (int i = 0; i < 2000; ++i) {
    if (condition()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return condition();
}

uint64_t drain(int fd) {
  uint64_t count = 0;
  return ::read(fd, &count, sizeof count) == sizeof count ? count : 0;
}

TEST(EventTable, SignalsTheClientsEventfdUntilReleased) {
  int client = ::eventfd(0, EFD_NONBLOCK);
  EventTable table;
  core::EventObject object = table.add(client);
  ASSERT_NE(object, 0u);
  EXPECT_TRUE(table.signal(object));
  EXPECT_EQ(drain(client), 1u);
  table.release(object);
  EXPECT_FALSE(table.signal(object));  // a released event is ignored, not a crash
  table.release(object);
  EXPECT_EQ(table.size(), 0u);
  EXPECT_EQ(drain(client), 0u);
  ::close(client);
}

TEST(EventTable, KeepsItsOwnCopyOfTheDescriptor) {
  int client = ::eventfd(0, EFD_NONBLOCK);
  EventTable table;
  core::EventObject object = table.add(client);
  int reader = ::dup(client);
  ::close(client);  // the request's descriptor is closed after dispatch
  EXPECT_TRUE(table.signal(object));
  EXPECT_EQ(drain(reader), 1u);
  ::close(reader);
  EXPECT_EQ(table.add(-1), 0u);
}

DaemonOptions parse(std::vector<const char*> args, bool& ok, std::string& error) {
  args.insert(args.begin(), "cv7");
  DaemonOptions options;
  ok = options.parse(int(args.size()), const_cast<char**>(args.data()), error);
  return options;
}

TEST(DaemonOptions, ReadsEveryOptionInBothSpellings) {
  ::unsetenv("CV7_DEVICE");
  bool ok = false;
  std::string error;
  auto options = parse({"--foreground", "--log-level", "debug", "--socket=/tmp/x", "--firmware", "/f.bin", "--realtime"},
                       ok, error);
  ASSERT_TRUE(ok) << error;
  EXPECT_TRUE(options.foreground);
  EXPECT_TRUE(options.realtime);
  EXPECT_EQ(options.logLevel, LogLevel::Debug);
  EXPECT_EQ(options.socketPath, "/tmp/x");
  EXPECT_EQ(options.firmwarePath, "/f.bin");
  EXPECT_TRUE(options.firmwareGiven);
  options = parse({}, ok, error);
  EXPECT_FALSE(options.realtime);
  EXPECT_EQ(options.socketPath, kDefaultSocketPath);
  EXPECT_FALSE(options.firmwareGiven);
  ::setenv("CV7_DEVICE", "/tmp/from-env", 1);
  EXPECT_EQ(parse({}, ok, error).socketPath, "/tmp/from-env");
  ::unsetenv("CV7_DEVICE");
}

TEST(DaemonOptions, RefusesUnknownOptionsMissingValuesAndBadLevels) {
  bool ok = true;
  std::string error;
  parse({"--bogus"}, ok, error);
  EXPECT_FALSE(ok);
  EXPECT_NE(error.find("--bogus"), std::string::npos);
  parse({"--socket"}, ok, error);
  EXPECT_FALSE(ok);
  parse({"--log-level", "chatty"}, ok, error);
  EXPECT_FALSE(ok);
  parse({"--foreground=yes"}, ok, error);
  EXPECT_FALSE(ok);
}

TEST(AdminServer, AnswersCardEventsStatsAndErrors) {
  std::vector<unsigned> raised;
  AdminServer::Handlers handlers;
  handlers.cardEvent = [&](unsigned code) {
    raised.push_back(code);
    return true;
  };
  handlers.stats = [] { return std::string("requests=1"); };
  std::vector<uint8_t> list;
  handlers.multicastList = [&](const std::vector<uint8_t>& addresses) {
    list = addresses;
    return true;
  };
  AdminServer admin(handlers);
  EXPECT_EQ(admin.answer("multicast-list 01:00:5e:00:01:02 01:00:5E:7f:ff:ff"), "ok");
  EXPECT_EQ(list, (std::vector<uint8_t>{1, 0, 0x5e, 0, 1, 2, 1, 0, 0x5e, 0x7f, 0xff, 0xff}));
  EXPECT_EQ(admin.answer("multicast-list"), "ok");
  EXPECT_TRUE(list.empty());
  EXPECT_EQ(admin.answer("multicast-list 01:00:5e:00:01").rfind("error", 0), 0u);
  EXPECT_EQ(admin.answer("card-event 21"), "ok");
  EXPECT_EQ(admin.answer("card-event 0x1e"), "ok");
  EXPECT_EQ(raised, (std::vector<unsigned>{21, 30}));
  EXPECT_EQ(admin.answer("card-event 256").rfind("error", 0), 0u);
  EXPECT_EQ(admin.answer("card-event").rfind("error", 0), 0u);
  EXPECT_EQ(admin.answer("card-event 1 2").rfind("error", 0), 0u);
  EXPECT_EQ(admin.answer("stats"), "requests=1");
  EXPECT_EQ(admin.answer("reboot").rfind("error", 0), 0u);
  EXPECT_EQ(raised.size(), 2u);
}

TEST(TimerThread, FiresOnceAndCancelTellsWhetherItWasPending) {
  std::atomic<int> fired{0};
  TimerThread timers([&](core::TimerId) { ++fired; });
  timers.set(core::TimerId::Multicast, 1);
  ASSERT_TRUE(eventually([&] { return fired.load() == 1; }));
  EXPECT_FALSE(timers.cancel(core::TimerId::Multicast));
  timers.set(core::TimerId::Multicast, 60000);
  EXPECT_TRUE(timers.cancel(core::TimerId::Multicast));
  timers.stop();
  EXPECT_EQ(fired.load(), 1);
  EXPECT_EQ(timers.fired(), 1u);
}

TEST(InterruptThread, CallsTheRoutinesOnlyWhileConnectedAndAsserted) {
  InterruptThread line;
  std::atomic<int> isrCalls{0}, deferredCalls{0};
  line.start(
      [&](bool& recognised, bool& queue) {
        ++isrCalls;
        recognised = queue = true;
        line.setLevel(false);  // the routine acknowledges the card
      },
      [&] { ++deferredCalls; });
  line.setLevel(true);
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_EQ(isrCalls.load(), 0);  // not connected yet
  line.connect();
  ASSERT_TRUE(eventually([&] { return deferredCalls.load() == 1; }));
  line.setLevel(true);
  ASSERT_TRUE(eventually([&] { return deferredCalls.load() == 2; }));
  line.disconnect();
  line.setLevel(true);
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_EQ(isrCalls.load(), 2);
  line.stop();
}

TEST(InterruptThread, CountsALineThatNoRoutineClaims) {
  InterruptThread line;
  std::atomic<int> isrCalls{0};
  line.start([&](bool& recognised, bool& queue) {
    ++isrCalls;
    recognised = queue = false;
  }, [] {});
  line.connect();
  line.setLevel(true);
  ASSERT_TRUE(eventually([&] { return isrCalls.load() >= 1; }));
  EXPECT_GE(line.unrecognised(), 1u);
  line.disconnect();
  line.stop();
}

}  // namespace
}  // namespace cv7::host
