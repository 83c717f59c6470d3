// Cv7d --headless as the service runs it, against the real daemon: from an empty store to
// locked, one line per message box, the single instance per machine (also after a killed
// instance), SIGTERM at any moment of the start, a daemon that is missing or dies, and a
// store that cannot be written.
#include <gtest/gtest.h>

#include "TestProcess.h"
#include "DaemonHarness.h"
#include "Registry.h"

namespace cv7::app::test {
namespace {

namespace fs = std::filesystem;
using std::chrono::milliseconds;

class HeadlessProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root = fs::path(daemon.dir()) / "app";
    fs::create_directories(root / "base");
    fs::copy(CV7_DEFAULT_FILE_DIR, root / "base" / "DefaultFile");
    storePath = (root / "state" / "registry.sqlite").string();
    if (withDaemon) {
      ASSERT_TRUE(daemon.start()) << daemon.log();
    }
  }
  std::unique_ptr<TestProcess> start(const std::string& name = "cv7d") {
    return std::make_unique<TestProcess>(CV7D_BINARY, std::vector<std::string>{"--headless"},
                                         std::map<std::string, std::string>{{"CV7_DEVICE", daemon.socketPath()},
                                                                            {"CV7_REGISTRY", storePath},
                                                                            {"DBUS_SESSION_BUS_ADDRESS", noBus()}},
                                         (root / "base").string(), (root / (name + ".log")).string());
  }
  // Never a session bus of the machine: the TV coordination stays off.
  std::string noBus() const { return "unix:path=" + (root / "no-bus").string(); }
  std::string stored(const char* name) {
    return registry::Registry(storePath).readText("Satellite", name, "(none)");
  }

  bool withDaemon = true;
  itest::Daemon daemon;
  fs::path root;
  std::string storePath;
};

TEST_F(HeadlessProgramTest, AFirstRunLocksReportsEachBoxOnOneLineAndStoresTheReceptionOnSigterm) {
  auto app = start();
  ASSERT_TRUE(app->waitForOutput("Cv7d: locked")) << app->output();
  const std::string out = app->output();
  EXPECT_NE(out.find("Cv7d: Warning! Failure to open this file. \"" + (root / "base" / "Datafile" / "HotBird.cvd").string() +
                     "\" [OK]\n"),
            std::string::npos)
      << out;
  app->signal(SIGTERM);
  EXPECT_EQ(app->waitForExit(), 0);
  EXPECT_EQ(stored("Data SateName"), "HOTBIRD");
  EXPECT_EQ(stored("Data Frequency"), "10719000");
  EXPECT_EQ(stored("Data Symbol Rate"), "27500");
}

TEST_F(HeadlessProgramTest, ASecondInstanceIsRefusedAndALaterStartSucceedsAlsoAfterAKill) {
  auto first = start("first");
  ASSERT_TRUE(first->waitForOutput("Cv7d: locked")) << first->output();
  auto second = start("second");
  EXPECT_EQ(second->waitForExit(), 1);
  EXPECT_EQ(second->output(), "Cv7d: Application is already running [OK]\n");
  EXPECT_TRUE(first->running());

  first->signal(SIGTERM);
  ASSERT_EQ(first->waitForExit(), 0);
  auto third = start("third");
  ASSERT_TRUE(third->waitForOutput("Cv7d: locked")) << third->output();

  third->signal(SIGKILL);  // a crash: no exit of its own
  ASSERT_EQ(third->waitForExit(), 128 + SIGKILL);
  auto fourth = start("fourth");
  EXPECT_TRUE(fourth->waitForOutput("Cv7d: locked")) << fourth->output();
  fourth->signal(SIGTERM);
  EXPECT_EQ(fourth->waitForExit(), 0);
}

// A SIGTERM at any moment of the start (configuration, files, the lock test, the worker's
// start) ends the program in order and soon.
TEST_F(HeadlessProgramTest, SigtermDuringTheStartAndItsLockTestEndsInOrder) {
  for (int delay : {0, 40, 80, 120, 160, 200, 250, 300, 400, 600}) {
    SCOPED_TRACE("SIGTERM " + std::to_string(delay) + " ms into the start");
    auto app = start("term" + std::to_string(delay));
    ASSERT_TRUE(app->waitForTermHandler());
    std::this_thread::sleep_for(milliseconds(delay));
    app->signal(SIGTERM);
    EXPECT_EQ(app->waitForExit(milliseconds(15000)), 0) << app->output();
  }
  EXPECT_EQ(daemon.stat("active-connections"), 0) << "every connection closed";
}

TEST_F(HeadlessProgramTest, ADaemonThatDiesShowsNotLockedAndTheServiceStillStopsInOrder) {
  auto app = start();
  ASSERT_TRUE(app->waitForOutput("Cv7d: locked")) << app->output();
  daemon.stop();
  EXPECT_TRUE(app->waitForOutput("Cv7d: not locked", milliseconds(15000))) << app->output();
  EXPECT_TRUE(app->running());
  app->signal(SIGTERM);
  EXPECT_EQ(app->waitForExit(), 0) << app->output();
  EXPECT_EQ(stored("Data Frequency"), "10719000");
}

// A first run whose store cannot be created keeps nothing: the first-run defaults live in
// memory only, and without a stored base directory the default data file is not restored, so
// the satellite is empty. The program says so, runs on and stops in order.
TEST_F(HeadlessProgramTest, AStoreThatCannotBeWrittenIsToldAndTheProgramRunsOnAndStopsInOrder) {
  fs::create_directories(root / "state");
  std::ofstream(root / "state" / "file") << "not a directory";
  storePath = (root / "state" / "file" / "registry.sqlite").string();
  auto app = start();
  ASSERT_TRUE(app->waitForOutput("Cv7d: There is no transponder in current satellite. [OK]")) << app->output();
  EXPECT_NE(app->output().find("not checking for another instance"), std::string::npos) << app->output();
  std::this_thread::sleep_for(milliseconds(300));
  EXPECT_TRUE(app->running());
  app->signal(SIGTERM);
  EXPECT_EQ(app->waitForExit(), 0);
  EXPECT_FALSE(fs::exists(root / "state" / "file" / "registry.sqlite"));
}

class HeadlessWithoutDaemonTest : public HeadlessProgramTest {
 protected:
  HeadlessWithoutDaemonTest() { withDaemon = false; }
};

TEST_F(HeadlessWithoutDaemonTest, AMissingDaemonShowsTheSystemErrorAndEnds) {
  auto app = start();
  EXPECT_EQ(app->waitForExit(), 1);
  // Without a session bus the log first says that the TV coordination is off.
  std::string out = app->output();
  ASSERT_EQ(out.rfind("Cv7d: TV coordination is off: no session bus (", 0), 0u) << out;
  out.erase(0, out.find('\n') + 1);
  EXPECT_EQ(out, "Cv7d: System error is occurred. Please restart system and run again. [OK]\n");
}

}  // namespace
}  // namespace cv7::app::test
