// The "Data Setup" sheet's logic against the real daemon and library: what OK, Cancel and the
// close box commit, restore and retune, and how the satellite list is written.
#include "SetupSheetFixture.h"

namespace cv7::app::test {
namespace {

using SetupSheetTest = SetupSheetFixture;

TEST_F(SetupSheetTest, OkWithNothingChangedOnALockedCardPerformsNoLockTest) {
  openOnSatellitePage();
  const long commands = cardCommands();
  sheet.OnOK();
  EXPECT_FALSE(lockTested());
  EXPECT_EQ(cardCommands(), commands);
  EXPECT_TRUE(tv.notices().empty());
  EXPECT_EQ(sheet.caption, "Corvane-7 Data - HOTBIRD, 10719.000 [MHz], 27.500 [MSymbol]");
  EXPECT_FALSE(sheet.isOpen());
}

TEST_F(SetupSheetTest, OkAfterOnlyATransponderChangeRetunesAndReportsThePosition) {
  CPage2& page = openOnSatellitePage();
  page.OnSelectTransponder(2);
  sheet.OnOK();
  EXPECT_EQ(tv.notices(), (Notices{{5, 5}, {1, 103}}));
  EXPECT_EQ(state.g_TrInfo.TransponderNumber, 3u);
  EXPECT_EQ(state.g_TrInfo.Frequency, kHotbird3.frequency);
  EXPECT_EQ(state.m_DataLockHeld.load(), 1);
}

TEST_F(SetupSheetTest, OkAfterDeletingASatelliteWritesTheListOneToNAndLeavesTheRest) {
  CPage2& page = openOnSatellitePage();
  page.OnSelectSatellite(2);  // ASIA SAT 2
  tv.clear();
  page.OnDeleteSatellite();
  EXPECT_TRUE(ui.showed(StringId::ConfirmDeleteSatellite));
  EXPECT_EQ(page.satelliteNames, (QStringList{"HOTBIRD", "ASTRA", "KOREA SAT"}));
  EXPECT_EQ(page.satelliteIndex, 1) << "the one before the deleted one";
  EXPECT_EQ(state.m_strSateName, "ASTRA");
  EXPECT_EQ(stored("Satellite Name3"), "ASIA SAT 2") << "the store waits for OK";

  sheet.OnOK();
  EXPECT_EQ(store.readInteger(config::kSatellite, config::kSatelliteNum, 0), 3);
  EXPECT_EQ(stored("Satellite Name3"), "KOREA SAT");
  EXPECT_TRUE(stored("Satellite File3").endsWith("KoreaSat.cvd"));
  EXPECT_EQ(stored("Satellite Name4"), "KOREA SAT") << "values above the count stay";
  EXPECT_EQ(tv.notices().front(), (RecordingTvNotifier::Notice{3, 200}));
  EXPECT_TRUE(lockTested()) << "another satellite was selected";
  EXPECT_STREQ(state.g_LnbInfo.SatelliteName, "ASTRA");
}

TEST_F(SetupSheetTest, DeletingTheTunedSatelliteRenamesTheTunedRecordAndShowsTheNotLockedCaption) {
  CPage2& page = openOnSatellitePage();
  page.OnDeleteSatellite();
  EXPECT_EQ(page.satelliteIndex, 0) << "the new first satellite";
  EXPECT_EQ(state.m_strSateName, "ASTRA");
  sheet.OnOK();
  EXPECT_STREQ(state.g_LnbInfo.SatelliteName, "ASTRA");
  EXPECT_EQ(sheet.caption, strings.text(StringId::NotLockedCaption));
}

TEST_F(SetupSheetTest, CancelAfterChoosingAnotherSatelliteRestoresWithoutRetuningALockedCard) {
  CPage2& page = openOnSatellitePage();
  page.OnSelectSatellite(1);
  page.OnSelectTransponder(1);
  LnbInfo lnb{};
  Cvn_GetSatelliteInformation(&lnb);
  ASSERT_STREQ(lnb.SatelliteName, "ASTRA");
  tv.clear();

  sheet.OnCancel();
  EXPECT_EQ(state.m_strSateName, "HOTBIRD");
  EXPECT_EQ(state.m_LastNum, 1);
  EXPECT_EQ(state.g_TpNum, 1u);
  Cvn_GetSatelliteInformation(&lnb);
  EXPECT_STREQ(lnb.SatelliteName, "HOTBIRD") << "the opening satellite's file is loaded again";
  EXPECT_FALSE(lockTested());
}

TEST_F(SetupSheetTest, TheCloseBoxRestoresAsCancelAndRetunesWhenTheLockWasLost) {
  CPage2& page = openOnSatellitePage();
  page.OnSelectSatellite(1);
  state.m_DataLockHeld = 0;
  tv.clear();
  sheet.OnDestroy();
  EXPECT_EQ(state.m_strSateName, "HOTBIRD");
  EXPECT_EQ(tv.notices(), (Notices{{5, 5}, {1, 101}}));
  sheet.OnDestroy();
  EXPECT_EQ(tv.notices().size(), 2u) << "restored once";
}

TEST_F(SetupSheetTest, KeepingChangesOfTheOpeningSatelliteWritesItsFileAndDisablesCancel) {
  CPage2& page = openOnSatellitePage();
  dialogs.enterTransponder("11000", "27.5");
  page.OnAddTransponder();
  ASSERT_TRUE(state.g_SateChanged);
  page.OnSelectSatellite(1);  // asked: keep
  EXPECT_TRUE(ui.texts().contains("HOTBIRD\n" + strings.text(StringId::ConfirmSaveSatellite)));
  EXPECT_TRUE(sheet.m_bCannotRestore);
  EXPECT_FALSE(sheet.cancelEnabled);
  EXPECT_EQ(tv.notices(), (Notices{{4, 100}}));
  EXPECT_EQ(state.g_TrInfo.TransponderNumber, 1u) << "the tuned transponder is found again";

  sheet.OnDestroy();  // no way back: the current satellite with its first transponder
  EXPECT_EQ(state.m_strSateName, "ASTRA");
  EXPECT_EQ(state.g_TpNum, 1u);
  ASSERT_EQ(Cvn_ChannelFileOpen(dataFile("HotBird.cvd").toUtf8().constData()), FILE_OPEN_OK);
  Cvn_ChannelFileRead();
  Cvn_ChannelFileClose();
  EXPECT_EQ(Cvn_GetNumOfTransponder(), hotbirdTransponders + 1) << "the kept transponder is in HOTBIRD's file";
}

TEST_F(SetupSheetTest, DiscardingChangesOfASatelliteReloadsItsFiles) {
  CPage2& page = openOnSatellitePage();
  addFavorite("HOTBIRD", 3);
  dialogs.enterTransponder("11000", "27.5");
  page.OnAddTransponder();
  ui.answerNext(MessageButton::Cancel);
  page.OnSelectSatellite(1);
  EXPECT_FALSE(sheet.m_bCannotRestore);
  sheet.OnCancel();
  EXPECT_EQ(Cvn_GetNumOfTransponder(), hotbirdTransponders);
  EXPECT_TRUE(favorites().empty()) << "the favourites come from the file again";
}

}  // namespace
}  // namespace cv7::app::test
