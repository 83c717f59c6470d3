#include <QDir>
#include <QFileInfo>
#include <chrono>

#include "AppFixture.h"
#include "ConfigurationKeys.h"
#include "ConfigurationLoader.h"
#include "DaemonHarness.h"
#include "LocalOscillatorList.h"
#include "StringId.h"

namespace cv7::app::test {
namespace {

using namespace config;

class ConfigurationLoaderTest : public AppFixture {
 protected:
  void load() { ConfigurationLoader(state, store, ui).load(); }
  QString text(const char* section, const QString& name) { return store.readText(section, name, "<missing>"); }
  void addSatellites(const QStringList& names) {
    for (int i = 0; i < names.size(); ++i) {
      store.writeText(kSatellite, QString(kSatelliteNameFormat).arg(i + 1), names[i]);
      store.writeText(kSatellite, QString(kSatelliteFileFormat).arg(i + 1), "/sat/" + names[i] + ".cvd");
    }
    store.writeInteger(kSatellite, kSatelliteNum, int(names.size()));
  }
};

TEST_F(ConfigurationLoaderTest, FirstRunOnAnEmptyStoreWritesTheDefaultsAndCreatesTheDataDirectory) {
  load();
  const QString dataDir = base + "/Datafile";
  EXPECT_TRUE(QFileInfo(dataDir).isDir());
  EXPECT_EQ(state.m_strBaseDir, base);
  EXPECT_EQ(state.m_strDataDir, dataDir);
  EXPECT_EQ(text(kSatellite, kSatelliteDir), base);
  EXPECT_EQ(store.readInteger(kSatellite, kSatelliteNum, 0), 4);
  const QStringList names = {"HOTBIRD", "ASTRA", "ASIA SAT 2", "KOREA SAT"};
  const QStringList files = {"HotBird.cvd", "Astra.cvd", "AsiaSat2.cvd", "KoreaSat.cvd"};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(text(kSatellite, QString(kSatelliteNameFormat).arg(i + 1)), names[i]);
    EXPECT_EQ(text(kSatellite, QString(kSatelliteFileFormat).arg(i + 1)), dataDir + "/" + files[i]);
  }
  EXPECT_EQ(text(kSatellite, kDataSateName), "HOTBIRD");
  EXPECT_EQ(state.m_strSateName, "HOTBIRD");
  EXPECT_EQ(state.m_strSateFile, dataDir + "/HotBird.cvd");
  EXPECT_EQ(state.m_LastNum, 1);
  EXPECT_EQ(state.m_SateNum, 4);
  EXPECT_TRUE(ui.messages().empty()) << "a first run is no damage";

  // The store is readable by the command-line client as it is.
  ::setenv("CV7_REGISTRY", registry.path().c_str(), 1);
  itest::ProcessResult listed = itest::runProgram({CV7CTL_BINARY, "config", "list", "Satellite"},
                                                  (root / "cv7ctl.out").string());
  EXPECT_EQ(listed.status, 0) << listed.output;
  EXPECT_NE(listed.output.find("\"Satellite Num\" = integer 4"), std::string::npos) << listed.output;
  EXPECT_NE(listed.output.find("\"Satellite Name3\" = text \"ASIA SAT 2\""), std::string::npos) << listed.output;

