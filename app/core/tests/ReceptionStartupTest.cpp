// The reception start-up against the real daemon and library: which transponder the stored
// texts select, what is tuned and told to the TV application, which data services reach the
// driver's PID table, and the failures that end the program.
#include "DecimalText.h"
#include "ReceptionFixture.h"
#include "ReceptionStartup.h"
#include "StringId.h"

namespace cv7::app::test {
namespace {

using Notices = std::vector<RecordingTvNotifier::Notice>;

class ReceptionStartupTest : public ReceptionFixture {
 protected:
  int start() { return reception.OnStartProgram(nullptr); }
  // A second start in the same test: the first one's connection is closed first.
  int restart() {
    Cvn_CloseSystem();
    state.StartOk = 0;
    tv.clear();
    ui.clear();
    return start();
  }

  FileUpkeep files{state, store, ui, clock};
  ReceptionStartup reception{state, store, ui, files, tv};
};

TEST(DecimalTextTest, ReadsWholeAndFractionalPartsAndSkipsOtherCharacters) {
  EXPECT_EQ(parseDecimalText(""), 0.0);
  EXPECT_EQ(parseDecimalText("10719000"), 10719000.0);
  EXPECT_DOUBLE_EQ(parseDecimalText("27500.25"), 27500.25);
  EXPECT_DOUBLE_EQ(parseDecimalText(" 1,2a3.4.5 kHz"), 123.45) << "a second point is skipped like any other";
  EXPECT_EQ(wholeNumber(parseDecimalText("10756999.99")), 10756999u) << "dropped, not rounded";
  EXPECT_EQ(wholeNumber(parseDecimalText("99999999999")), 0u) << "beyond 32 bits matches no transponder";
}

TEST_F(ReceptionStartupTest, StoredTextsSelectTheirTransponderWhichIsLockedAndReported) {
  storeTransponder("10775000", "28000");
  ASSERT_EQ(start(), 1) << ui.texts().join("|").toStdString();
  EXPECT_TRUE(ui.messages().empty()) << ui.texts().join("|").toStdString();
  EXPECT_EQ(state.StartOk.load(), 1);
  EXPECT_EQ(state.g_TpNum, kHotbird3.number);
  EXPECT_EQ(state.g_TrInfo.TransponderNumber, kHotbird3.number);
  EXPECT_EQ(state.g_TrInfo.Frequency, kHotbird3.frequency);
  EXPECT_STREQ(state.g_LnbInfo.SatelliteName, "HOTBIRD");
  EXPECT_EQ(state.m_LockIndicator.load(), 1);
  EXPECT_EQ(state.m_TunerOwnerState.load(), kTunerOwnerData);
  EXPECT_EQ(tv.notices(), (Notices{{5, 5}, {1, 100 + int(kHotbird3.number)}}));
}

TEST_F(ReceptionStartupTest, AStoredFractionIsDroppedBeforeTheComparisonNotRounded) {
  storeTransponder("10757000.9", "27500");
  ASSERT_EQ(start(), 1);
  EXPECT_EQ(state.g_TpNum, kHotbird2.number);

  storeTransponder("10756999.9", "27500");  // would round to transponder 2's frequency
  ASSERT_EQ(restart(), 1);
  EXPECT_EQ(state.g_TpNum, kHotbird1.number) << "no match: the first transponder";
}

TEST_F(ReceptionStartupTest, NoMatchingTransponderSelectsTheFirstNotNone) {
  storeTransponder("12345000", "27500");
  ASSERT_EQ(start(), 1);
  EXPECT_EQ(state.g_TpNum, 1u);
  EXPECT_EQ(state.g_TrInfo.Frequency, kHotbird1.frequency);
  EXPECT_EQ(state.m_LockIndicator.load(), 1);
  EXPECT_EQ(tv.notices(), (Notices{{5, 5}, {1, 101}}));
  EXPECT_TRUE(pidInTable(kBeaconPid)) << "the beacon's service is selected in the default file";
}

TEST_F(ReceptionStartupTest, OnlySelectedDataServicesGetANetworkPid) {
  // Transponder 1 gets two more services besides the beacon: one selected, one not.
  Cvn_ChannelFileOpen(dataFile("HotBird.cvd").toUtf8().constData());
  Cvn_ChannelFileRead();
  DataInfo chosen{0, 7, 0x710, 0x700, 3, 1, 0}, other{0, 8, 0x610, 0x600, 3, 0, 0};
  ASSERT_TRUE(Cvn_AddData(1, &chosen));
  ASSERT_TRUE(Cvn_AddData(1, &other));
  ASSERT_TRUE(Cvn_ChannelFileWrite());
  Cvn_ChannelFileClose();
  emptyLibraryDatabase();

  ASSERT_EQ(start(), 1);
  EXPECT_TRUE(pidInTable(kBeaconPid));
  EXPECT_TRUE(pidInTable(0x700));
  EXPECT_FALSE(pidInTable(0x600));
}

TEST_F(ReceptionStartupTest, AnEmptySatelliteShowsItsMessageOnceAndStillSetsIpFiltering) {
  useEmptySatellite();
  const long commandsBefore = cardCommands();
  ASSERT_EQ(start(), 1);
  EXPECT_EQ(ui.texts(), QStringList{strings.text(StringId::NoTransponder)});
  EXPECT_EQ(state.g_TpNum, 0u);
  EXPECT_EQ(state.g_TrInfo.TransponderNumber, 0u);
  EXPECT_TRUE(tv.notices().empty()) << "nothing was tuned";
  // The card heard of the client's registration and of the filter mode, and of nothing else.
  EXPECT_EQ(cardCommands() - commandsBefore, 2);
}

TEST_F(ReceptionStartupTest, NoSignalGoesOnNotLockedAndTheLockSequenceTunesAgainLater) {
  fault("signal-lost", true);
  ASSERT_EQ(start(), 1);
  EXPECT_EQ(state.m_LockIndicator.load(), 0);
  EXPECT_EQ(tv.notices(), (Notices{{5, 5}, {2, 101}}));
  EXPECT_TRUE(ui.messages().empty());
  EXPECT_TRUE(pidInTable(kBeaconPid)) << "the PIDs are set whatever the lock test said";

  fault("signal-lost", false);
  tv.clear();
  reception.dataLockSequence();
  EXPECT_EQ(state.m_LockIndicator.load(), 1);
  EXPECT_EQ(tv.notices(), (Notices{{5, 5}, {1, 101}}));
  EXPECT_EQ(ui.cursorChanges(), (std::vector<bool>{true, false}));

  tv.clear();
  reception.dataLockSequence();
  EXPECT_TRUE(tv.notices().empty()) << "already locked: nothing is done";
}

TEST_F(ReceptionStartupTest, ARefusedTuneEndsTheStartWithTheSystemErrorButLeavesTheLibraryToTheExit) {
  // The card refuses every command from the moment the lock test is announced.
  tv.hook = [this](int code, int) {
    if (code == 5) fault("status-zero", true);
  };
  EXPECT_EQ(start(), 0);
  EXPECT_EQ(ui.texts(), QStringList{strings.text(StringId::SystemError)});
  EXPECT_EQ(state.StartOk.load(), 1) << "the exit stops and closes the library";
  EXPECT_EQ(state.m_LockIndicator.load(), 0);
  EXPECT_EQ(tv.notices(), (Notices{{5, 5}}));
}

TEST_F(ReceptionStartupTest, ALockErrorInTheDataLockTestIsShownAndReportedAsNotLocked) {
  ASSERT_EQ(start(), 1);
  fault("status-zero", true);
  tv.clear();
  EXPECT_EQ(reception.dataLockTest(), CVN_ERROR);
  EXPECT_EQ(ui.texts(), QStringList{strings.text(StringId::SystemError)});
  EXPECT_EQ(tv.notices(), (Notices{{5, 5}, {2, 101}}));
  EXPECT_EQ(state.m_LockIndicator.load(), 0);
}

class ReceptionWithoutDaemonTest : public ReceptionStartupTest {
 protected:
  bool startDaemon() const override { return false; }
};

TEST_F(ReceptionWithoutDaemonTest, AMissingDaemonEndsTheStartWithTheSystemErrorAndNothingStarted) {
  EXPECT_EQ(start(), 0);
  EXPECT_EQ(ui.texts(), QStringList{strings.text(StringId::SystemError)});
  EXPECT_EQ(state.StartOk.load(), 0);
  EXPECT_TRUE(tv.notices().empty());
}

}  // namespace
}  // namespace cv7::app::test
