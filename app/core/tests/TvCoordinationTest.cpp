// The data application's side of the coordination with a TV application, with the TV's
// messages given directly and what the data application sends recorded; the library's
// database, the data files and the shared store are real.
#include "CoordinationFixture.h"
#include "FakeSetupSheet.h"
#include "RecordingTvLink.h"
#include "SatelliteName.h"
#include "StringId.h"
#include "TvCoordination.h"

namespace cv7::app::test {
namespace {

class TvCoordinationTest : public CoordinationFixture {
 protected:
  void SetUp() override {
    CoordinationFixture::SetUp();
    coordination.setLink(&link);
  }
  void tvKnown() {
    coordination.onTvNotify(1, ":1.7");
    link.sent.clear();
  }
  int owner() const { return state.m_TunerOwnerState; }
  int lock() const { return state.m_LockIndicator; }
  static QString librarySatellite() {
    LnbInfo lnb{};
    Cvn_GetSatelliteInformation(&lnb);
    return satelliteName(lnb.SatelliteName);
  }

  FakeSetupSheet sheet;
  RecordingTvLink link;
  TvCoordination coordination{state, store, files, loader, reception, sheet};
};

TEST_F(TvCoordinationTest, TvStartIsAnsweredToThatWindowOnlyAndTvStopEndsTheNotifications) {
  coordination.announceStart();
  EXPECT_EQ(coordination.onTvNotify(1, ":1.7"), 1);
  EXPECT_EQ(link.sent, (QStringList{"broadcast 1", "post 3 :1.7"}));
  coordination.notifyTv(1, 101);
  EXPECT_EQ(link.sent.last(), "tuning :1.7 1 101");

  link.sent.clear();
  coordination.onTvNotify(3, ":1.9");  // TV is LIVING: a new window, no answer
  coordination.onTvNotify(8, ":1.10");  // not a presence code
  EXPECT_TRUE(link.sent.isEmpty());
  EXPECT_EQ(coordination.tvWindow(), ":1.9");

  EXPECT_EQ(coordination.onTvNotify(2, ""), 1);
  EXPECT_EQ(reception.lockSequences, 1) << "TV STOP re-tunes the data transponder";
  coordination.notifyTv(2, 101);
  coordination.announceEnd();
  EXPECT_EQ(link.sent, QStringList{"broadcast 2"}) << "no TV window is known after TV STOP";
}

TEST_F(TvCoordinationTest, TuningMessagesFollowTheSendingRules) {
  coordination.notifyTv(1, 101);
  EXPECT_TRUE(link.sent.isEmpty()) << "no TV window known";

  tvKnown();
  state.g_SateChanged = true;
  coordination.notifyTv(1, 101);  // the sheet is closed: no pending changes count
  sheet.open = true;
  coordination.notifyTv(4, 100);
  coordination.notifyTv(5, 5);
  state.g_SateChanged = false;
  coordination.notifyTv(2, 101);
  sheet.listChanged = true;
  coordination.notifyTv(21, 0);
  coordination.notifyTv(3, 200);
  EXPECT_EQ(link.sent, (QStringList{"tuning :1.7 1 101", "tuning :1.7 14 100", "tuning :1.7 5 5",
                                    "tuning :1.7 2 101", "tuning :1.7 31 0", "tuning :1.7 13 200"}));

  link.sent.clear();
  sheet.autoScanDialog = true;
  coordination.notifyTv(5, 5);
  coordination.setLink(nullptr);
  sheet.autoScanDialog = false;
  coordination.notifyTv(1, 101);
  EXPECT_TRUE(link.sent.isEmpty()) << "nothing while the auto-scan dialog exists, nothing without a link";
}

TEST_F(TvCoordinationTest, TvScanningDisablesTheScanButtonsEvenBeforeStartUp) {
  state.StartOk = 0;
  coordination.OnReceiveFromVideo(21, 0);
  EXPECT_TRUE(sheet.actions.isEmpty()) << "no satellite page";
  sheet.open = true;
  sheet.satellitePage = true;
  EXPECT_EQ(coordination.OnReceiveFromVideo(21, 12345), 0);
  coordination.OnReceiveFromVideo(21, 0);
  EXPECT_EQ(sheet.actions, QStringList{"scan-buttons 0"}) << "only while Auto Scan is enabled";
}

TEST_F(TvCoordinationTest, TvReportsMoveTheTunerOwnerAndTheLockIndicator) {
  struct Case {
    int code, value, lock, owner, pidLists;
    const char* tvSatellite;
  };
  const Case cases[] = {
      {1, 101, 1, kTunerOwnerData, 1, "HOTBIRD"},  // the data transponder: PIDs set again, locked
      {1, 102, 0, kTunerOwnerTv, 0, "HOTBIRD"},    // another transponder
      {1, 201, 0, kTunerOwnerTv, 0, "ASTRA"},      // another satellite, same transponder number
      {2, 101, 0, kTunerOwnerData, 0, "HOTBIRD"},  // the data transponder failed for the TV
      {2, 301, 0, kTunerOwnerTv, 0, "ASIA SAT 2"},
      {11, 101, 0, kTunerOwnerTv, 0, ""},  // the TV application is changing its tuning
      {12, 101, 0, kTunerOwnerTv, 0, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.code << " " << c.value);
    state.m_LockIndicator = 1 - c.lock;
    state.m_TunerOwnerState = kTunerOwnerUnknown;
    reception.pidLists = 0;
    EXPECT_EQ(coordination.OnReceiveFromVideo(c.code, c.value), 0);
    EXPECT_EQ(lock(), c.lock);
    EXPECT_EQ(owner(), c.owner);
    EXPECT_EQ(reception.pidLists, c.pidLists);
    EXPECT_EQ(coordination.tvSatelliteName(), c.tvSatellite);
  }
}

TEST_F(TvCoordinationTest, InvalidPositionsUnknownSatellitesOtherCodesAndEarlyMessagesChangeNoState) {
  coordination.OnReceiveFromVideo(1, 201);
  ASSERT_EQ(coordination.tvSatelliteName(), "ASTRA");
  state.m_LockIndicator = 1;
  state.m_TunerOwnerState = kTunerOwnerData;
  for (int value : {0, -101, 100000, 123456, std::numeric_limits<int>::min()}) {
    coordination.OnReceiveFromVideo(1, value);
    coordination.OnReceiveFromVideo(12, value);
  }
  EXPECT_EQ(coordination.tvSatelliteName(), "ASTRA") << "positions out of range are ignored";
  coordination.OnReceiveFromVideo(1, 901);  // no satellite 9 in the configuration
  EXPECT_EQ(coordination.tvSatelliteName(), "");
  coordination.OnReceiveFromVideo(2, 201);
  coordination.OnReceiveFromVideo(6, 101);  // only the TV satellite name, cleared
  EXPECT_EQ(coordination.tvSatelliteName(), "");
  coordination.OnReceiveFromVideo(99, 101);
  EXPECT_EQ(lock(), 0);
  EXPECT_EQ(owner(), kTunerOwnerTv) << "code 2 on ASTRA, nothing from codes 6 and 99";

  state.StartOk = 0;
  coordination.OnReceiveFromVideo(1, 101);
  coordination.OnReceiveFromVideo(3, 100);
  EXPECT_EQ(owner(), kTunerOwnerTv) << "before start-up only code 21 is handled";
  EXPECT_EQ(reception.pidLists, 0);
}

TEST_F(TvCoordinationTest, ReopenFavouritesReadsTheFileTheTvWrote) {
  FavoriteInfo favorite = favoriteOf("ASTRA", 201);
  Cvn_AddFavorite(&favorite);
  ASSERT_EQ(files.saveFavoriteFile(), FileUpkeep::Result::Repaired);  // no file yet: written anew
  emptyLibraryDatabase();
  files.loadDataFile();
  coordination.OnReceiveFromVideo(9, 0);
  ASSERT_EQ(Cvn_GetNumOfFavorite(), 1);
}

TEST_F(TvCoordinationTest, SatelliteListWithoutTheDataSatelliteSelectsTheTvSatelliteUntuned) {
  writeSatelliteList({"ASTRA", "ASIA SAT 2", "KOREA SAT"},
                     {dataFile("Astra.cvd"), dataFile("AsiaSat2.cvd"), dataFile("KoreaSat.cvd")});
  sheet.open = true;
  sheet.satellitePage = true;
  coordination.OnReceiveFromVideo(3, 101);  // the TV is on ASTRA, now first in the list
  EXPECT_EQ(state.m_strSateName, "ASTRA");
  EXPECT_EQ(state.m_strSateFile, dataFile("Astra.cvd"));
  EXPECT_EQ(state.m_LastNum, 1);
  EXPECT_EQ(state.m_SateNum, 3);
  EXPECT_EQ(librarySatellite(), "ASTRA") << "its data file is loaded";
  EXPECT_EQ(satelliteName(state.g_LnbInfo.SatelliteName), "ASTRA");
  EXPECT_EQ(state.g_TpNum, 1u);
  EXPECT_EQ(state.g_TrInfo.TransponderNumber, 0u) << "not tuned";
  EXPECT_EQ(sheet.actions, (QStringList{"caption 317", "refresh 3"}));
}

TEST_F(TvCoordinationTest, SatelliteListChangesRefreshTheOpenSheetByItsActivePage) {
  writeSatelliteList({"ASTRA", "HOTBIRD"}, {dataFile("Astra.cvd"), dataFile("HotBird.cvd")});
  sheet.open = true;
  sheet.satellitePage = true;
  sheet.page = SetupSheetAccess::kSatellitePage;
  coordination.OnReceiveFromVideo(3, 100);
  EXPECT_EQ(state.m_LastNum, 2) << "the selected satellite moved";
  EXPECT_EQ(state.m_strSateName, "HOTBIRD");
  EXPECT_EQ(state.g_TrInfo.TransponderNumber, 1u);
  EXPECT_EQ(sheet.actions, (QStringList{"reload-satellites 1", "transponders 0"}));

  sheet.actions.clear();
  sheet.page = SetupSheetAccess::kDataPidPage;
  coordination.OnReceiveFromVideo(3, 100);
  EXPECT_EQ(sheet.actions, (QStringList{"refresh 3", "data-pid-lists"}));
}

TEST_F(TvCoordinationTest, AnEmptiedSatelliteListIsReplacedByTheDefaultsWithTheirWarning) {
  store.writeInteger(config::kSatellite, config::kSatelliteNum, 0);
  coordination.OnReceiveFromVideo(3, 100);
  EXPECT_TRUE(ui.showed(StringId::SatelliteDamaged));
  EXPECT_EQ(store.readInteger(config::kSatellite, config::kSatelliteNum, 0), 4);
  EXPECT_EQ(state.m_LastNum, 1);
  EXPECT_EQ(state.m_strSateName, "HOTBIRD");
}

TEST_F(TvCoordinationTest, ChangedDataFileOfTheSelectedSatelliteIsReloadedAndTheTransponderFoundAgain) {
  // The TV adds a transponder below the data transponder: the data transponder becomes 2.
  changeFileElsewhere(dataFile("HotBird.cvd"), [] {
    TrInfo lower{0, 10700000, 27500, 1, 0, {}};
    Cvn_AddTransponder(&lower);
  });
  sheet.open = true;
  sheet.satellitePage = true;
  sheet.page = SetupSheetAccess::kSatellitePage;
  sheet.openingSatellite = "HOTBIRD";
  state.g_SateChanged = true;
  coordination.OnReceiveFromVideo(4, 100);
  EXPECT_EQ(state.g_TrInfo.TransponderNumber, 2u);
  EXPECT_EQ(state.g_TpNum, 2u);
  EXPECT_FALSE(state.g_SateChanged);
  EXPECT_EQ(sheet.actions, (QStringList{"cannot-restore", "transponders 1"}));

  // Then the TV deletes the data transponder.
  changeFileElsewhere(dataFile("HotBird.cvd"), [] { Cvn_DeleteTransponder(2); });
  sheet.actions.clear();
  sheet.page = 0;
  sheet.openingSatellite = "ASTRA";
  coordination.OnReceiveFromVideo(4, 103);
  EXPECT_EQ(state.g_TrInfo.TransponderNumber, 0u);
  EXPECT_EQ(sheet.actions, (QStringList{"refresh 4", "caption 317"}));
}

TEST_F(TvCoordinationTest, ChangedFileOfTheTunedButNotSelectedSatelliteRenumbersTheDataTransponder) {
  // The user selected ASTRA in the sheet; the card stays on HOTBIRD's transponder 1.
  state.m_strSateName = "ASTRA";
  state.m_strSateFile = dataFile("Astra.cvd");
  state.m_LastNum = 2;
  ASSERT_EQ(files.loadDataFile(), FileUpkeep::Result::Done);
  state.g_TpNum = 3;
  changeFileElsewhere(dataFile("HotBird.cvd"), [] {
    TrInfo lower{0, 10700000, 27500, 1, 0, {}};
    Cvn_AddTransponder(&lower);
  });
  coordination.OnReceiveFromVideo(4, 100);
  EXPECT_EQ(state.g_TrInfo.TransponderNumber, 2u);
  EXPECT_EQ(state.m_strSateName, "ASTRA");
  EXPECT_EQ(state.m_LastNum, 2);
  EXPECT_EQ(state.g_TpNum, 3u);
  EXPECT_EQ(librarySatellite(), "ASTRA") << "the selected satellite is current again";
  EXPECT_TRUE(sheet.actions.isEmpty());
}

}  // namespace
}  // namespace cv7::app::test
