// The network worker and the status timer: the timer is stopped during each address check
// (no tick while one runs, so checks never overlap), the next tick comes a full interval
// after a check ended, and the shut-down ends the worker with the timer stopped for good
// even when the last check ends after it.
#include <mutex>

#include "AppFixture.h"
#include "FakeHostAddressSource.h"
#include "IpAddressUpkeep.h"
#include "NetworkWorker.h"
#include "QtTestApplication.h"
#include "RecordingSetupSheet.h"

namespace cv7::app::test {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

class NetworkWorkerTest : public AppFixture {
 protected:
  void SetUp() override {
    AppFixture::SetUp();
    source.set({0x0100000A});
    QObject::connect(&timer, &StatusTimer::tick, [this] {
      std::lock_guard lock(mutex);
      ticks.push_back(Clock::now());
      if (checking) ++ticksDuringCheck;
      worker.wake();
    });
    source.onLookUp([this] {
      if (lookUps++ == 0) return;  // the network start-up's
      {
        std::lock_guard lock(mutex);
        checking = true;
        if (timer.running()) ++timerRunningDuringCheck;
      }
      std::this_thread::sleep_for(kCheck);
      std::lock_guard lock(mutex);
      checking = false;
      checkEnds.push_back(Clock::now());
    });
  }
  void TearDown() override {
    timer.close();
    worker.requestStop();
    worker.join();
    AppFixture::TearDown();
  }

  static constexpr milliseconds kInterval{100}, kCheck{250};
  QCoreApplication& application = qtApplication();  // before the timer's notifier
  FakeHostAddressSource source;
  RecordingSetupSheet sheet;
  IpAddressUpkeep upkeep{store, ui, source, sheet};
  StatusTimer timer{kInterval};
  NetworkWorker worker{upkeep, timer};

  std::mutex mutex;
  std::atomic<int> lookUps{0};
  bool checking = false;
  int ticksDuringCheck = 0, timerRunningDuringCheck = 0;
  std::vector<Clock::time_point> ticks, checkEnds;
};

TEST_F(NetworkWorkerTest, NoTickComesDuringACheckAndTheNextComesAFullIntervalAfterIt) {
  worker.start({});
  timer.start();
  spinFor(milliseconds(1600));

  std::lock_guard lock(mutex);
  ASSERT_GE(checkEnds.size(), 3u);
  EXPECT_EQ(ticksDuringCheck, 0);
  EXPECT_EQ(timerRunningDuringCheck, 0);
  for (const Clock::time_point end : checkEnds) {
    auto next = std::find_if(ticks.begin(), ticks.end(), [&](Clock::time_point t) { return t > end; });
    if (next == ticks.end()) continue;
    EXPECT_GE(*next - end, kInterval - milliseconds(10)) << "a full interval after the check";
  }
}

TEST_F(NetworkWorkerTest, TheShutDownEndsTheWorkerAndTheTimerStaysStoppedAfterALateCheck) {
  worker.start({});
  timer.start();
  ASSERT_TRUE(spinUntil([&] {
    std::lock_guard lock(mutex);
    return checking;
  }));
  // The shut-down while a check runs: the check's end would start the timer again.
  timer.close();
  worker.requestStop();
  EXPECT_TRUE(spinUntil([&] { return !worker.running(); }, milliseconds(10000))) << "the worker ends after its check";
  worker.join();
  const size_t ticksAtEnd = ticks.size();
  spinFor(milliseconds(4 * kInterval));
  EXPECT_FALSE(timer.running());
  std::lock_guard lock(mutex);
  EXPECT_EQ(ticks.size(), ticksAtEnd);
}

}  // namespace
}  // namespace cv7::app::test
