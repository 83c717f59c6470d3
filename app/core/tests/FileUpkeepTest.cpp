#include <QFileInfo>

#include "AppFixture.h"
#include "ConfigurationKeys.h"
#include "FileUpkeep.h"
#include "StringId.h"

namespace cv7::app::test {
namespace {

class FileUpkeepTest : public AppFixture {
 protected:
  void SetUp() override {
    AppFixture::SetUp();
    fs::create_directories(root / "base" / "Datafile");
    fs::copy(CV7_DEFAULT_FILE_DIR, root / "base" / "DefaultFile");
    store.writeText(config::kSatellite, config::kSatelliteDir, base);
    state.m_strBaseDir = base;
    state.m_strDataDir = base + "/Datafile";
  }
  void select(const QString& name, const QString& fileName) {
    state.m_strSateName = name;
    state.m_strSateFile = state.m_strDataDir + "/" + fileName;
  }
  static int transponders() { return Cvn_GetNumOfTransponder(); }
  static LnbInfo satellite() {
    LnbInfo lnb{};
    Cvn_GetSatelliteInformation(&lnb);
    return lnb;
  }
  void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
  }
  QStringList shownTexts() { return ui.texts(); }
  QString fileText(int id, const QString& path) { return strings.text(id) + "\n\"" + path + "\""; }

