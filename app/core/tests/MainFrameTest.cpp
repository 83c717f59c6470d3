// The application object and its main frame against the real daemon and library, without a
// display: the start's order and its failures, the status check on the icon, the setup
// command's conditions, the shut-down routine's store writes and its place before the
// library's close, and exits while the library is delivering a search result.
#include "CCv7dApp.h"
#include "FakeHostAddressSource.h"
#include "HangGuard.h"
#include "QtTestApplication.h"
#include "ReceptionFixture.h"
#include "RecordingNotificationIcon.h"
#include "RecordingPresence.h"
#include "RecordingSearchResults.h"
#include "RecordingSetupSheet.h"
#include "StringId.h"

namespace cv7::app::test {
namespace {

class MainFrameTest : public ReceptionFixture {
 protected:
  void SetUp() override {
    qtApplication();
    ReceptionFixture::SetUp();
    addresses.set({0x0A02000A});
  }
  void TearDown() override {
    app.reset();
    ReceptionFixture::TearDown();
  }
  MainFramePeers peers() { return {icon, sheet, tv, presence, results, addresses, *invoker}; }
  // A new application; the exit of an earlier one closed its invoker for good.
  CCv7dApp& makeApp() {
    app.reset();
    invoker = std::make_unique<WindowThreadInvoker>();
    app = std::make_unique<CCv7dApp>(registry, ui, clock, peers());
    return *app;
  }
  bool libraryOpen() {
    uint8_t version[2];
    return Cvn_GetDriverVersion(version) == 1;
  }
  QString stored(const char* name) { return store.readText(config::kSatellite, name, "(none)"); }

