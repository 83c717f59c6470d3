// Cv7d --headless and a TV application (cv7-tv) on a private session bus started by the
// test, with the real daemon and its simulated card: the two follow each other's presence
// and tuning, in either start order, and keep the data reception right.
#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>

#include "CoordinationNames.h"
#include "DaemonHarness.h"
#include "PidTable.h"
#include "PrivateBus.h"
#include "QtTestApplication.h"
#include "Registry.h"
#include "TestProcess.h"

namespace cv7::app::test {
namespace {

namespace fs = std::filesystem;
namespace co = cv7::coordination;
using std::chrono::milliseconds;

constexpr uint16_t kBeaconPid = 0x0500;  // the data service of HOTBIRD's first transponder

// The data application's presence signals as any other program on the bus gets them.
class PresenceWatcher : public QObject {
  Q_OBJECT
 public:
  std::vector<int> codes;
 public Q_SLOTS:
  void onSignal(const QDBusMessage& message) { codes.push_back(message.arguments().value(0).toInt()); }
};

class CoordinationProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root = fs::path(daemon.dir()) / "app";
    fs::create_directories(root / "base");
    fs::copy(CV7_DEFAULT_FILE_DIR, root / "base" / "DefaultFile");
    fs::copy(CV7_DEFAULT_FILE_DIR, root / "base" / "Datafile");  // the data files of every satellite
    ASSERT_TRUE(daemon.start()) << daemon.log();
    ASSERT_TRUE(bus.start());
    environment = {{"CV7_DEVICE", daemon.socketPath()},
                   {"CV7_REGISTRY", (root / "state" / "registry.sqlite").string()},
                   {"DBUS_SESSION_BUS_ADDRESS", bus.address()}};
  }

  std::unique_ptr<TestProcess> startData() {
    auto data = std::make_unique<TestProcess>(CV7D_BINARY, std::vector<std::string>{"--headless"}, environment,
                                              (root / "base").string(), (root / "cv7d.log").string());
    EXPECT_TRUE(data->waitForOutput("Cv7d: locked")) << data->output();
    return data;
  }
  std::unique_ptr<TestProcess> startTv() {
    auto tv = std::make_unique<TestProcess>(CV7_TV_BINARY, std::vector<std::string>{"run"}, environment,
                                            (root / "base").string(), (root / "tv.log").string());
    EXPECT_TRUE(tv->waitForOutput("window :")) << tv->output();
    return tv;
  }
  // One command for the running TV; its exit status and output.
  std::pair<int, std::string> tv(const std::vector<std::string>& args) {
    TestProcess command(CV7_TV_BINARY, args, environment, root.string(), (root / "command.log").string());
    const int status = command.waitForExit(milliseconds(60000)).value_or(-1);
    return {status, command.output()};
  }
  // One value of the data application's reported state.
  std::string data(const std::string& key) {
    const std::string state = tv({"data-state"}).second;
    const size_t at = state.find(key + "=");
    return at == std::string::npos ? "(none)" : state.substr(at + key.size() + 1, state.find('\n', at) - at - key.size() - 1);
  }
  bool dataBecomes(const std::string& key, const std::string& value) {
    return TestProcess::waitUntil([&] { return data(key) == value; }, milliseconds(10000));
  }
  static std::string windowOf(TestProcess& tv) {
    const std::string out = tv.output();
    const size_t at = out.find("window ");
    return at == std::string::npos ? "" : out.substr(at + 7, out.find('\n', at) - at - 7);
  }
  bool pidInTable(uint16_t pid) const { return itest::pidInTable(daemon, pid); }

  itest::Daemon daemon;
  itest::PrivateBus bus;
  fs::path root;
  std::map<std::string, std::string> environment;
};

