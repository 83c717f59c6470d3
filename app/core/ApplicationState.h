// The data application's process-wide state, one object that the logic classes receive:
// the selected satellite and data transponder, the configuration's directories, and the
// flags of start-up, lock and tuner ownership that the status check, the TV coordination
// and the setup pages share.
//
// The records and texts belong to the window thread. The flags are atomic because the
// network worker reads and writes them too.
#pragma once
#include <corvane.h>

#include <QString>
#include <atomic>

namespace cv7::app {

// Who holds the tuner (the tuner owner state).
enum TunerOwner : int {
  kTunerOwnerUnknown = 0,  // nothing known yet
  kTunerOwnerTv = 1,       // the TV application holds it on another transponder
  kTunerOwnerData = 2,     // it is on the data transponder
};

class ApplicationState {
 public:
  ApplicationState() = default;
  ApplicationState(const ApplicationState&) = delete;
  ApplicationState& operator=(const ApplicationState&) = delete;

  // The selected satellite and its data transponder.
  LnbInfo g_LnbInfo{};
  TrInfo g_TrInfo{};         // TransponderNumber 0: no transponder selected
  uint32_t g_TpNum = 0;      // 1-based place of the selected transponder; 0 = none
  int m_LastNum = 1;         // index of the selected satellite in the configured list
  int m_SateNum = 1;         // number of configured satellites
  QString m_strSateName;     // name of the selected satellite
  QString m_strSateFile;     // path of its satellite data file

  // From the configuration load.
  QString m_strBaseDir;            // holds Cv7p.fch, DefaultFile/ and Datafile/
  QString m_strDataDir;            // base + "/Datafile", or the base when that can't be made
  QString m_strStoredFrequency;    // "Data Frequency" (or "TV Frequency") as stored
  QString m_strStoredSymbolRate;   // "Data Symbol Rate" (or "TV Symbol Rate") as stored

  std::atomic<int> StartOk{0};               // > 0 once the library system is open and started
  std::atomic<int> m_LockIndicator{0};       // 1 while the data transponder is locked
  std::atomic<int> m_TunerOwnerState{kTunerOwnerUnknown};
  std::atomic<int> m_DataLockHeld{0};        // the last lock test of the tuned transponder succeeded
  std::atomic<bool> g_SateChanged{false};    // the setup sheet changed the satellite information
};

}  // namespace cv7::app
