// The satellite page's transponder and LNB flows and its two dialogs' OK logic, against the
// real library: what the list shows, how favourites follow added, edited and deleted
// transponders, and which typed input the dialogs refuse with which message.
#include "LocalOscillatorList.h"
#include "SetupSheetSlot.h"
#include "SetupSheetFixture.h"

namespace cv7::app::test {
namespace {

using Favorites = std::vector<std::pair<uint32_t, uint32_t>>;

class SatellitePageTest : public SetupSheetFixture {
 protected:
  bool startDaemon() const override { return false; }
  void SetUp() override {
    SetupSheetFixture::SetUp();
    page = &openOnSatellitePage();
  }
  QString oscillator(int number) const {
    return store.readText(config::kLnb, QStringLiteral("Local Oscillator %1").arg(number));
  }
  int oscillatorCount() const { return store.readInteger(config::kLnb, config::kLocalOscillatorNum, 0); }

  CPage2* page = nullptr;
};

TEST_F(SatellitePageTest, ShowsTheSelectedSatelliteWithThreeDecimalsAndItsSelectedTransponder) {
  EXPECT_EQ(page->satelliteNames, (QStringList{"HOTBIRD", "ASTRA", "ASIA SAT 2", "KOREA SAT"}));
  EXPECT_EQ(page->satelliteIndex, 0);
  ASSERT_EQ(page->rows.size(), hotbirdTransponders);
  EXPECT_EQ(page->rows[0], (CPage2::Row{"10719.000", "27.500", "V"}));
  EXPECT_EQ(page->m_nItemTp, 0);
  EXPECT_TRUE(page->autoScanEnabled);
  EXPECT_EQ(page->diseqcText, "Port 1");
  EXPECT_EQ(page->toneBurstText, "Disabled");
  EXPECT_EQ(page->oscillatorText, "Universal LNB");
  EXPECT_TRUE(page->tone22kText.isEmpty()) << "no 22 kHz text for a universal LNB";
}

TEST_F(SatellitePageTest, AddedTransponderThatSortsFirstShiftsLaterFavoritesOneThatSortsLastChangesNone) {
  addFavorite("HOTBIRD", 1);
  addFavorite("HOTBIRD", 3);
  addFavorite("ASTRA", 1);
  dialogs.enterTransponder("10000", ".005", 1);
  page->OnAddTransponder();
  EXPECT_EQ(page->rows[0], (CPage2::Row{"10000.000", "0.005", "H"}));
  EXPECT_EQ(page->m_nItemTp, 0);
  EXPECT_EQ(favorites(), (Favorites{{2, 201}, {4, 401}, {1, 101}})) << "ASTRA's favourite stays";
  EXPECT_TRUE(state.g_SateChanged);
  EXPECT_TRUE(QFile::exists(base + "/Datafile/DataTemp.cvt"));

  dialogs.enterTransponder("14000", "27.5");
  page->OnAddTransponder();
  EXPECT_EQ(page->m_nItemTp, hotbirdTransponders + 1);
  EXPECT_EQ(state.g_TpNum, uint32_t(hotbirdTransponders) + 2);
  EXPECT_EQ(favorites(), (Favorites{{2, 201}, {4, 401}, {1, 101}}));
}

TEST_F(SatellitePageTest, ADuplicateTransponderSelectsTheListedRowSilently) {
  page->OnSelectTransponder(2);
  dialogs.enterTransponder("10719.0001", "27.5", 0);  // polarity is not compared
  page->OnAddTransponder();
  EXPECT_EQ(page->m_nItemTp, 0);
  EXPECT_EQ(Cvn_GetNumOfTransponder(), hotbirdTransponders);
  EXPECT_TRUE(ui.messages().empty());
  EXPECT_FALSE(state.g_SateChanged);
}

TEST_F(SatellitePageTest, DeletedTransponderTakesItsFavoritesAndRenumbersLaterOnes) {
  addFavorite("HOTBIRD", 1);
  addFavorite("HOTBIRD", 2);
  addFavorite("HOTBIRD", 3);
  page->OnSelectTransponder(1);
  page->OnDeleteTransponder();
  EXPECT_TRUE(ui.showed(StringId::ConfirmDeleteTransponder));
  EXPECT_EQ(page->rows.size(), hotbirdTransponders - 1);
  EXPECT_EQ(page->m_nItemTp, 1);
  EXPECT_EQ(favorites(), (Favorites{{1, 101}, {2, 201}}));
  page->OnSelectTransponder(int(page->rows.size()) - 1);
  page->OnDeleteTransponder();
  EXPECT_EQ(page->m_nItemTp, hotbirdTransponders - 3) << "the last row when the deleted one was last";
}

TEST_F(SatellitePageTest, EditedTransponderMustStayBetweenItsNeighboursAndItsFavoritesFollow) {
  addFavorite("HOTBIRD", 2);
  page->OnSelectTransponder(1);
  dialogs.enterTransponder("10700", "27.5", 1);
  page->OnEditTransponder();
  EXPECT_EQ(ui.texts(), QStringList{"Downlink frequency should have from 10719.000 , 10775.000.\n"
                                    "Could you please try again?"});
  EXPECT_EQ(dialogs.lastTransponderField, TransponderForm::Field::Frequency);

  dialogs.enterTransponder("10775", "30", 0);  // equal to the neighbour's: accepted
  page->OnEditTransponder();
  EXPECT_EQ(page->rows[1], (CPage2::Row{"10775.000", "30.000", "V"}));
  FavoriteInfo favorite{};
  Cvn_GetFavoriteInfo(1, &favorite);
  EXPECT_EQ(favorite.Tr.Frequency, 10775000u);
  EXPECT_EQ(favorite.Tr.SymbolRate, 30000u);

  page->OnSelectTransponder(hotbirdTransponders - 1);
  dialogs.enterTransponder("100000.001", "1");
  page->OnEditTransponder();
  dialogs.enterTransponder("100000", "1");
  page->OnEditTransponder();
  EXPECT_EQ(page->rows.last().frequency, "100000.000") << "the last one up to 100000 MHz";
  EXPECT_TRUE(ui.texts().last().endsWith(" , 100000.000.\nCould you please try again?"));
}

TEST_F(SatellitePageTest, TransponderTextsThatAreNoNumbersAreRefusedWithTheirMessages) {
  for (const char* text : {"10.7.19", "10719,5", "4294967.296"}) {
    dialogs.enterTransponder(text, "27.5");
    page->OnAddTransponder();
  }
  dialogs.enterTransponder("11000", "27.5a");
  page->OnAddTransponder();
  EXPECT_EQ(ui.texts(), (QStringList{strings.text(StringId::InvalidFrequency), strings.text(StringId::InvalidFrequency),
                                     strings.text(StringId::InvalidFrequency),
                                     strings.text(StringId::InvalidSymbolRate)}));
  EXPECT_EQ(Cvn_GetNumOfTransponder(), hotbirdTransponders);

  dialogs.enterTransponder("", "");
  page->OnAddTransponder();
  EXPECT_EQ(page->rows[0].frequency, "0.000") << "an empty frequency is 0 kHz when adding";
}

TEST_F(SatellitePageTest, AnEditedLnbIsShownAndReachesTheFavoritesAndUniversalLnbHasNoToneText) {
  addFavorite("HOTBIRD", 1);
  dialogs.satelliteEntries.push_back([](SatelliteForm& form) {
    EXPECT_EQ(form.oscillatorText, "Universal LNB");
    EXPECT_FALSE(form.tone22kEnabled);
    form.selectOscillator(2);
    EXPECT_TRUE(form.tone22kEnabled);
    form.tone22k = SatelliteForm::kOn;
    form.lnbPower = SatelliteForm::kOff;
    return true;
  });
  page->OnEditSatellite();
  EXPECT_EQ(page->oscillatorText, " 10600");
  EXPECT_EQ(page->tone22kText, strings.text(StringId::Tone22kOn));
  EXPECT_EQ(page->lnbPowerText, strings.text(StringId::LnbPowerOff));
  FavoriteInfo favorite{};
  Cvn_GetFavoriteInfo(1, &favorite);
  EXPECT_EQ(favorite.Lnb.LocalOscillator, 10600000u);
  EXPECT_EQ(favorite.Lnb.LnbPower, 1u);
  EXPECT_TRUE(state.g_SateChanged);

  dialogs.satelliteEntries.push_back([](SatelliteForm& form) {
    form.editOscillator("Universal LNB");
    return true;
  });
  page->OnEditSatellite();
  EXPECT_EQ(page->oscillatorText, "Universal LNB");
  EXPECT_TRUE(page->tone22kText.isEmpty());
}

TEST_F(SatellitePageTest, TheSatelliteDialogRefusesBadNamesAndOscillatorsButKeepsATypedOscillator) {
  SatelliteForm form(SatelliteForm::Add, sheet);
  EXPECT_EQ(form.oscillatorText, "5150");
  form.name = "   ";
  EXPECT_EQ(form.accept(), SatelliteForm::Field::Name);
  form.name = "hotbird";
  for (const char* text : {"97a0", "0", "", "9750,5"}) {
    form.editOscillator(QString::fromLatin1(text));
    EXPECT_EQ(form.accept(), SatelliteForm::Field::Oscillator) << text;
  }
  form.editOscillator("11475");
  EXPECT_EQ(form.accept(), SatelliteForm::Field::Name) << "differs only in letter case";
  EXPECT_EQ(ui.texts(), (QStringList{strings.text(StringId::EnterSatelliteName),
                                     strings.text(StringId::InvalidLocalOscillator),
                                     strings.text(StringId::InvalidLocalOscillator),
                                     strings.text(StringId::InvalidLocalOscillator),
                                     strings.text(StringId::InvalidLocalOscillator),
                                     strings.text(StringId::SatelliteNameTaken)}));
  EXPECT_EQ(oscillator(1), "11475") << "stored before the name was refused";
  EXPECT_EQ(state.m_SateNum, 4);

  form.name = QString(40, QLatin1Char('N'));
  form.editOscillator("10600");
  EXPECT_EQ(form.accept(), SatelliteForm::Field::None);
  EXPECT_EQ(oscillatorCount(), 1) << "built-ins are never stored";
  EXPECT_EQ(state.m_strSateName.size(), SatelliteForm::kMaxNameLength);
  EXPECT_EQ(form.lnb.LocalOscillator, 10600000u);
}

TEST_F(SatellitePageTest, TheOscillatorUserListIsListedAgainAndDeletingMovesLaterEntriesDown) {
  const LocalOscillatorList list(store);
  for (const char* value : {"11000", "11100", "11200", "11300", "11400"}) list.remember(value);
  LnbInfo lnb{};
  Cvn_GetSatelliteInformation(&lnb);
  lnb.LocalOscillator = 11200000;
  SatelliteForm form(SatelliteForm::Edit, sheet, lnb);
  EXPECT_EQ(form.oscillators.size(), 9);
  EXPECT_EQ(form.oscillatorIndex, 6) << "the stored entry equal to the record's oscillator";
  form.deleteOscillator();
  EXPECT_EQ(oscillatorCount(), 4);
  EXPECT_EQ(oscillator(3), "11300");
  EXPECT_EQ(oscillator(4), "11400");
  EXPECT_EQ(oscillator(5), "11400") << "the fifth value stays beyond the count";
  EXPECT_EQ(form.oscillatorText, "11100");

  form.selectOscillator(1);
  form.deleteOscillator();  // a built-in: nothing
  EXPECT_EQ(oscillatorCount(), 4);

  lnb.LocalOscillator = 9750600;  // not listed: shown rounded at the end, never stored
  SatelliteForm rounded(SatelliteForm::Edit, sheet, lnb);
  EXPECT_EQ(rounded.oscillatorText, "9751");
  rounded.deleteOscillator();
  EXPECT_EQ(oscillatorCount(), 4) << "an entry that is not stored leaves the count alone";
  EXPECT_EQ(rounded.oscillators.size(), 8);
}

TEST_F(SatellitePageTest, TheLastSatelliteCannotBeDeletedAndCancelOfTheQuestionKeepsAll) {
  ui.answerNext(MessageButton::Cancel);
  page->OnDeleteSatellite();
  EXPECT_EQ(page->satelliteNames.size(), 4);
  for (int i = 0; i < 3; ++i) page->OnDeleteSatellite();
  ASSERT_EQ(state.m_SateNum, 1);
  ui.clear();
  page->OnDeleteSatellite();
  EXPECT_TRUE(ui.showed(StringId::LastSatellite));
  EXPECT_EQ(page->satelliteNames, QStringList{"KOREA SAT"});
}

TEST_F(SatellitePageTest, AnAddedSatelliteGetsAnEmptyFileAndJoinsTheListOnOk) {
  dialogs.satelliteEntries.push_back([](SatelliteForm& form) {
    form.name = "My Sat";
    form.editOscillator("11300");
    form.tone22k = SatelliteForm::kOff;
    form.diseqc = 2;
    return true;
  });
  page->OnAddSatellite();
  EXPECT_EQ(page->satelliteNames.last(), "My Sat");
  EXPECT_EQ(page->satelliteIndex, 4);
  EXPECT_TRUE(page->rows.isEmpty());
  EXPECT_EQ(state.g_TpNum, 0u);
  EXPECT_EQ(page->oscillatorText, " 11300");
  EXPECT_EQ(page->tone22kText, strings.text(StringId::Tone22kOff));
  EXPECT_EQ(page->diseqcText, strings.text(StringId::Port) + " 2");
  EXPECT_TRUE(sheet.m_bSateListChanged);
  EXPECT_EQ(state.m_strSateFile, dataFile("My_Sat.cvd"));
  EXPECT_TRUE(QFile::exists(dataFile("My_Sat.cvd")));

  sheet.OnOK();
  EXPECT_EQ(store.readInteger(config::kSatellite, config::kSatelliteNum, 0), 5);
  EXPECT_EQ(stored("Satellite Name5"), "My Sat");
  EXPECT_EQ(state.g_TrInfo.TransponderNumber, 0u) << "no transponder: no lock test";
  EXPECT_FALSE(lockTested());
}

TEST_F(SatellitePageTest, TheFiftyFirstSatelliteIsRefusedWithAMessage) {
  for (int i = 5; i <= CPropSheet::kMaxSatellites; ++i) {
    dialogs.satelliteEntries.push_back([i](SatelliteForm& form) {
      form.name = QStringLiteral("SAT %1").arg(i);
      return true;
    });
    page->OnAddSatellite();
  }
  ASSERT_EQ(state.m_SateNum, CPropSheet::kMaxSatellites);
  ui.clear();
  page->OnAddSatellite();
  EXPECT_TRUE(ui.showed(StringId::SatelliteListFull));
  EXPECT_EQ(dialogs.satelliteRuns, CPropSheet::kMaxSatellites - 4) << "no dialog for the 51st";
  EXPECT_EQ(page->satelliteNames.size(), CPropSheet::kMaxSatellites);
}

TEST_F(SatellitePageTest, TheTvCoordinationReachesTheOpenSheetAndItsPageThroughTheSlot) {
  SetupSheetSlot slot;
  EXPECT_FALSE(slot.isOpen());
  slot.setOpenSheet(&sheet);
  EXPECT_TRUE(slot.isOpen());
  EXPECT_EQ(slot.openingSatelliteName(), "HOTBIRD");
  slot.setCaption(StringId::DataCaption);
  EXPECT_EQ(sheet.caption, "Corvane-7 Data");

  // Another program renamed the opening satellite while the page was not active.
  sheet.setActivePage(SetupSheetAccess::kDataPidPage);
  store.writeText(config::kSatellite, "Satellite Name1", "HOTBIRD 13E");
  slot.setSatellitePageRefresh(SetupSheetAccess::kRefreshSatelliteList);
  EXPECT_EQ(page->satelliteNames.first(), "HOTBIRD") << "nothing before the page is active";
  sheet.setActivePage(SetupSheetAccess::kSatellitePage);
  EXPECT_EQ(page->satelliteNames.first(), "HOTBIRD 13E");
  EXPECT_TRUE(sheet.m_bCannotRestore) << "the opening satellite is no longer listed";
  EXPECT_FALSE(sheet.cancelEnabled);
  EXPECT_EQ(page->refresh, SetupSheetAccess::kRefreshNone);

  slot.setScanButtonsEnabled(false);
  EXPECT_FALSE(slot.autoScanButtonEnabled());
  page->OnActivate();
  EXPECT_TRUE(page->scanEnabled);
  EXPECT_EQ(tv.notices().back(), (RecordingTvNotifier::Notice{21, 0}));
  slot.setOpenSheet(nullptr);
  EXPECT_FALSE(slot.isOpen());
}

}  // namespace
}  // namespace cv7::app::test
