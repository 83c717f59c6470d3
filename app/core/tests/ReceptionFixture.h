// The application's logic against a real cv7 daemon with the simulated card: a fresh
// daemon per test, a base directory holding the shipped default satellite files, the HOTBIRD
// data file and an empty favourite file (so that a start shows no repair message), and an
// empty configuration store (a first run selects HOTBIRD).
#pragma once
#include "AppFixture.h"
#include "ConfigurationKeys.h"
#include "DaemonHarness.h"
#include "RecordingTvNotifier.h"

namespace cv7::app::test {

// Default HOTBIRD transponders (the build's DefaultFile/HotBird.cvd).
struct Transponder {
  uint32_t number, frequency, symbolRate;
};
inline constexpr Transponder kHotbird1{1, 10719000, 27500};  // carries the data beacon, PID 0x500
inline constexpr Transponder kHotbird2{2, 10757000, 27500};
inline constexpr Transponder kHotbird3{3, 10775000, 28000};
inline constexpr uint16_t kBeaconPid = 0x500;

class ReceptionFixture : public AppFixture {
 protected:
  void SetUp() override {
    AppFixture::SetUp();
    fs::copy(CV7_DEFAULT_FILE_DIR, root / "base" / "DefaultFile");
    fs::create_directories(root / "base" / "Datafile");
    fs::copy_file(fs::path(CV7_DEFAULT_FILE_DIR) / "HotBird.cvd", root / "base" / "Datafile" / "HotBird.cvd");
    const std::string favorites = (root / "base" / "Cv7p.fch").string();
    ASSERT_EQ(Cvn_FavoriteFileCreate(favorites.c_str()), 1);
    Cvn_FavoriteWriteFile();
    Cvn_FavoriteFileClose();
    if (startDaemon()) {
      ASSERT_TRUE(daemon.start()) << daemon.log();
    }
    ::setenv("CV7_DEVICE", daemon.socketPath().c_str(), 1);
  }
  void TearDown() override {
    Cvn_CloseSystem();  // whatever a test left open
    AppFixture::TearDown();
  }
  // A test of a missing daemon says no.
  virtual bool startDaemon() const { return true; }

  void storeTransponder(const QString& frequency, const QString& symbolRate) {
    store.writeText(config::kSatellite, config::kDataFrequency, frequency);
    store.writeText(config::kSatellite, config::kDataSymbolRate, symbolRate);
  }
  QString dataFile(const char* name) const { return base + "/Datafile/" + name; }
  // The only configured satellite is "EMPTY SAT", whose data file holds no transponder.
  void useEmptySatellite() {
    LnbInfo lnb{};
    std::strcpy(lnb.SatelliteName, "EMPTY SAT");
    lnb.LocalOscillator = 5150000;
    Cvn_SetNewLNBInformation(lnb);
    const QByteArray path = dataFile("Empty.cvd").toUtf8();
    ASSERT_EQ(Cvn_ChannelFileCreate(path.constData()), 1);
    ASSERT_TRUE(Cvn_ChannelFileWrite());
    Cvn_ChannelFileClose();
    emptyLibraryDatabase();
    store.writeInteger(config::kSatellite, config::kSatelliteNum, 1);
    store.writeText(config::kSatellite, "Satellite Name1", "EMPTY SAT");
    store.writeText(config::kSatellite, "Satellite File1", QString::fromUtf8(path));
    store.writeText(config::kSatellite, config::kDataSateName, "EMPTY SAT");
  }

  // Whether the daemon's PID table holds `pid` (its "pid-table" counter: "0x0500:3,...").
  bool pidInTable(uint16_t pid) const {
    std::istringstream words(daemon.admin("stats"));
    std::string pair;
    char wanted[16];
    std::snprintf(wanted, sizeof wanted, "0x%04X:", pid);
    while (words >> pair)
      if (pair.rfind("pid-table=", 0) == 0) return pair.find(wanted) != std::string::npos;
    return false;
  }
  long cardCommands() const { return daemon.stat("card-commands"); }
  void fault(const std::string& name, bool on) {
    ASSERT_EQ(daemon.admin("fault " + name + (on ? " on" : " off")), "ok");
  }

  itest::Daemon daemon;
  RecordingTvNotifier tv;
};

}  // namespace cv7::app::test
