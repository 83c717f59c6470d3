// Closing the library in every situation an application can close it in, and ending the
// process with the library open: close returns and leaves no library thread running and
// nothing delivered after it; the process exits with status 0. Each case runs in a child
// process of its own, so that a hang or an abort shows as that child's end.
#include <atomic>
#include <optional>
#include <vector>

#include "ChildProcess.h"
#include "ControlCodes.h"
#include "QueuedWindow.h"
#include "ThreadModelFixture.h"

namespace cv7::itest {
namespace {

using namespace std::chrono_literals;

intptr_t ignoreMessage(uint32_t, uintptr_t, intptr_t) { return 0; }

// ---- Close on the window thread while a message waits for that thread ----

// The window thread opens, then makes a library thread send a message while the window
// thread itself is still busy: the message waits in its queue when the window thread
// calls Cvn_CloseSystem. Close returns; the message is abandoned; once the window drops
// it, the library thread that sent it ends.
int closeWhileAMessageWaits(uint8_t mode, const std::function<bool()>& makeMessage) {
  QueuedWindow window(ignoreMessage);
  int closed = -1;
  bool waited = false;
  window.runOnWindowThread([&] {
    if (Cvn_OpenSystem(mode, window.window(), kThreadEventMessage, kThreadSearchMessage, kThreadStatusMessage) != 1)
      return;
    if (!makeMessage()) return;
    waited = eventually([&] { return window.pending() == 1; }, 10s);
    closed = Cvn_CloseSystem();
    window.dropPending();  // as the application drops what arrives for a closed library
  });
  CHILD_CHECK(waited);
  CHILD_CHECK(closed == 1);
  CHILD_CHECK(eventually([] { return libraryThreads() == 0; }));
  return 0;
}

TEST_F(ThreadModelTest, CloseOnTheWindowThreadWithASearchResultWaitingReturns) {
  ChildOutcome outcome = runChild([] {
    return closeWhileAMessageWaits(1, [] { return lock() && Cvn_SearchChannel(1) == 1; });
  });
  EXPECT_TRUE(outcome.exitedWith(0)) << outcome.describe();
}

TEST_F(ThreadModelTest, CloseOnTheWindowThreadWithAStatusListWaitingReturns) {
  ChildOutcome outcome = runChild([this] {
    return closeWhileAMessageWaits(3, [this] { return daemon.admin("multicast-list 01:00:5e:00:01:02") == "ok"; });
  });
  EXPECT_TRUE(outcome.exitedWith(0)) << outcome.describe();
}

// ---- Close from inside a handler or a callback ----

// Close from the handler of the search message: with a window that runs the handler on
// the search thread itself, and with one that runs it on the window thread while the
// search thread waits. Afterwards the library opens again as if nothing had happened.
TEST_F(ThreadModelTest, CloseInsideTheSearchHandlerWorks) {
  for (bool queued : {false, true}) {
    ChildOutcome outcome = runChild([queued] {
          std::atomic<int> closed{-1};
      auto handler = [&](uint32_t message, uintptr_t, intptr_t) {
        if (message == kThreadSearchMessage) closed = Cvn_CloseSystem();
        return intptr_t(0);
      };
      DirectWindow direct(handler);
      std::optional<QueuedWindow> queue;
      if (queued) queue.emplace(handler);
      CvnWindow* window = queued ? queue->window() : direct.window();
      CHILD_CHECK(Cvn_OpenSystem(1, window, kThreadEventMessage, kThreadSearchMessage, 0) == 1);
      CHILD_CHECK(lock());
      CHILD_CHECK(Cvn_SearchChannel(1) == 1);
      CHILD_CHECK(eventually([&] { return closed != -1; }, 10s));
      CHILD_CHECK(closed == 1);
      CHILD_CHECK(eventually([] { return libraryThreads() == 0; }));
      CHILD_CHECK(Cvn_OpenSystem(1, window, kThreadEventMessage, kThreadSearchMessage, 0) == 1);
      CHILD_CHECK(Cvn_CloseSystem() == 1);
      return 0;
    });
    EXPECT_TRUE(outcome.exitedWith(0)) << (queued ? "queued window: " : "direct window: ") << outcome.describe();
  }
}

TEST_F(ThreadModelTest, CloseInsideACardEventHandlerWorks) {
  ChildOutcome outcome = runChild([this] {
      std::atomic<int> closed{-1};
    DirectWindow window([&](uint32_t message, uintptr_t, intptr_t) {
      if (message == kThreadEventMessage) closed = Cvn_CloseSystem();
      return intptr_t(0);
    });
    CHILD_CHECK(Cvn_OpenSystem(1, window.window(), kThreadEventMessage, kThreadSearchMessage, 0) == 1);
    CHILD_CHECK(daemon.admin("card-event 21") == "ok");
    CHILD_CHECK(eventually([&] { return closed != -1; }, 10s));
    CHILD_CHECK(closed == 1);
    CHILD_CHECK(eventually([] { return libraryThreads() == 0; }));
    return 0;
  });
  EXPECT_TRUE(outcome.exitedWith(0)) << outcome.describe();
}

// The raw packets of the data PID: each callback counts, and the first one runs `inside`.
struct DataCallbacks {
  static inline std::vector<uint8_t> buffer = std::vector<uint8_t>(188 * 4);
  static inline std::atomic<int> calls{0};
  static inline std::atomic<int> callsAfter{0};  // after `inside` returned
  static inline std::atomic<bool> done{false};
  static inline std::function<void()> inside = [] {};
  static void callback(uint32_t, NetPid, uint32_t, uint32_t, int32_t) {
    if (done) ++callsAfter;
    if (++calls == 1) {
      inside();
      done = true;
    }
  }
  static CvnDataPathRegistration registration() {
    return CvnDataPathRegistration{{kDataPid, 10, 7, 1, 0x100}, 0, buffer.data(), uint32_t(buffer.size()), callback};
  }
};

TEST_F(ThreadModelTest, CloseInsideADataCallbackEndsTheDataPath) {
  ChildOutcome outcome = runChild([] {
      std::atomic<int> closed{-1};
    DataCallbacks::inside = [&] { closed = Cvn_CloseSystem(); };
    CHILD_CHECK(Cvn_OpenSystem(2, nullptr, 0, 0, 0) == 1);
    CHILD_CHECK(lock());
    CHILD_CHECK(Cvn_InitDataPath() == CVN_DATAPATH_OK);
    CHILD_CHECK(Cvn_RegisterDataPath(DataCallbacks::registration()) == CVN_DATAPATH_OK);
    CHILD_CHECK(eventually([] { return DataCallbacks::done.load(); }, 10s));
    CHILD_CHECK(closed == 1);
    CHILD_CHECK(eventually([] { return libraryThreads() == 0; }));
    std::this_thread::sleep_for(200ms);
    CHILD_CHECK(DataCallbacks::callsAfter == 0);
    return 0;
  });
  EXPECT_TRUE(outcome.exitedWith(0)) << outcome.describe();
}

TEST_F(ThreadModelTest, TerminationInsideADataCallbackWorks) {
  ChildOutcome outcome = runChild([] {
    std::atomic<int> unregistered{-1}, terminated{-1};
    DataCallbacks::inside = [&] {
      unregistered = Cvn_UnRegisterDataPath(NetPid{kDataPid, 10, 7, 1, 0x100});
      terminated = Cvn_TermDataPath();
    };
    CHILD_CHECK(Cvn_OpenSystem(2, nullptr, 0, 0, 0) == 1);
    CHILD_CHECK(lock());
    CHILD_CHECK(Cvn_InitDataPath() == CVN_DATAPATH_OK);
    CHILD_CHECK(Cvn_RegisterDataPath(DataCallbacks::registration()) == CVN_DATAPATH_OK);
    CHILD_CHECK(eventually([] { return DataCallbacks::done.load(); }, 10s));
    CHILD_CHECK(unregistered == CVN_DATAPATH_OK);
    CHILD_CHECK(terminated == CVN_DATAPATH_OK);
    CHILD_CHECK(eventually([] { return libraryThreads() == 2; }));  // the event and search threads
    CHILD_CHECK(DataCallbacks::callsAfter == 0);
    // The path is free again, for this process or another.
    CHILD_CHECK(Cvn_InitDataPath() == CVN_DATAPATH_OK);
    CHILD_CHECK(Cvn_TermDataPath() == CVN_DATAPATH_OK);
    CHILD_CHECK(Cvn_CloseSystem() == 1);
    return 0;
  });
  EXPECT_TRUE(outcome.exitedWith(0)) << outcome.describe();
}

// ---- Process exit ----

// A window that is never destroyed, as an application's main window outlives main.
CvnWindow* lastingWindow() {
  static auto* window = new DirectWindow(ignoreMessage);
  return window->window();
}

// The daemon holds nothing of a process that has ended: no client, no event, a free data
// path, and the PID it received released.
void expectNothingLeftBehind(Daemon& daemon) {
  RawConnection probe(daemon.socketPath());
  EXPECT_TRUE(eventually([&] { return probe.word(ctl::IOCTL_CV7_QUERY_CLIENT1_OPEN) == 0; }));
  EXPECT_TRUE(eventually([&] { return daemon.stat("events") == 0; })) << daemon.admin("stats");
  ASSERT_EQ(Cvn_OpenSystem(2, nullptr, 0, 0, 0), 1);
  EXPECT_EQ(Cvn_InitDataPath(), CVN_DATAPATH_OK);
  EXPECT_EQ(Cvn_RegisterDataPath(DataCallbacks::registration()), CVN_DATAPATH_OK);
  EXPECT_EQ(Cvn_UnRegisterDataPath(NetPid{kDataPid, 10, 7, 1, 0x100}), CVN_DATAPATH_OK);
  EXPECT_EQ(Cvn_TermDataPath(), CVN_DATAPATH_OK);
  EXPECT_EQ(Cvn_CloseSystem(), 1);
}

TEST_F(ThreadModelTest, ExitWithoutCloseEndsCleanlyInEveryClientMode) {
  for (uint8_t mode : {1, 2, 3}) {
    ChildOutcome outcome = runChild([mode] {
      CHILD_CHECK(Cvn_OpenSystem(mode, lastingWindow(), kThreadEventMessage, kThreadSearchMessage,
                                 kThreadStatusMessage) == 1);
      return 0;  // as main returns
    });
    EXPECT_TRUE(outcome.exitedWith(0)) << "client mode " << int(mode) << ": " << outcome.describe();
  }
  expectNothingLeftBehind(daemon);
}

TEST_F(ThreadModelTest, ExitWithTheDataPathInitialisedEndsCleanly) {
  for (bool closeFirst : {false, true}) {
    ChildOutcome outcome = runChild([closeFirst] {
      CHILD_CHECK(Cvn_OpenSystem(1, lastingWindow(), kThreadEventMessage, kThreadSearchMessage, 0) == 1);
      CHILD_CHECK(lock());
      CHILD_CHECK(Cvn_InitDataPath() == CVN_DATAPATH_OK);
      CHILD_CHECK(Cvn_RegisterDataPath(DataCallbacks::registration()) == CVN_DATAPATH_OK);
      CHILD_CHECK(eventually([] { return DataCallbacks::calls > 0; }, 10s));
      if (closeFirst) CHILD_CHECK(Cvn_CloseSystem() == 1);
      return 0;
    });
    EXPECT_TRUE(outcome.exitedWith(0)) << (closeFirst ? "closed first: " : "left open: ") << outcome.describe();
    expectNothingLeftBehind(daemon);
  }
}

}  // namespace
}  // namespace cv7::itest
