// The library's waits and failures against the real daemon: cancelled and restarted
// searches, card commands the card refuses, the already-active answer under concurrency,
// the daemon going away and coming back, the satellite file of a killed client.
#include <atomic>
#include <filesystem>
#include <future>
#include <mutex>
#include <vector>

#include "ChildProcess.h"
#include "ControlCodes.h"
#include "ThreadModelFixture.h"

namespace cv7::itest {
namespace {

using namespace std::chrono_literals;

// ---- Searches ----

// Keeps a copy of every search result (the SiList lives only while its message is handled).
struct SearchResults {
  std::mutex lock;
  std::vector<SiList> lists;
  DirectWindow window{[this](uint32_t message, uintptr_t, intptr_t lParam) {
    if (message == kThreadSearchMessage && lParam) {
      std::lock_guard guard(lock);
      lists.push_back(*reinterpret_cast<const SiList*>(lParam));
    }
    return intptr_t(0);
  }};
  size_t count() {
    std::lock_guard guard(lock);
    return lists.size();
  }
};

TEST_F(ThreadModelTest, CancelledSynchronousSearchReturnsWithoutAResult) {
  SearchResults results;
  ASSERT_EQ(Cvn_OpenSystem(1, results.window.window(), 0, kThreadSearchMessage, 0), 1);
  ASSERT_TRUE(lock());
  long commands = daemon.stat("card-commands");
  auto search = std::async(std::launch::async, [] { return Cvn_SearchChannel(0); });
  ASSERT_TRUE(eventually([&] { return daemon.stat("card-commands") > commands; }));  // it started
  ASSERT_EQ(Cvn_SearchCancel(), 1);
  // The tables come every 1.5 s, so the card had not finished; the search returns at once.
  bool returned = search.wait_for(5s) == std::future_status::ready;
  if (!returned) Cvn_CloseSystem();  // its polls then fail, so that the test can end
  ASSERT_TRUE(returned) << "the cancelled search did not return";
  EXPECT_EQ(search.get(), 0);
  EXPECT_EQ(results.count(), 0u);
  // A new synchronous search runs to its end.
  EXPECT_EQ(Cvn_SearchChannel(0), 1);
  EXPECT_EQ(results.count(), 1u);
}

TEST_F(ThreadModelTest, SearchCancelledAndRestartedDeliversItsResultOnce) {
  SearchResults results;
  ASSERT_EQ(Cvn_OpenSystem(1, results.window.window(), 0, kThreadSearchMessage, 0), 1);
  ASSERT_TRUE(lock());
  ASSERT_EQ(Cvn_SearchChannel(1), 1);
  ASSERT_EQ(Cvn_SearchCancel(), 1);
  ASSERT_EQ(Cvn_SearchChannel(1), 1);  // within one poll period of the cancel
  ASSERT_TRUE(eventually([&] { return results.count() >= 1; }, 10s));
  std::this_thread::sleep_for(1s);  // several poll periods: a second delivery would come now
  EXPECT_EQ(results.count(), 1u);
  EXPECT_EQ(results.lists[0].DataCount, 1u);
}

// ---- Card commands refused by the card ----

// Frames of the data PID indicated by the driver, and entries the card wrote for it.
bool framesKeepComing(Daemon& daemon) {
  long before = daemon.stat("frames");
  return eventually([&] { return daemon.stat("frames") > before + 5; });
}
bool cardStopsSending(Daemon& daemon) {
  std::this_thread::sleep_for(200ms);  // entries already on their way
  long before = daemon.stat("rx-mpe");
  std::this_thread::sleep_for(300ms);  // 60 datagrams at the source's rate
  return daemon.stat("rx-mpe") == before;
}

TEST_F(ThreadModelTest, RefusedPidCommandsLeaveTheDriversTableAsItWas) {
  ASSERT_EQ(Cvn_OpenSystem(2, nullptr, 0, 0, 0), 1);
  ASSERT_TRUE(lock());
  const NetPid pid = dataPid(3);
  ASSERT_TRUE(fault(true));
  EXPECT_EQ(Cvn_SetNetworkPID(pid), 0);
  ASSERT_TRUE(fault(false));
  // The retry reaches the card: the driver's table did not keep the PID of the refused set.
  ASSERT_EQ(Cvn_SetNetworkPID(pid), 1);
  EXPECT_TRUE(framesKeepComing(daemon)) << daemon.admin("stats");

  ASSERT_TRUE(fault(true));
  EXPECT_EQ(Cvn_ReleaseNetworkPID(pid), 0);
  ASSERT_TRUE(fault(false));
  // The card still sends the PID, and the driver still takes it.
  EXPECT_TRUE(framesKeepComing(daemon)) << daemon.admin("stats");
  ASSERT_EQ(Cvn_ReleaseNetworkPID(pid), 1);
  EXPECT_TRUE(cardStopsSending(daemon)) << daemon.admin("stats");
}

std::atomic<int> dataCalls{0};
std::vector<uint8_t> dataBuffer(188 * 4);
void countData(uint32_t, NetPid, uint32_t, uint32_t, int32_t) { ++dataCalls; }
CvnDataPathRegistration rawPackets(uint16_t pid) {
  return CvnDataPathRegistration{{pid, 10, 7, 1, 0x100}, 0, dataBuffer.data(), uint32_t(dataBuffer.size()), countData};
}

TEST_F(ThreadModelTest, RefusedDataPathCommandsKeepTheRegistrationsAsTheyWere) {
  ASSERT_EQ(Cvn_OpenSystem(2, nullptr, 0, 0, 0), 1);
  ASSERT_TRUE(lock());
  ASSERT_EQ(Cvn_InitDataPath(), CVN_DATAPATH_OK);
  ASSERT_TRUE(fault(true));
  EXPECT_EQ(Cvn_RegisterDataPath(rawPackets(kDataPid)), CVN_DATAPATH_PID_REFUSED);
  ASSERT_TRUE(fault(false));
  ASSERT_EQ(Cvn_RegisterDataPath(rawPackets(kDataPid)), CVN_DATAPATH_OK);
  EXPECT_TRUE(eventually([] { return dataCalls > 10; }));

  ASSERT_TRUE(fault(true));
  EXPECT_EQ(Cvn_UnRegisterDataPath(dataPid(10)), CVN_DATAPATH_PID_REFUSED);
  ASSERT_TRUE(fault(false));
  // Still registered and still received.
  EXPECT_EQ(Cvn_TermDataPath(), CVN_DATAPATH_BUSY);
  int calls = dataCalls;
  EXPECT_TRUE(eventually([&] { return dataCalls > calls + 10; }));
  EXPECT_EQ(Cvn_UnRegisterDataPath(dataPid(10)), CVN_DATAPATH_OK);
  EXPECT_EQ(Cvn_TermDataPath(), CVN_DATAPATH_OK);
}

// One thread sets a PID that is already active, over and over; another registers and
// unregisters free PIDs. Each registration is answered for its own PID.
TEST_F(ThreadModelTest, AlreadyActiveAnswerBelongsToEachRequest) {
  ASSERT_EQ(Cvn_OpenSystem(2, nullptr, 0, 0, 0), 1);
  ASSERT_EQ(Cvn_InitDataPath(), CVN_DATAPATH_OK);
  const NetPid active = dataPid(3, 0x600);
  ASSERT_EQ(Cvn_SetNetworkPID(active), 1);
  std::atomic<bool> done{false};
  std::thread setter([&] {
    while (!done) Cvn_SetNetworkPID(active);
  });
  int refused = 0;
  constexpr int kRounds = 100;
  for (int i = 0; i < kRounds; ++i) {
    uint16_t pid = uint16_t(0x700 + i % 4);
    if (Cvn_RegisterDataPath(rawPackets(pid)) != CVN_DATAPATH_OK) {
      ++refused;
      continue;
    }
    EXPECT_EQ(Cvn_UnRegisterDataPath(dataPid(10, pid)), CVN_DATAPATH_OK);
  }
  done = true;
  setter.join();
  EXPECT_EQ(refused, 0) << "of " << kRounds;
  // Nothing was left in the driver's table: each PID registers once more.
  for (uint16_t pid = 0x700; pid < 0x704; ++pid) {
    EXPECT_EQ(Cvn_RegisterDataPath(rawPackets(pid)), CVN_DATAPATH_OK) << pid;
    EXPECT_EQ(Cvn_UnRegisterDataPath(dataPid(10, pid)), CVN_DATAPATH_OK) << pid;
  }
  EXPECT_EQ(Cvn_ReleaseNetworkPID(active), 1);
}

// ---- The daemon goes away ----

void killDaemon(Daemon& daemon) {
  ::kill(daemon.pid(), SIGKILL);
  ASSERT_TRUE(eventually([&] { return daemon.exited(); }));
}

TEST_F(ThreadModelTest, LibraryClientSurvivesADaemonRestartAndOpensAgain) {
  RecordingWindow window;
  ASSERT_EQ(Cvn_OpenSystem(1, window.window(), kThreadEventMessage, kThreadSearchMessage, 0), 1);
  ASSERT_TRUE(lock());
  ASSERT_EQ(Cvn_InitDataPath(), CVN_DATAPATH_OK);
  ASSERT_EQ(Cvn_RegisterDataPath(rawPackets(kDataPid)), CVN_DATAPATH_OK);
  // A synchronous search waits for the card when the daemon dies: it ends with a failure.
  auto search = std::async(std::launch::async, [] { return Cvn_SearchChannel(0); });
  std::this_thread::sleep_for(300ms);
  killDaemon(daemon);
  ASSERT_EQ(search.wait_for(5s), std::future_status::ready);
  EXPECT_EQ(search.get(), 0);
  EXPECT_EQ(Cvn_TunerLockTest(lnb(), tr()), CVN_ERROR);
  EXPECT_EQ(Cvn_UnRegisterDataPath(dataPid(10)), CVN_DATAPATH_PID_REFUSED);
  EXPECT_EQ(Cvn_CloseSystem(), 1);

  ASSERT_TRUE(daemon.start({"--sky", daemon.dir() + "/sky.json"})) << daemon.log();
  ASSERT_EQ(Cvn_OpenSystem(1, window.window(), kThreadEventMessage, kThreadSearchMessage, 0), 1);
  uint8_t version[2] = {};
  EXPECT_EQ(Cvn_GetFirmwareVersion(version), 1);
  EXPECT_EQ(Cvn_InitDataPath(), CVN_DATAPATH_OK);
  EXPECT_EQ(Cvn_TermDataPath(), CVN_DATAPATH_OK);
  EXPECT_EQ(Cvn_CloseSystem(), 1);
}

TEST_F(ThreadModelTest, ProgramWithTheDataPathOpenExitsCleanlyWhenTheDaemonDies) {
  pid_t daemonPid = daemon.pid();
  ChildOutcome outcome = runChild([daemonPid] {
    CHILD_CHECK(Cvn_OpenSystem(2, nullptr, 0, 0, 0) == 1);
    CHILD_CHECK(lock());
    CHILD_CHECK(Cvn_InitDataPath() == CVN_DATAPATH_OK);
    CHILD_CHECK(Cvn_RegisterDataPath(rawPackets(kDataPid)) == CVN_DATAPATH_OK);
    CHILD_CHECK(eventually([] { return dataCalls > 0; }, 10s));
    CHILD_CHECK(::kill(daemonPid, SIGKILL) == 0);
    uint8_t version[2] = {};
    CHILD_CHECK(eventually([&] { return Cvn_GetFirmwareVersion(version) == 0; }, 10s));
    return 0;
  });
  EXPECT_TRUE(outcome.exitedWith(0)) << outcome.describe();
}

// ---- The satellite data file of a killed client ----

TEST_F(ThreadModelTest, StampOfAKilledClientIsStale) {
  std::string path = daemon.dir() + "/Astra.cvd";
  std::filesystem::copy_file(binDir() + "/DefaultFile/Astra.cvd", path);
  ParkedChild holder([&] {
    return Cvn_OpenSystem(1, nullptr, 0, 0, 0) == 1 && Cvn_ChannelFileOpen(path.c_str()) == FILE_OPEN_OK;
  });
  ASSERT_TRUE(holder.ready());
  ASSERT_EQ(Cvn_OpenSystem(3, nullptr, 0, 0, 0), 1);
  EXPECT_EQ(Cvn_ChannelFileOpen(path.c_str()), FILE_IS_USING);
  holder.kill();  // without closing: its stamp stays in the file
  EXPECT_EQ(Cvn_ChannelFileOpen(path.c_str()), FILE_OPEN_OK);
  EXPECT_EQ(Cvn_ChannelFileRead(), 1);
  EXPECT_EQ(Cvn_ChannelFileClose(), 1);
}

}  // namespace
}  // namespace cv7::itest
