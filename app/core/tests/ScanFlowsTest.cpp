// The satellite page's Lock Test, Scan and Auto Scan against the real daemon with the
// simulated sky: the search results travel from the library's search thread to the window
// thread (the test's event loop) and through the search result handling to the dialogs.
// The dialogs' timers are fired by hand.
#include <mutex>

#include "CoordinationNames.h"
#include "FakeDialogTimers.h"
#include "LibraryWindow.h"
#include "QtTestApplication.h"
#include "RecordingReceptionControl.h"
#include "RecordingTvLink.h"
#include "ScanWindows.h"
#include "SearchResultProcessor.h"
#include "SetupSheetFixture.h"
#include "TvCoordination.h"
#include "WindowMessages.h"
#include "WindowThreadInvoker.h"

namespace cv7::app::test {
namespace {

using namespace std::chrono_literals;

// No HOTBIRD transponder there (transponders are kept in frequency order).
constexpr uint32_t kNowhere1 = 10700000, kNowhere2 = 10800000, kNowhere3 = 10900000;

class FakeScanWindows : public ScanWindows {
 public:
  bool otherScan = false;
  QStringList announced;
  bool scanWindowExists() override { return otherScan; }
  void announceScanWindow(bool autoScan, bool shown) override {
    announced << QStringLiteral("%1 %2").arg(autoScan ? "auto" : "scan", shown ? "shown" : "hidden");
  }
};

class ScanFlowsTest : public SetupSheetFixture {
 protected:
  // One daemon for the suite (its start takes a while); each test starts the application
  // anew with its search results delivered to the window thread.
  static void SetUpTestSuite() { shared = new itest::Daemon; }
  static void TearDownTestSuite() {
    delete shared;
    shared = nullptr;
  }
  bool startDaemon() const override { return false; }
  void SetUp() override {
    SetupSheetFixture::SetUp();
    if (HasFatalFailure()) return;
    ASSERT_TRUE(shared->pid() > 0 || shared->start()) << shared->log();
    ::setenv("CV7_DEVICE", shared->socketPath().c_str(), 1);
    ASSERT_EQ(reception.OnStartProgram(window.window()), 1) << ui.texts().join("|").toStdString();
    sheet.setScanWindows(&windows);
    tv.clear();
    ui.clear();
  }
  void TearDown() override {
    shared->admin("fault status-zero off");
    invoker.close();  // no search result waits for the window thread while the library closes
    SetupSheetFixture::TearDown();
  }
  static void cardFault(const std::string& name, bool on) {
    ASSERT_EQ(shared->admin("fault " + name + (on ? " on" : " off")), "ok");
  }

  // HOTBIRD holds these transponders (vertical, 27.5 Msymbol/s) instead of its own; the page
  // is opened on them with the first selected.
  CPage2& openWith(std::initializer_list<uint32_t> frequencies) {
    LnbInfo lnb{};
    Cvn_GetSatelliteInformation(&lnb);
    Cvn_FreeTransponderStructure();
    Cvn_SetNewLNBInformation(lnb);
    for (uint32_t frequency : frequencies) {
      TrInfo tr{};
      tr.Frequency = frequency;
      tr.SymbolRate = kHotbird1.symbolRate;
      EXPECT_TRUE(Cvn_AddTransponder(&tr));
    }
    return openOnSatellitePage();
  }
  // Runs the auto-scan dialog as its window would until it closes; `during` acts at each
  // turn of the event loop.
  void runAutoScans(std::function<void(CAutoScanDlg&)> during = {}) {
    dialogs.autoScanDialog = [this, during](CAutoScanDlg& dialog) {
      dialog.setTimers(&timers);
      dialog.changed = [&] {
        if (percents.empty() || percents.back() != dialog.percentText) percents << dialog.percentText;
        if (onChange) onChange(dialog);
      };
      dialog.OnInitDialog();
      dialog.OnPaint();
      EXPECT_TRUE(spinUntil([&] {
        if (during) during(dialog);
        return dialog.closed;
      }, 20s));
      rows = dialog.rows;
      noticesWhileOpen = tv.notices().size();
    };
  }
  static QStringList column(const QVector<CAutoScanDlg::Row>& rows, QString CAutoScanDlg::Row::*field) {
    QStringList texts;
    for (const auto& row : rows) texts << row.*field;
    return texts;
  }