  FileUpkeep upkeep{state, store, ui, clock};
};

TEST_F(FileUpkeepTest, MissingAstraFileIsRepairedFromItsDefaultAndItsFavouritesRemoved) {
  select("ASTRA", "Astra.cvd");
  FavoriteInfo astra = favoriteOf("ASTRA", 101), hotbird = favoriteOf("HOTBIRD", 101);
  Cvn_AddFavorite(&astra);
  Cvn_AddFavorite(&hotbird);
  Cvn_AddFavorite(&astra);

  EXPECT_EQ(upkeep.loadDataFile(), FileUpkeep::Result::Repaired);
  EXPECT_EQ(shownTexts(), (QStringList{fileText(StringId::FileOpenFailed, state.m_strSateFile),
                                       strings.text(StringId::SatelliteDamaged)}));
  EXPECT_STREQ(satellite().SatelliteName, "ASTRA");
  EXPECT_GT(transponders(), 0);
  QByteArray copied = fileBytes(state.m_strSateFile), shipped = fileBytes(base + "/DefaultFile/Astra.cvd");
  EXPECT_EQ(copied, shipped) << "the same satellite, the owner stamp cleared again";
  ASSERT_EQ(Cvn_GetNumOfFavorite(), 1);
  FavoriteInfo left{};
  Cvn_GetFavoriteInfo(1, &left);
  EXPECT_STREQ(left.Lnb.SatelliteName, "HOTBIRD");

  emptyLibraryDatabase();
  ui.clear();
  EXPECT_EQ(upkeep.loadDataFile(), FileUpkeep::Result::Done) << "the repaired file loads as it is";
  EXPECT_TRUE(ui.messages().empty());
  EXPECT_GT(transponders(), 0);
}

TEST_F(FileUpkeepTest, MissingFileOfAnotherSatelliteBecomesAnEmptySatelliteInMemoryAndOnDisk) {
  select("MY SAT", "MySat.cvd");
  TrInfo old{0, 11000000, 27500, 0, 1, {}};
  Cvn_AddTransponder(&old);
  EXPECT_EQ(upkeep.loadDataFile(), FileUpkeep::Result::EmptySatellite);
  EXPECT_EQ(shownTexts(), (QStringList{fileText(StringId::FileOpenFailed, state.m_strSateFile),
                                       strings.text(StringId::SatelliteDamaged)}));
  EXPECT_EQ(transponders(), 0);
  EXPECT_STREQ(satellite().SatelliteName, "MY SAT");
  EXPECT_EQ(satellite().LocalOscillator, 5150000u);
  EXPECT_EQ(satellite().Tone22k, 0u);
  EXPECT_EQ(QFileInfo(state.m_strSateFile).size(), 62) << "magic, stamp, LnbInfo and no transponder";
}

TEST_F(FileUpkeepTest, KoreaSatWithoutDefaultDirectoryNamesTheDefaultPathAndEndsEmpty) {
  fs::remove_all(root / "base" / "DefaultFile");
  select("KOREA SAT", "KoreaSat.cvd");
  EXPECT_EQ(upkeep.loadDataFile(), FileUpkeep::Result::EmptySatellite);
  EXPECT_EQ(shownTexts(), (QStringList{fileText(StringId::FileOpenFailed, state.m_strSateFile),
                                       strings.text(StringId::SatelliteDamaged),
                                       fileText(StringId::FileOpenFailed, base + "/DefaultFile/KoreaSat.cvd")}));
  EXPECT_STREQ(satellite().SatelliteName, "KOREA SAT");
}

TEST_F(FileUpkeepTest, DamagedDataFilesAreReplacedOnlyWhenTheyCannotBeRead) {
  select("HOTBIRD", "HotBird.cvd");
  const QByteArray good = fileBytes(base + "/DefaultFile/HotBird.cvd");
  struct Case {
    const char* what;
    QByteArray bytes;
    int firstMessage;
  };
  const Case cases[] = {
      {"truncated", good.left(good.size() - 7), StringId::FileReadFailed},
      {"only the header", good.left(57), StringId::FileReadFailed},
      {"empty", QByteArray(), StringId::FileOpenFailed},
      {"random", QByteArray(500, '\x93'), StringId::FileOpenFailed},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    writeFile(state.m_strSateFile, c.bytes);
    ui.clear();
    EXPECT_EQ(upkeep.loadDataFile(), FileUpkeep::Result::Repaired);
    EXPECT_EQ(shownTexts().value(0), fileText(c.firstMessage, state.m_strSateFile));
    EXPECT_EQ(fileBytes(state.m_strSateFile), good);
  }
}

TEST_F(FileUpkeepTest, SavingKeepsTheDatabaseEvenWhenItsFileIsGone) {
  select("MY SAT", "MySat.cvd");
  LnbInfo lnb{};
  std::strcpy(lnb.SatelliteName, "MY SAT");
  lnb.LocalOscillator = 10750000;
  Cvn_SetNewLNBInformation(lnb);
  TrInfo tr{0, 11747000, 27500, 1, 7, {}};
  Cvn_AddTransponder(&tr);
  EXPECT_EQ(upkeep.saveDataFile(), FileUpkeep::Result::Done);
  EXPECT_TRUE(ui.messages().empty());
  EXPECT_EQ(transponders(), 1);

  emptyLibraryDatabase();
  EXPECT_EQ(upkeep.loadDataFile(), FileUpkeep::Result::Done);
  EXPECT_EQ(transponders(), 1);
  EXPECT_EQ(satellite().LocalOscillator, 10750000u);

  state.m_strSateFile = base + "/no-such-dir/MySat.cvd";
  EXPECT_EQ(upkeep.saveDataFile(), FileUpkeep::Result::Failed);
  EXPECT_EQ(shownTexts(), QStringList{fileText(StringId::FileCreateFailed, state.m_strSateFile)});
  EXPECT_EQ(transponders(), 1) << "what the user meant to save is still there";
}

TEST_F(FileUpkeepTest, DefaultModeNeedsAStoredBaseDirectoryAndAShippedSatellite) {
  select("HOTBIRD", "HotBird.cvd");
  store.writeText(config::kSatellite, config::kSatelliteDir, "");
  EXPECT_FALSE(upkeep.StartDefaultMode());
  EXPECT_EQ(shownTexts(), QStringList{strings.text(StringId::SatelliteDamaged)});
  store.writeText(config::kSatellite, config::kSatelliteDir, base);
  ui.clear();
  select("hotbird", "HotBird.cvd");  // names are compared exactly
  EXPECT_FALSE(upkeep.StartDefaultMode());
  EXPECT_TRUE(ui.messages().empty());
  EXPECT_FALSE(QFileInfo::exists(state.m_strSateFile));
}

TEST_F(FileUpkeepTest, FavouriteFileIsCreatedWhenMissingAndRewrittenWhenDamaged) {
  const QString path = base + "/Cv7p.fch";
  FavoriteInfo one = favoriteOf("ASTRA", 203);
  Cvn_AddFavorite(&one);
  EXPECT_EQ(upkeep.openFavoriteFile(), FileUpkeep::Result::Repaired);
  EXPECT_EQ(shownTexts(), QStringList{fileText(StringId::FileOpenFailed, path)});
  EXPECT_EQ(fileBytes(path).size(), 10 + 132) << "the favourites already in memory";

  FavoriteInfo two = favoriteOf("HOTBIRD", 101);
  Cvn_AddFavorite(&two);
  ui.clear();
  EXPECT_EQ(upkeep.saveFavoriteFile(), FileUpkeep::Result::Done);
  emptyLibraryDatabase();
  EXPECT_EQ(upkeep.openFavoriteFile(), FileUpkeep::Result::Done);
  EXPECT_EQ(Cvn_GetNumOfFavorite(), 2);
  EXPECT_TRUE(ui.messages().empty());

  writeFile(path, fileBytes(path).left(10 + 132 + 50));  // the second record cut short
  emptyLibraryDatabase();
  EXPECT_EQ(upkeep.openFavoriteFile(), FileUpkeep::Result::Repaired);
  EXPECT_EQ(shownTexts(), QStringList{fileText(StringId::FileReadFailed, path)});
  EXPECT_EQ(Cvn_GetNumOfFavorite(), 1) << "what could be read";
  EXPECT_EQ(fileBytes(path).size(), 10 + 132);
}

TEST_F(FileUpkeepTest, TemporaryCopyIsWrittenSilently) {
  TrInfo tr{0, 10719000, 27500, 0, 1, {}};
  Cvn_AddTransponder(&tr);
  const QString path = state.m_strDataDir + "/DataTemp.cvt";
  EXPECT_EQ(upkeep.writeTemporaryCopy(), FileUpkeep::Result::Done);
  EXPECT_EQ(fileBytes(path).size(), 62 + 20 + 8);
  Cvn_DeleteTransponder(1);
  EXPECT_EQ(upkeep.writeTemporaryCopy(), FileUpkeep::Result::Done);
  state.m_strDataDir = base + "/no-such-dir";
  EXPECT_EQ(upkeep.writeTemporaryCopy(), FileUpkeep::Result::Failed);
  EXPECT_TRUE(ui.messages().empty());
}

}  // namespace
}  // namespace cv7::app::test
