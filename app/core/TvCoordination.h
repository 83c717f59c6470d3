// The data application's side of the coordination with a TV application: the TV's presence
// (TV START, TV STOP, TV is LIVING), its tuning messages (OnReceiveFromVideo) with their
// effect on the selected satellite, the lock indicator, the tuner owner state and the open
// setup sheet, and the rules by which the data application's own tuning messages are sent.
//
// Runs on the window thread. Without a link (no session bus) nothing is sent and nothing
// is received; the rest of the application works as before.
#pragma once
#include <QString>
#include <QVariantMap>

#include "ApplicationState.h"
#include "ConfigurationLoader.h"
#include "ConfigurationStore.h"
#include "FileUpkeep.h"
#include "ReceptionControl.h"
#include "SetupSheetAccess.h"
#include "TvLink.h"
#include "TvNotifier.h"

namespace cv7::app {

class TvCoordination : public TvNotifier {
 public:
  TvCoordination(ApplicationState& state, const ConfigurationStore& store, FileUpkeep& files,
                 ConfigurationLoader& loader, ReceptionControl& reception, SetupSheetAccess& sheet);

  // The link to TV applications; none turns the coordination off.
  void setLink(TvLink* link) { link_ = link; }
  TvLink* link() const { return link_; }

  // Data notify 1 to every program, when the main window has been created.
  void announceStart();
  // Data notify 2 to every program, when the data application shuts down.
  void announceEnd();

  // The TV notify message: 1 TV START, 2 TV STOP, 3 TV is LIVING; others do nothing.
  // Returns 1.
  int onTvNotify(int code, const QString& window);
  // Message 1045 from the TV application. Returns 0.
  int OnReceiveFromVideo(int code, int value);
  // Message 1046 to the TV application, unless the auto-scan dialog exists or no TV window
  // is known; codes other than 5 are raised by 10 while the open sheet has unsaved
  // satellite changes.
  void notifyTv(int code, int value) override;

  // True while a program shows a scan window ("Auto Scan - all transponder" or "Scan -
  // selected transponder"): the setup sheet then refuses to scan.
  bool scanWindowExists() const;
  // Shows or hides the data application's own scan window (auto scan or scan) to others.
  void announceScanWindow(bool autoScan, bool shown);

  QString tvWindow() const { return m_hTvWindow; }
  QString tvSatelliteName() const { return m_strTvSateName; }
  // The reception state as the diagnostics report shows it.
  QVariantMap stateReport() const;

 private:
  // Common part of a valid position for codes 1 to 4: the TV satellite's name and file from
  // the configuration; false when either is missing (the TV satellite name is then cleared).
  bool readTvSatellite(int satellite, QString* file);
  bool sharesDataTransponder(int transponder) const;
  void onTvLocked(int transponder);
  void onTvLockFailed(int transponder);
  void onSatelliteListChanged(int satellite, const QString& file);
  void onDataFileChanged(int satellite, const QString& file);
  void findTransponderAgain();
  void refreshSheetAfterDataFile();

  ApplicationState& state_;
  const ConfigurationStore& store_;
  FileUpkeep& files_;
  ConfigurationLoader& loader_;
  ReceptionControl& reception_;
  SetupSheetAccess& sheet_;
  TvLink* link_ = nullptr;

  QString m_hTvWindow;      // the TV application's window (its bus name), or empty
  QString m_strTvSateName;  // the satellite the TV application reported last
};

}  // namespace cv7::app