  QCoreApplication& app = qtApplication();
  WindowThreadInvoker invoker;
  SearchResultProcessor results{state, files, tv, sheet, ui};
  LibraryWindow window{invoker, [this](uint32_t message, uintptr_t, intptr_t lParam) -> intptr_t {
    if (message == WindowMessage::kSearchResult) results.onSearchResult(reinterpret_cast<const SiList*>(lParam));
    return 0;
  }};
  FakeScanWindows windows;
  FakeDialogTimers timers;
  QStringList percents;
  QVector<CAutoScanDlg::Row> rows;
  size_t noticesWhileOpen = 0;
  // Acts whenever the dialog shows itself again (on the window thread, at the dialog's steps).
  std::function<void(CAutoScanDlg&)> onChange;
  static inline itest::Daemon* shared = nullptr;
};

TEST_F(ScanFlowsTest, AutoScanLocksOnlyTheSecondOfThreeTransponders) {
  // The TV application's side: every notice passes the coordination's sending rules.
  ConfigurationLoader loader(state, store, ui);
  RecordingReceptionControl control(reception);
  TvCoordination coordination(state, store, files, loader, control, sheet);
  RecordingTvLink link;
  coordination.setLink(&link);
  coordination.onTvNotify(cv7::coordination::kTvStart, QStringLiteral(":1.7"));
  std::mutex sending;
  tv.hook = [&](int code, int value) {
    std::lock_guard lock(sending);  // the worker's lock test tells it too
    coordination.notifyTv(code, value);
  };
  QStringList sentWhileOpen;
  CPage2& page = openWith({kNowhere1, kHotbird1.frequency, kNowhere2});
  link.sent.clear();
  runAutoScans([&](CAutoScanDlg& dialog) {
    if (dialog.closed) sentWhileOpen = link.sent;
  });
  page.OnAutoScan();

  EXPECT_EQ(column(rows, &CAutoScanDlg::Row::locking), QStringList({"Unlock", "Lock", "Unlock"}));
  EXPECT_EQ(column(rows, &CAutoScanDlg::Row::channels), QStringList({"", "2", ""}));
  EXPECT_EQ(percents.filter("%"), QStringList({" 33%", " 67%", "100%"}));
  EXPECT_TRUE(ui.showed(StringId::ConfirmAutoScan));
  EXPECT_TRUE(ui.showed(StringId::AutoScanFinished));
  EXPECT_TRUE(state.g_SateChanged);
  EXPECT_EQ(sentWhileOpen, QStringList({"tuning :1.7 5 5"})) << "nothing reaches the TV while the dialog is open";
  // The last transponder did not lock; the sheet has unsaved changes, so 10 is added.
  EXPECT_EQ(link.sent.last(), "tuning :1.7 12 103");
  EXPECT_EQ(sheet.caption, "Corvane-7 Data - HOTBIRD, 10800.000 [MHz], 27.500 [MSymbol]");
  EXPECT_EQ(page.m_nItemTp, 2);
  EXPECT_EQ(windows.announced, QStringList({"auto shown", "auto hidden"}));
  EXPECT_FALSE(sheet.autoScanDialogExists());
  tv.hook = nullptr;
}

TEST_F(ScanFlowsTest, AutoScanWithoutLockChangesNothingAndTellsTheTvNothingAfterwards) {
  CPage2& page = openWith({kNowhere1, kNowhere2});
  runAutoScans();
  page.OnAutoScan();
  EXPECT_EQ(column(rows, &CAutoScanDlg::Row::locking), QStringList({"Unlock", "Unlock"}));
  EXPECT_EQ(column(rows, &CAutoScanDlg::Row::channels), QStringList({"", ""}));
  EXPECT_FALSE(state.g_SateChanged);
  EXPECT_EQ(tv.notices().size(), noticesWhileOpen);
}

TEST_F(ScanFlowsTest, CancelDuringASearchFinishesThatTransponderThenCloses) {
  CPage2& page = openWith({kHotbird1.frequency, kNowhere2, kNowhere3});
  bool cancelled = false;
  runAutoScans([&](CAutoScanDlg& dialog) {
    if (!cancelled && timers.runs(CAutoScanDlg::kSearchTimerId)) {
      cancelled = true;
      dialog.OnCancel();
      EXPECT_EQ(timers.period(CAutoScanDlg::kSearchTimerId), CAutoScanDlg::kCancelGrace);
    }
  });
  page.OnAutoScan();
  ASSERT_TRUE(cancelled);
  EXPECT_EQ(column(rows, &CAutoScanDlg::Row::locking), QStringList({"Lock", "", ""}));
  EXPECT_EQ(column(rows, &CAutoScanDlg::Row::channels), QStringList({"2", "", ""}));
  EXPECT_FALSE(ui.showed(StringId::AutoScanFinished));
  EXPECT_TRUE(state.g_SateChanged);
}

TEST_F(ScanFlowsTest, ASearchWhoseResultDoesNotComeIsGivenUpAndCancelStillCloses) {
  CPage2& page = openWith({kHotbird1.frequency, kNowhere2});
  // The result's time is up before it can come: the scan goes on with the next transponder.
  runAutoScans([&](CAutoScanDlg& dialog) {
    if (timers.runs(CAutoScanDlg::kSearchTimerId)) dialog.OnTimer(CAutoScanDlg::kSearchTimerId);
  });
  page.OnAutoScan();
  EXPECT_EQ(column(rows, &CAutoScanDlg::Row::locking), QStringList({"Lock", "Unlock"}));
  EXPECT_EQ(column(rows, &CAutoScanDlg::Row::channels), QStringList({"", ""}));
  EXPECT_TRUE(ui.showed(StringId::AutoScanFinished));

  // Cancel while such a search is awaited closes the dialog once the grace is over.
  ui.clear();
  runAutoScans([&](CAutoScanDlg& dialog) {
    if (!timers.runs(CAutoScanDlg::kSearchTimerId)) return;
    dialog.OnCancel();
    dialog.OnTimer(CAutoScanDlg::kSearchTimerId);
  });
  page.OnAutoScan();
  EXPECT_EQ(column(rows, &CAutoScanDlg::Row::locking), QStringList({"Lock", ""}));
  EXPECT_FALSE(ui.showed(StringId::AutoScanFinished));
}

TEST_F(ScanFlowsTest, ATransponderThatCanNoLongerBeReadEndsTheAutoScan) {
  CPage2& page = openWith({kNowhere1, kNowhere2, kNowhere3});
  bool deleted = false;
  onChange = [&](CAutoScanDlg& dialog) {
    // When the first transponder's test is reported (no worker runs then) the last one goes.
    if (!deleted && !dialog.rows[0].locking.isEmpty()) deleted = Cvn_DeleteTransponder(3) == 1;
  };
  runAutoScans();
  page.OnAutoScan();
  ASSERT_TRUE(deleted);
  EXPECT_EQ(column(rows, &CAutoScanDlg::Row::locking), QStringList({"Unlock", "Unlock", ""}));
  EXPECT_TRUE(ui.showed(StringId::AutoScanFinished));
}

TEST_F(ScanFlowsTest, ScanTextCyclesEvery18TicksAndTheDialogClosesOnTheHandledResult) {
  CPage2& page = openWith({kHotbird1.frequency});
  QStringList texts;
  bool scanWindowShown = false;
  dialogs.scanDialog = [&](CScanDlg& dialog) {
    dialog.setTimers(&timers);
    dialog.OnInitDialog();
    scanWindowShown = windows.announced == QStringList({"scan shown"});
    EXPECT_EQ(timers.period(CScanDlg::kTimerId), 100ms);
    for (int tick = 1; tick <= 18; ++tick) {
      dialog.OnTimer(CScanDlg::kTimerId);
      texts << dialog.text;
    }
    EXPECT_TRUE(spinUntil([&] { return dialog.closed; }, 20s));
  };
  page.OnScan();
  EXPECT_EQ(texts[0], "Scanning. ");
  EXPECT_EQ(texts[16], "Scanning" + QString(". ").repeated(17));
  EXPECT_EQ(texts[17], "Scanning");
  EXPECT_TRUE(scanWindowShown);
  EXPECT_FALSE(timers.runs(CScanDlg::kTimerId));
  EXPECT_EQ(windows.announced, QStringList({"scan shown", "scan hidden"}));
  EXPECT_TRUE(state.g_SateChanged) << "the completed search changed the satellite";
  EXPECT_EQ(Cvn_GetNumOfProgram(1), 2);  // the TV and the radio program
  EXPECT_EQ(sheet.caption, "Corvane-7 Data - HOTBIRD, 10719.000 [MHz], 27.500 [MSymbol]");
}

TEST_F(ScanFlowsTest, ScanCancelEnterAndRefusals) {
  CPage2& page = openWith({kHotbird1.frequency, kNowhere2});
  // Cancel stops the search; Enter closes at once and leaves the search to finish.
  for (bool enter : {false, true}) {
    dialogs.scanDialog = [&](CScanDlg& dialog) {
      dialog.OnInitDialog();
      enter ? dialog.OnEnter() : dialog.OnCancel();
      EXPECT_TRUE(dialog.closed);
    };
    page.OnScan();
    EXPECT_FALSE(state.g_SateChanged);
  }
  EXPECT_TRUE(spinUntil([] { return Cvn_GetNumOfProgram(1) == 2; })) << "the result after Enter is still handled";

  // A transponder that does not lock shows "Scan Information" instead.
  page.selectTransponderRow(1);
  page.OnScan();
  EXPECT_EQ(dialogs.scanInformationRuns, 1);

  // Another program's scan window refuses both scans before anything is tuned.
  windows.otherScan = true;
  tv.clear();
  ui.clear();
  page.OnScan();
  page.OnAutoScan();
  EXPECT_EQ(ui.texts(), QStringList(2, strings.text(StringId::TvScanRunning)));
  EXPECT_TRUE(tv.notices().empty());
}

TEST_F(ScanFlowsTest, LockTestShowsTheTunerWindowUnlessTheCardAnswersAnError) {
  CPage2& page = openWith({kHotbird1.frequency, kNowhere2});
  page.OnLockTest();
  EXPECT_EQ(dialogs.tunerInformationRuns, 1);
  EXPECT_EQ(state.m_LockIndicator.load(), 1);
  page.selectTransponderRow(1);
  page.OnLockTest();
  EXPECT_EQ(dialogs.tunerInformationRuns, 2) << "shown for a transponder that does not lock too";
  EXPECT_EQ(state.m_LockIndicator.load(), 0);

  cardFault("status-zero", true);
  page.OnLockTest();
  cardFault("status-zero", false);
  EXPECT_EQ(dialogs.tunerInformationRuns, 2);
  EXPECT_TRUE(ui.showed(StringId::SystemError));
  EXPECT_EQ(sheet.caption, "Corvane-7 Data - HOTBIRD, 10800.000 [MHz], 27.500 [MSymbol]");
}

}  // namespace
}  // namespace cv7::app::test