  // A second start reads the same and writes nothing new.
  ApplicationState again;
  ConfigurationLoader(again, store, ui).load();
  EXPECT_EQ(again.m_strSateFile, state.m_strSateFile);
  EXPECT_EQ(QDir::currentPath(), dataDir) << "an existing data directory becomes the current one";
}

TEST_F(ConfigurationLoaderTest, BaseDirectoryIsRepairedAndStored) {
  store.writeText(kSatellite, kSatelliteDir, base + "//");
  addSatellites({"HOTBIRD"});
  load();
  EXPECT_EQ(text(kSatellite, kSatelliteDir), base) << "trailing slashes cut and written back";

  store.writeText(kSatellite, kSatelliteDir, "/");
  QDir::setCurrent(base);
  load();
  EXPECT_EQ(text(kSatellite, kSatelliteDir), "/") << "the root keeps its slash";
  EXPECT_EQ(state.m_strBaseDir, "/");

  store.writeText(kSatellite, kSatelliteDir, base + "/gone");
  QDir::setCurrent(base);
  load();
  EXPECT_EQ(text(kSatellite, kSatelliteDir), base) << "a vanished directory becomes the current one";
}

TEST_F(ConfigurationLoaderTest, SelectionFallsBackFromDataToTvToTheFirstSatellite) {
  addSatellites({"ONE", "TWO", "THREE"});
  store.writeText(kSatellite, kDataSateName, "THREE");
  store.writeText(kSatellite, kDataFrequency, "11778.5");
  store.writeText(kSatellite, kDataSymbolRate, "27500");
  store.writeText(kSatellite, kTvSateName, "TWO");
  store.writeText(kSatellite, kTvFrequency, "12188");
  store.writeText(kSatellite, kTvSymbolRate, "22000");
  load();
  EXPECT_EQ(state.m_LastNum, 3);
  EXPECT_EQ(state.m_strSateFile, "/sat/THREE.cvd");
  EXPECT_EQ(state.m_strStoredFrequency, "11778.5");

  store.writeText(kSatellite, kDataSateName, "GONE");
  ApplicationState tv;
  ConfigurationLoader(tv, store, ui).load();
  EXPECT_EQ(tv.m_strSateName, "TWO");
  EXPECT_EQ(tv.m_LastNum, 2);
  EXPECT_EQ(tv.m_strStoredFrequency, "12188");
  EXPECT_EQ(tv.m_strStoredSymbolRate, "22000");

  store.writeInteger(kSatellite, kSatelliteNum, 1);  // TWO is no longer in the list
  ApplicationState first;
  first.m_LastNum = 7;
  ConfigurationLoader(first, store, ui).load();
  EXPECT_EQ(first.m_strSateName, "ONE");
  EXPECT_EQ(first.m_strSateFile, "/sat/ONE.cvd");
  EXPECT_EQ(first.m_LastNum, 7) << "left as it was";
  EXPECT_TRUE(first.m_strStoredFrequency.isEmpty());
  EXPECT_TRUE(ui.messages().empty());
}

TEST_F(ConfigurationLoaderTest, EmptyFileValueStandsForNameInTheBaseDirectoryWithoutBeingStored) {
  addSatellites({"ONE", "MY SAT"});
  store.writeText(kSatellite, "Satellite File2", "");
  store.writeText(kSatellite, kDataSateName, "MY SAT");
  load();
  EXPECT_EQ(state.m_strSateFile, base + "/MY SAT.cvd");
  EXPECT_EQ(text(kSatellite, "Satellite File2"), "");
}

TEST_F(ConfigurationLoaderTest, IncompleteFirstSatelliteWritesTheDefaultsWithTheWarning) {
  store.writeInteger(kSatellite, kSatelliteNum, 2);
  store.writeText(kSatellite, "Satellite Name1", "KOREA SAT");
  load();
  ASSERT_EQ(ui.messages().size(), 1u);
  EXPECT_TRUE(ui.showed(StringId::SatelliteDamaged));
  EXPECT_EQ(ui.messages()[0].style, MessageStyle::exclamation());
  EXPECT_EQ(state.m_strSateName, "KOREA SAT") << "the selected default stays selected";
  EXPECT_EQ(state.m_LastNum, 4);
  EXPECT_EQ(state.m_strSateFile, base + "/Datafile/KoreaSat.cvd");
  EXPECT_EQ(text(kSatellite, kDataSateName), "KOREA SAT");
  EXPECT_EQ(store.readInteger(kSatellite, kSatelliteNum, 0), 4);
}

TEST_F(ConfigurationLoaderTest, DamagedStoreValuesStillGiveAUsableConfiguration) {
  addSatellites({"ONE", "TWO"});
  store.writeInteger(kSatellite, kSatelliteNum, 0x7FFFFFFF);
  store.writeInteger(kSatellite, kDataSateName, 2);  // an integer where a text belongs
  store.writeText(kSatellite, kTvSateName, "TWO");
  QFile blocker(base + "/Datafile");  // a plain file where the data directory belongs
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  const auto started = std::chrono::steady_clock::now();
  load();
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5)) << "no walk over 2^31 names";
  EXPECT_EQ(state.m_strDataDir, base) << "the base directory holds the data files";
  EXPECT_EQ(state.m_strSateName, "TWO");
}

TEST_F(ConfigurationLoaderTest, LocalOscillatorListStoresOnlyNewUserValues) {
  LocalOscillatorList list(store);
  EXPECT_FALSE(list.remember("9750"));
  EXPECT_FALSE(list.remember("Universal LNB"));
  EXPECT_TRUE(list.remember("11300"));
  EXPECT_TRUE(list.remember("5150.5"));
  EXPECT_FALSE(list.remember("11300"));
  store.writeText(kLnb, "Local Oscillator 1", "");  // an emptied entry is skipped
  EXPECT_EQ(list.userEntries(), QStringList{"5150.5"});
  EXPECT_EQ(store.readInteger(kLnb, kLocalOscillatorNum, 0), 2);
  EXPECT_TRUE(list.remember("10750"));
  EXPECT_EQ(text(kLnb, "Local Oscillator 3"), "10750");
}

}  // namespace
}  // namespace cv7::app::test
