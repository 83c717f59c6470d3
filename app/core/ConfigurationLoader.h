// The configuration load at start and the first-run defaults: the base and data
// directories, the satellite list, the selected satellite with its data file, and the
// stored texts of the data transponder's frequency and symbol rate, all into the
// application state.
#pragma once
#include <QString>

#include "ApplicationState.h"
#include "ConfigurationStore.h"
#include "UserInterface.h"

namespace cv7::app {

class ConfigurationLoader {
 public:
  ConfigurationLoader(ApplicationState& state, const ConfigurationStore& store, UserInterface& ui);

  // Fills the state from the store; writes the first-run defaults when the store holds no
  // satellite, and with the damage warning when the first satellite is incomplete.
  void load();
  // Registers the four default satellites and selects HOTBIRD (or KOREA SAT when that is the
  // selected satellite); `warn` shows message 195 first.
  void writeFirstRunDefaults(bool warn);

  // As on the NT family of the original platform, a first run writes its defaults without
  // the damage warning.
  static constexpr bool kWarnOnFirstRun = false;

 private:
  void resolveDataDirectory();
  // Selects the satellite named `name` in the configured list (the first equal name of
  // 1..N); false when it is not there.
  bool selectSatellite(const QString& name);
  void readStoredTransponder(const char* frequencyName, const char* symbolRateName);

  ApplicationState& state_;
  const ConfigurationStore& store_;
  UserInterface& ui_;
};

}  // namespace cv7::app