TEST_F(CoordinationProgramTest, ATvStartedSecondIsAnsweredToItsWindowOnlyAndItsDataTransponderSetsThePidsAgain) {
  qtApplication();
  QDBusConnection other = QDBusConnection::connectToBus(QString::fromStdString(bus.address()), "watcher");
  PresenceWatcher watcher;
  other.connect(QString(), co::kObjectPath, co::kDataInterface, co::kDataNotifySignal, &watcher,
                SLOT(onSignal(QDBusMessage)));
  auto cv7d = startData();
  auto tvApp = startTv();
  ASSERT_TRUE(tvApp->waitForOutput("received data-notify 3 from :")) << tvApp->output();
  EXPECT_EQ(data("TvWindow"), windowOf(*tvApp));
  spinFor(milliseconds(300));
  EXPECT_EQ(watcher.codes, std::vector<int>{1}) << "the start is for everyone, the answer for the TV only";

  ASSERT_TRUE(pidInTable(kBeaconPid));
  EXPECT_EQ(tv({"report", "5", "5"}).first, 0);
  EXPECT_FALSE(pidInTable(kBeaconPid)) << "the TV is about to tune";
  EXPECT_EQ(tv({"tune", "101"}).first, 0);  // the data transponder
  EXPECT_TRUE(pidInTable(kBeaconPid));
  EXPECT_EQ(data("LockIndicator"), "1");
  EXPECT_EQ(data("TunerOwnerState"), "2");
  EXPECT_EQ(tv({"report", "21", "0"}).first, 0) << "no satellite page: the TV's scan changes nothing here";
  EXPECT_EQ(data("LockIndicator"), "1");

  cv7d->signal(SIGTERM);
  EXPECT_EQ(cv7d->waitForExit(), 0);
  spinUntil([&] { return watcher.codes.size() == 2; });
  EXPECT_EQ(watcher.codes, (std::vector<int>{1, 2}));
  QDBusConnection::disconnectFromBus("watcher");
}

TEST_F(CoordinationProgramTest, ATvOnAnotherTransponderMakesTheDataApplicationNotLockedUntilItStops) {
  auto tvApp = startTv();  // first: the data application learns of it from its answer
  auto cv7d = startData();
  ASSERT_TRUE(tvApp->waitForOutput("sent tv-notify 3 to :")) << tvApp->output();
  ASSERT_TRUE(dataBecomes("TvWindow", windowOf(*tvApp)));

  // The mark comes before the tune: the status check may show the change before the tune's
  // answer is read.
  const size_t mark = cv7d->output().size();
  EXPECT_EQ(tv({"tune", "102"}), std::make_pair(0, std::string("locked\n")));
  EXPECT_EQ(data("TunerOwnerState"), "1");
  EXPECT_TRUE(cv7d->waitForOutputAfter(mark, "Cv7d: not locked", milliseconds(8000)))
      << "the tuner is locked, but on the TV's transponder: " << cv7d->output();
  EXPECT_EQ(tv({"report", "12", "101"}).first, 0);
  EXPECT_EQ(data("TunerOwnerState"), "1");
  EXPECT_EQ(data("LockIndicator"), "0");

  // TV STOP while the data application is not locked: it tunes its transponder again and
  // tells the TV nothing more.
  const size_t tvMark = tvApp->output().size();
  const size_t stopMark = cv7d->output().size();
  EXPECT_EQ(tv({"notify", "2"}).first, 0);
  ASSERT_TRUE(dataBecomes("TunerOwnerState", "2"));
  EXPECT_TRUE(cv7d->waitForOutputAfter(stopMark, "Cv7d: locked", milliseconds(8000))) << cv7d->output();
  EXPECT_EQ(data("TvWindow"), "");
  EXPECT_EQ(tvApp->output().find("received tuning", tvMark), std::string::npos) << tvApp->output();
}

TEST_F(CoordinationProgramTest, ATvThatDeletesTheDataSatelliteLeavesTheDataApplicationOnItsSatelliteUntuned) {
  auto cv7d = startData();
  auto tvApp = startTv();
  ASSERT_TRUE(dataBecomes("TvWindow", windowOf(*tvApp)));
  EXPECT_EQ(tv({"tune", "201"}).first, 0);  // ASTRA, transponder 1
  EXPECT_EQ(tv({"delete-satellite", "1"}).first, 0);  // HOTBIRD goes; ASTRA is now satellite 1
  EXPECT_EQ(data("SatelliteName"), "ASTRA");
  EXPECT_EQ(data("SatelliteIndex"), "1");
  EXPECT_EQ(data("TunedSatellite"), "ASTRA");
  EXPECT_EQ(data("TransponderNumber"), "0");
  cv7d->signal(SIGTERM);
  EXPECT_EQ(cv7d->waitForExit(), 0);
  EXPECT_EQ(registry::Registry(environment["CV7_REGISTRY"]).readText("Satellite", "Data SateName", ""), "ASTRA");
}

TEST_F(CoordinationProgramTest, WithoutASessionBusTheCoordinationIsOffAndTheReceptionRunsAsBefore) {
  environment["DBUS_SESSION_BUS_ADDRESS"] = "unix:path=" + (root / "no-bus").string();
  auto cv7d = startData();
  EXPECT_NE(cv7d->output().find("Cv7d: TV coordination is off: "), std::string::npos) << cv7d->output();
  cv7d->signal(SIGTERM);
  EXPECT_EQ(cv7d->waitForExit(), 0);
}

}  // namespace
}  // namespace cv7::app::test

#include "CoordinationProgramTest.moc"
