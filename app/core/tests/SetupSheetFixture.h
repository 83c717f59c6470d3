// The setup sheet's logic on a started application: the real daemon and library, the four
// shipped satellites registered with their data files in place, HOTBIRD's transponder 1
// tuned and locked, and the sheet opened on its satellite page with scripted dialogs. Tests
// that never tune go without the daemon: the start then only loads the configuration and
// the files, and takes the first transponder as the locked one.
#pragma once
#include "CPage2.h"
#include "CPropSheet.h"
#include "ConfigurationLoader.h"
#include "ReceptionFixture.h"
#include "ReceptionStartup.h"
#include "SatelliteName.h"
#include "ScriptedSetupDialogs.h"
#include "StringId.h"

namespace cv7::app::test {

using Notices = std::vector<RecordingTvNotifier::Notice>;

class SetupSheetFixture : public ReceptionFixture {
 protected:
  void SetUp() override {
    ReceptionFixture::SetUp();
    for (const char* file : {"Astra.cvd", "AsiaSat2.cvd", "KoreaSat.cvd"})
      fs::copy_file(fs::path(CV7_DEFAULT_FILE_DIR) / file, root / "base" / "Datafile" / file);
    if (startDaemon()) {
      ASSERT_EQ(reception.OnStartProgram(nullptr), 1) << ui.texts().join("|").toStdString();
    } else {
      ConfigurationLoader(state, store, ui).load();
      files.loadDataFile();
      files.openFavoriteFile();
      state.g_TpNum = 1;
      Cvn_GetInfoTransponder(1, &state.g_TrInfo);
      Cvn_GetSatelliteInformation(&state.g_LnbInfo);
      state.m_DataLockHeld = 1;
    }
    ASSERT_EQ(state.m_SateNum, 4);
    ASSERT_EQ(state.m_DataLockHeld.load(), 1);
    hotbirdTransponders = Cvn_GetNumOfTransponder();
    ASSERT_GT(hotbirdTransponders, 3);
    tv.clear();
    ui.clear();
  }

  // Opens the sheet and shows its satellite page.
  CPage2& openOnSatellitePage() {
    sheet.OnInitDialog();
    sheet.setActivePage(SetupSheetAccess::kSatellitePage);
    tv.clear();
    return *sheet.satellitePage();
  }
  // A favourite of `satellite` on transponder `transponder`, program place 1.
  void addFavorite(const char* satellite, uint32_t transponder) {
    FavoriteInfo favorite = favoriteOf(satellite, transponder * 100 + 1);
    favorite.Tr.TransponderNumber = transponder;
    ASSERT_TRUE(Cvn_AddFavorite(&favorite));
  }
  // Transponder and channel number of every favourite, in order.
  std::vector<std::pair<uint32_t, uint32_t>> favorites() const {
    std::vector<std::pair<uint32_t, uint32_t>> all;
    FavoriteInfo favorite{};
    for (uint32_t i = 1; Cvn_GetFavoriteInfo(i, &favorite); ++i)
      all.emplace_back(favorite.Tr.TransponderNumber, favorite.Program.ChNumber);
    return all;
  }
  QString stored(const QString& name) const { return store.readText(config::kSatellite, name); }
  bool lockTested() const {
    for (const auto& notice : tv.notices())
      if (notice == RecordingTvNotifier::Notice{5, 5}) return true;
    return false;
  }

  int hotbirdTransponders = 0;
  FileUpkeep files{state, store, ui, clock};
  ReceptionStartup reception{state, store, ui, files, tv};
  ScriptedSetupDialogs dialogs;
  CPropSheet sheet{{state, store, ui, files, reception, tv, dialogs}};
};

}  // namespace cv7::app::test
