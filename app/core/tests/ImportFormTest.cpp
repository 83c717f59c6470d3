// Importing a satellite data file from the satellite page's "Add..." menu, against the real
// library with the shipped satellite files: what the dialog shows, the three ways OK ends, and
// every other way out leaving the selected satellite's data loaded again.
#include "ImportForm.h"
#include "LnbTexts.h"
#include "NumberText.h"
#include "SetupSheetFixture.h"

namespace cv7::app::test {
namespace {

using Favorites = std::vector<std::pair<uint32_t, uint32_t>>;

class ImportFormTest : public SetupSheetFixture {
 protected:
  bool startDaemon() const override { return false; }  // importing touches files only
  void SetUp() override {
    SetupSheetFixture::SetUp();
    page = &openOnSatellitePage();
    dialogs.menuCommand = SetupDialogs::kImportSatellite;
    fs::create_directories(root / "other");
  }
  // The file `name` of the shipped satellites copied to another folder.
  QString elsewhere(const char* name) {
    fs::copy_file(fs::path(CV7_DEFAULT_FILE_DIR) / name, root / "other" / name);
    return QString::fromStdString((root / "other" / name).string());
  }
  // A file of `bytes` in the other folder.
  QString written(const char* name, const QByteArray& bytes) {
    const QString path = QString::fromStdString((root / "other" / name).string());
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    return path;
  }
  void import(const QString& path, bool ok = true) {
    dialogs.importPath = path;
    dialogs.importOk = ok;
    page->OnAddSatellite();
  }
  QString loadedSatellite() const {
    LnbInfo lnb{};
    Cvn_GetSatelliteInformation(&lnb);
    return satelliteName(lnb.SatelliteName);
  }
  void expectHotbirdLoadedAndNothingAdopted() const {
    EXPECT_EQ(loadedSatellite(), "HOTBIRD");
    EXPECT_EQ(Cvn_GetNumOfTransponder(), hotbirdTransponders);
    EXPECT_EQ(state.m_SateNum, 4);
    EXPECT_EQ(state.m_strSateFile, dataFile("HotBird.cvd"));
    EXPECT_FALSE(sheet.m_bSateListChanged);
  }

