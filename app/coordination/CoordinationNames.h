// The names and numbers of the coordination between the data application and a TV
// application on the D-Bus session bus (docs/coordination.md). Both sides use them: Cv7d
// and the TV application stand-in cv7-tv.
#pragma once

namespace cv7::coordination {

// Every coordination message travels on this object path.
inline constexpr const char* kObjectPath = "/org/tvk/Cv7";

// The data application's interface: its presence signal and the tuning messages it is sent.
inline constexpr const char* kDataInterface = "org.tvk.Cv7.Data";
inline constexpr const char* kDataNotifySignal = "DataNotify";  // (i code, s window)
// The TV application's interface: its presence signal and the tuning messages it is sent.
inline constexpr const char* kTvInterface = "org.tvk.Cv7.Tv";
inline constexpr const char* kTvNotifySignal = "TvNotify";      // (i code, s window)
// The tuning message, a method of both interfaces: (i code, i value) -> i result.
inline constexpr const char* kTuningMethod = "Tuning";

// The data application's read-only report of its reception state, for diagnostics.
inline constexpr const char* kDiagnosticsInterface = "org.tvk.Cv7.Diagnostics";
inline constexpr const char* kStateMethod = "State";  // () -> a{sv}

// A program that shows one of the scan windows owns the window's bus name (queued, so that
// several may) for as long as the window exists; "the window exists" is "the name has an
// owner". The bus drops the name of a program that ends.
inline constexpr const char* kAutoScanWindowTitle = "Auto Scan - all transponder";
inline constexpr const char* kAutoScanWindowName = "org.tvk.Cv7.Window.AutoScan";
inline constexpr const char* kScanWindowTitle = "Scan - selected transponder";
inline constexpr const char* kScanWindowName = "org.tvk.Cv7.Window.Scan";

// How long the data application waits for a TV application to answer a tuning message.
inline constexpr int kTuningTimeoutMs = 1000;

// Presence codes of the data application (DataNotify).
enum DataNotifyCode : int {
  kDataStarted = 1,  // broadcast when the data application has started
  kDataEnds = 2,     // broadcast when it shuts down
  kDataAnswer = 3,   // to the TV application only, answering its TV START
};

// Presence codes of the TV application (TvNotify).
enum TvNotifyCode : int {
  kTvStart = 1,   // TV START
  kTvStop = 2,    // TV STOP (window not used)
  kTvLiving = 3,  // TV is LIVING
};

// Tuning codes. Data -> TV: 1, 2, 3, 4, 5, 21, each but 5 raised by kPendingChanges while
// the data application's setup sheet holds unsaved changes. TV -> data: every code below.
enum TuningCode : int {
  kLocked = 1,               // locked on the position
  kLockFailed = 2,           // lock test on the position failed
  kSatelliteListChanged = 3, // the satellite list in the shared store changed
  kDataFileChanged = 4,      // a satellite's data file was written
  kAboutToTune = 5,          // all network PIDs released, about to tune (value 5)
  kReopenFavorites = 9,      // TV -> data: read the favourite file again
  kScanning = 21,            // TV -> data: the TV scans; data -> TV: scanning allowed again
  kPendingChanges = 10,      // added to the data application's codes, see above
};

}  // namespace cv7::coordination