  RecordingNotificationIcon icon;
  RecordingSetupSheet sheet;
  RecordingPresence presence;
  RecordingSearchResults results;
  FakeHostAddressSource addresses;
  std::unique_ptr<WindowThreadInvoker> invoker;
  std::unique_ptr<CCv7dApp> app;
};

TEST_F(MainFrameTest, AStartAnnouncesItselfShowsTheIconAndTheStatusCheckTurnsItToLocked) {
  ASSERT_TRUE(makeApp().InitInstance()) << ui.texts().join("|").toStdString();
  CMainFrame& frame = *app->mainFrame();
  EXPECT_TRUE(frame.startupDone());
  EXPECT_TRUE(frame.workerRunning());
  EXPECT_EQ(icon.tip(), "Cv7 data");
  EXPECT_EQ(frame.title(), "Cv7 data");
  EXPECT_EQ(icon.pictures(), std::vector<int>{NotificationIcon::kNotLocked});
  ASSERT_EQ(presence.announcements().size(), 1u);
  EXPECT_EQ(presence.announcements()[0].what, "start");
  EXPECT_EQ(ui.cursorChanges(), (std::vector<bool>{true, false}));
  EXPECT_TRUE(ui.messages().empty()) << ui.texts().join("|").toStdString();

  frame.OnTimer();
  EXPECT_EQ(icon.picture(), NotificationIcon::kLocked);
  EXPECT_EQ(app->state().m_LockIndicator.load(), 1);

  // The TV application holding the tuner elsewhere shows not locked, whatever the tuner says.
  app->state().m_TunerOwnerState = kTunerOwnerTv;
  frame.OnTimer();
  EXPECT_EQ(icon.picture(), NotificationIcon::kNotLocked);
  EXPECT_EQ(app->state().m_LockIndicator.load(), 0);
  // The worker took the computer's address at its start.
  EXPECT_TRUE(itest::eventually([&] { return frame.addresses().adapterAddress() == 0x0A02000Au; }));
}

TEST_F(MainFrameTest, ExitAnnouncesTheEndAndStoresTheReceptionBeforeTheLibraryIsClosed) {
  storeTransponder("10775000", "28000");
  ASSERT_TRUE(makeApp().InitInstance());
  app->mainFrame()->OnAppExit();
  EXPECT_FALSE(icon.enabled());
  EXPECT_FALSE(app->mainFrame()->statusTimer().running());
  ASSERT_EQ(presence.announcements().size(), 2u);
  EXPECT_EQ(presence.announcements()[1].what, "end");
  EXPECT_TRUE(presence.announcements()[1].libraryOpen) << "announced before the library is closed";
  EXPECT_EQ(stored(config::kDataSateName), "HOTBIRD");
  EXPECT_EQ(stored(config::kDataFrequency), "10775000");
  EXPECT_EQ(stored(config::kDataSymbolRate), "28000");
  EXPECT_TRUE(libraryOpen());

  EXPECT_EQ(app->ExitInstance(), 0);
  EXPECT_FALSE(libraryOpen());
  EXPECT_FALSE(app->mainFrame()->workerRunning());
  EXPECT_EQ(presence.announcements().size(), 2u) << "the end is announced once";
}

TEST_F(MainFrameTest, WithoutATransponderTheIconStaysNotLockedAndTheShutDownStoresEmptyTexts) {
  useEmptySatellite();
  ASSERT_TRUE(makeApp().InitInstance());
  EXPECT_EQ(ui.texts(), QStringList{strings.text(StringId::NoTransponder)});
  app->mainFrame()->OnTimer();
  app->mainFrame()->OnTimer();
  EXPECT_EQ(icon.pictures(), std::vector<int>{NotificationIcon::kNotLocked});
  sheet.openNow = true;
  app->mainFrame()->OnTimer();
  EXPECT_EQ(sheet.lastInfo(), TunerInformation{}) << "the tuner window gets an empty record";

  app->mainFrame()->close();
  EXPECT_EQ(stored(config::kDataSateName), "EMPTY SAT");
  EXPECT_EQ(stored(config::kDataFrequency), "");
  EXPECT_EQ(stored(config::kDataSymbolRate), "");
}

TEST_F(MainFrameTest, ASetupCommandOpensTheSheetOnlyAfterTheStartAndOnlyOnce) {
  makeApp();
  CMainFrame early(app->state(), store, ui, clock, peers());
  early.OnSetupCommand();
  EXPECT_EQ(sheet.opened.load(), 0) << "start-up not done";

  ASSERT_TRUE(app->InitInstance());
  app->mainFrame()->OnSetupCommand();
  EXPECT_EQ(sheet.opened.load(), 1);
  sheet.openNow = true;
  app->mainFrame()->OnSetupCommand();
  EXPECT_EQ(sheet.opened.load(), 1) << "already open";
}

TEST_F(MainFrameTest, ARefusedTuneAtStartEndsTheProgramLeavingNoIconButStoringAndClosing) {
  tv.hook = [this](int code, int) {
    if (code == 5) fault("status-zero", true);
  };
  EXPECT_FALSE(makeApp().InitInstance());
  EXPECT_EQ(ui.texts(), QStringList{strings.text(StringId::SystemError)});
  EXPECT_EQ(icon.creations(), 1);
  EXPECT_FALSE(icon.enabled());
  EXPECT_FALSE(app->mainFrame()->workerRunning());
  EXPECT_EQ(stored(config::kDataSateName), "HOTBIRD");
  EXPECT_EQ(app->ExitInstance(), 1);
  EXPECT_FALSE(libraryOpen());
}

TEST_F(MainFrameTest, AnIconThatCannotBeAddedEndsTheStartWithoutAMessage) {
  icon.refuse = true;
  EXPECT_FALSE(makeApp().InitInstance());
  EXPECT_TRUE(ui.messages().empty());
  EXPECT_EQ(app->state().StartOk.load(), 0) << "the library was never opened";
}

class MainFrameWithoutDaemonTest : public MainFrameTest {
 protected:
  bool startDaemon() const override { return false; }
};

TEST_F(MainFrameWithoutDaemonTest, AMissingDaemonShowsTheSystemErrorAndLeavesNoIcon) {
  EXPECT_FALSE(makeApp().InitInstance());
  EXPECT_EQ(ui.texts(), QStringList{strings.text(StringId::SystemError)});
  EXPECT_FALSE(icon.enabled());
  EXPECT_EQ(stored(config::kDataSateName), "(none)") << "nothing stored: the library never started";
  EXPECT_EQ(app->ExitInstance(), 1);
}

// Exits at several moments after a channel search was started: before the result comes,
// while it waits for the window thread, while the window thread handles it. Each ends in
// order, quickly, and no result is handled after the exit began.
TEST_F(MainFrameTest, ExitWhileASearchResultIsOnItsWayEndsInOrder) {
  results.delay = std::chrono::milliseconds(200);
  for (int wait : {0, 150, 400, 900}) {
    SCOPED_TRACE("exit " + std::to_string(wait) + " ms after the search started");
    results.results = 0;
    ASSERT_TRUE(makeApp().InitInstance()) << ui.texts().join("|").toStdString();
    ASSERT_EQ(Cvn_SearchChannel(1), 1);
    spinFor(std::chrono::milliseconds(wait));
    app->mainFrame()->close();
    const int handled = results.results.load();
    {
      HangGuard guard("the exit while a search result is on its way");
      EXPECT_EQ(app->ExitInstance(), 0);
    }
    EXPECT_FALSE(libraryOpen());
    EXPECT_EQ(results.results.load(), handled) << "no result after the exit began";
    app.reset();
  }
}

}  // namespace
}  // namespace cv7::app::test