  CPage2* page = nullptr;
};

TEST_F(ImportFormTest, TheDialogShowsTheFilesLnbTranspondersAndTheChannelsOfTheSelectedRow) {
  ImportForm form(sheet);
  ASSERT_TRUE(form.open(elsewhere("Astra.cvd")));
  EXPECT_EQ(form.satelliteName, "ASTRA");
  EXPECT_EQ(form.path, QString::fromStdString((root / "other" / "Astra.cvd").string()));
  LnbInfo lnb{};
  Cvn_GetSatelliteInformation(&lnb);
  const LnbTexts texts = LnbTexts::of(lnb, strings);
  EXPECT_EQ(form.lnb.oscillator, texts.oscillator);
  EXPECT_EQ(form.lnb.diseqc, texts.diseqc);
  EXPECT_EQ(form.lnb.lnbPower, texts.lnbPower);
  ASSERT_EQ(form.transponders.size(), Cvn_GetNumOfTransponder());
  TrInfo tr{};
  Cvn_GetInfoTransponder(2, &tr);
  EXPECT_EQ(form.transponders[1].number, " 2");
  EXPECT_EQ(form.transponders[1].frequency, thousandthsText(tr.Frequency));
  EXPECT_EQ(form.selectedRow, 0);
  ASSERT_EQ(form.channels.size(), Cvn_GetNumOfProgram(1));
  ASSERT_FALSE(form.channels.isEmpty());
  EXPECT_EQ(form.channels[0].number, "101");
  EXPECT_TRUE(form.channels[0].kind == "TV" || form.channels[0].kind == "Radio");

  form.selectTransponder(1);
  EXPECT_EQ(form.channels.size(), Cvn_GetNumOfProgram(2));
  if (!form.channels.isEmpty()) {
    EXPECT_EQ(form.channels[0].number, "201");
  }
  form.selectTransponder(int(form.transponders.size()));
  EXPECT_TRUE(form.channels.isEmpty()) << "a row past the list shows no channel";
  form.cancel();
  EXPECT_EQ(form.result(), ImportForm::kNothingAdopted);
  expectHotbirdLoadedAndNothingAdopted();
}

TEST_F(ImportFormTest, TheRegisteredFileIsReportedAndChangesNothing) {
  addFavorite("HOTBIRD", 1);
  import(dataFile("HotBird.cvd"));
  EXPECT_EQ(ui.texts(), QStringList{strings.text(StringId::FileAlreadyRegistered)});
  expectHotbirdLoadedAndNothingAdopted();
  EXPECT_EQ(favorites(), (Favorites{{1, 101}}));
  EXPECT_EQ(page->satelliteIndex, 0);
}

TEST_F(ImportFormTest, ARegisteredSatelliteFromAnotherPathTakesThatPathAndLosesItsFavorites) {
  addFavorite("HOTBIRD", 1);
  addFavorite("ASTRA", 2);
  const QString path = elsewhere("Astra.cvd");
  import(path);
  EXPECT_TRUE(ui.showed(StringId::ConfirmUpdateSatellite));
  EXPECT_EQ(sheet.m_strSateFileList[1], path);
  EXPECT_EQ(page->satelliteIndex, 1);
  EXPECT_EQ(state.m_strSateName, "ASTRA");
  EXPECT_EQ(state.m_strSateFile, path);
  EXPECT_EQ(loadedSatellite(), "ASTRA");
  EXPECT_EQ(favorites(), (Favorites{{1, 101}}));
  EXPECT_EQ(state.m_SateNum, 4);

  sheet.OnOK();
  EXPECT_EQ(stored("Satellite File2"), path) << "the new path is kept";
}

TEST_F(ImportFormTest, CancelOfTheQuestionOrOfTheDialogLeavesTheSelectedSatelliteLoaded) {
  addFavorite("ASTRA", 1);
  ui.answerNext(MessageButton::Cancel);
  import(elsewhere("Astra.cvd"));
  EXPECT_TRUE(ui.showed(StringId::ConfirmUpdateSatellite));
  expectHotbirdLoadedAndNothingAdopted();
  EXPECT_EQ(sheet.m_strSateFileList[1], dataFile("Astra.cvd"));
  EXPECT_EQ(favorites(), (Favorites{{1, 101}}));

  ui.clear();
  import(QString::fromStdString((root / "other" / "Astra.cvd").string()), false);
  EXPECT_TRUE(ui.messages().empty());
  expectHotbirdLoadedAndNothingAdopted();
}

TEST_F(ImportFormTest, ASatelliteOfANewNameIsAddedAsTheLastAndSelected) {
  // ASTRA's file under another satellite name.
  const QString path = elsewhere("Astra.cvd");
  ASSERT_EQ(files.readDataFile(path), FileUpkeep::Result::Done);
  LnbInfo lnb{};
  Cvn_GetSatelliteInformation(&lnb);
  setSatelliteName(lnb.SatelliteName, "EUTELSAT W2");
  Cvn_SetNewLNBInformation(lnb);
  const QByteArray native = path.toUtf8();
  ASSERT_EQ(Cvn_ChannelFileOpen(native.constData()), FILE_OPEN_OK);
  ASSERT_TRUE(Cvn_ChannelFileWrite());
  Cvn_ChannelFileClose();
  files.loadDataFile();

  ui.answerNext(MessageButton::Cancel);
  import(path);
  EXPECT_TRUE(ui.showed(StringId::ConfirmUseSatellite));
  expectHotbirdLoadedAndNothingAdopted();

  import(path);
  EXPECT_EQ(state.m_SateNum, 5);
  EXPECT_EQ(state.m_LastNum, 5);
  EXPECT_EQ(page->satelliteNames.last(), "EUTELSAT W2");
  EXPECT_EQ(page->satelliteIndex, 4);
  EXPECT_EQ(state.m_strSateFile, path);
  EXPECT_EQ(loadedSatellite(), "EUTELSAT W2");
  EXPECT_TRUE(sheet.m_bSateListChanged);
  EXPECT_TRUE(QFile::exists(dataFile("DataTemp.cvt")));
  sheet.OnOK();
  EXPECT_EQ(stored("Satellite Name5"), "EUTELSAT W2");
}

TEST_F(ImportFormTest, ABadFileIsReportedWithItsPathAndTheDialogStaysOpenOnWhatTheLibraryHolds) {
  const QString garbage = written("Garbage.cvd", QByteArray(200, 'x'));
  ImportForm form(sheet);
  ASSERT_TRUE(form.open(garbage));
  EXPECT_EQ(ui.texts(), QStringList{strings.text(StringId::FileOpenFailed) + "\n\"" + garbage + "\""});
  EXPECT_EQ(form.satelliteName, "HOTBIRD");
  form.cancel();

  ui.clear();
  const QString truncated = written("Truncated.cvd", fileBytes(dataFile("HotBird.cvd")).left(300));
  ASSERT_TRUE(form.open(truncated));
  EXPECT_EQ(ui.texts(), QStringList{strings.text(StringId::FileReadFailed) + "\n\"" + truncated + "\""});
  form.cancel();
  expectHotbirdLoadedAndNothingAdopted();
}

TEST_F(ImportFormTest, AWrongExtensionOrACancelledChooserClosesAtOnceWithNothingAdopted) {
  const QString text = elsewhere("Astra.cvd") + ".txt";
  fs::rename(root / "other" / "Astra.cvd", text.toStdString());
  import(text);
  EXPECT_EQ(ui.texts(), QStringList{strings.text(StringId::WrongFileExtension)});
  expectHotbirdLoadedAndNothingAdopted();

  ui.clear();
  import(QString());
  EXPECT_TRUE(ui.messages().empty());
  expectHotbirdLoadedAndNothingAdopted();
  EXPECT_EQ(dialogs.importRuns, 2);
}

}  // namespace
}  // namespace cv7::app::test
