// A base directory, a configuration store and the application's state in a fresh temporary
// directory per test, the user interface recorded, the clock virtual, and the library's
// process-wide database emptied before and after.
#pragma once
#include <gtest/gtest.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <filesystem>
#include <string>

#include "ApplicationState.h"
#include "ConfigurationStore.h"
#include "FakeClock.h"
#include "RecordingUserInterface.h"
#include "Registry.h"
#include "corvane.h"

namespace cv7::app::test {

namespace fs = std::filesystem;

inline void emptyLibraryDatabase() {
  Cvn_FreeTransponderStructure();
  FavoriteInfo favorite{};
  while (Cvn_GetFavoriteInfo(1, &favorite)) Cvn_DeleteFavorite(favorite);
  Cvn_SetNewLNBInformation(LnbInfo{});
}

inline FavoriteInfo favoriteOf(const char* satellite, uint32_t channel) {
  FavoriteInfo f{};
  std::strncpy(f.Lnb.SatelliteName, satellite, sizeof f.Lnb.SatelliteName - 1);
  f.Program.ChNumber = channel;
  return f;
}

inline QByteArray fileBytes(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class AppFixture : public ::testing::Test {
 protected:
  AppFixture()
      : root(fs::temp_directory_path() / ("cv7-app-" + std::to_string(::getpid()) + "-" +
                                          ::testing::UnitTest::GetInstance()->current_test_info()->name())),
        registry((root / "state" / "registry.sqlite").string()),
        store(registry),
        ui(strings) {}

  void SetUp() override {
    fs::remove_all(root);
    fs::create_directories(root / "base");
    base = QString::fromStdString((root / "base").string());
    previousDir = QDir::currentPath();
    QDir::setCurrent(base);
    emptyLibraryDatabase();
  }
  void TearDown() override {
    emptyLibraryDatabase();
    QDir::setCurrent(previousDir);
    fs::remove_all(root);
  }

  fs::path root;
  QString base, previousDir;
  registry::Registry registry;
  ConfigurationStore store;
  StringTable strings;
  RecordingUserInterface ui;
  FakeClock clock;
  ApplicationState state;
};

}  // namespace cv7::app::test
