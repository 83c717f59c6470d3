#include "TvCoordination.h"

#include <corvane.h>

#include "ConfigurationKeys.h"
#include "CoordinationNames.h"
#include "SatelliteName.h"
#include "StringId.h"
#include "Trace.h"
#include "TuningPosition.h"

namespace cv7::app {

namespace co = cv7::coordination;

TvCoordination::TvCoordination(ApplicationState& state, const ConfigurationStore& store, FileUpkeep& files,
                               ConfigurationLoader& loader, ReceptionControl& reception, SetupSheetAccess& sheet)
    : state_(state), store_(store), files_(files), loader_(loader), reception_(reception), sheet_(sheet) {}

void TvCoordination::announceStart() {
  if (link_) link_->broadcastDataNotify(co::kDataStarted);
}

void TvCoordination::announceEnd() {
  if (link_) link_->broadcastDataNotify(co::kDataEnds);
}

int TvCoordination::onTvNotify(int code, const QString& window) {
  switch (code) {
    case co::kTvStart:
      m_hTvWindow = window;
      if (link_) link_->postDataNotify(co::kDataAnswer, m_hTvWindow);
      break;
    case co::kTvStop:
      m_hTvWindow.clear();
      reception_.dataLockSequence();
      break;
    case co::kTvLiving: m_hTvWindow = window; break;
    default: break;
  }
  return 1;
}

void TvCoordination::notifyTv(int code, int value) {
  if (!link_ || sheet_.autoScanDialogExists() || m_hTvWindow.isEmpty()) return;
  if (code != co::kAboutToTune && sheet_.isOpen() && (sheet_.satelliteListChanged() || state_.g_SateChanged))
    code += co::kPendingChanges;
  link_->sendTuning(m_hTvWindow, code, value);
}

bool TvCoordination::scanWindowExists() const {
  return link_ && (link_->windowExists(co::kAutoScanWindowName) || link_->windowExists(co::kScanWindowName));
}

void TvCoordination::announceScanWindow(bool autoScan, bool shown) {
  if (link_) link_->announceWindow(autoScan ? co::kAutoScanWindowName : co::kScanWindowName, shown);
}

int TvCoordination::OnReceiveFromVideo(int code, int value) {
  // The TV application scans: handled even before start-up has finished.
  if (code == co::kScanning) {
    if (sheet_.satellitePageExists() && sheet_.autoScanButtonEnabled()) sheet_.setScanButtonsEnabled(false);
    return 0;
  }
  if (state_.StartOk < 1) return 0;
  if (code == co::kAboutToTune) {
    if (!Cvn_ReleaseAllNetworkPID()) trace("Cvn_ReleaseAllNetworkPID failed");
    return 0;
  }
  if (code == co::kReopenFavorites) {
    files_.openFavoriteFile();
    return 0;
  }
  auto position = co::TuningPosition::decode(value);
  if (!position) return 0;

  QString file;
  if (code >= co::kLocked && code <= co::kDataFileChanged) {
    if (!readTvSatellite(position->satellite, &file)) return 0;
  } else {
    m_strTvSateName.clear();
  }
  switch (code) {
    case co::kLocked: onTvLocked(position->transponder); break;
    case co::kLockFailed: onTvLockFailed(position->transponder); break;
    case co::kSatelliteListChanged: onSatelliteListChanged(position->satellite, file); break;
    case co::kDataFileChanged: onDataFileChanged(position->satellite, file); break;
    case co::kLocked + co::kPendingChanges:
    case co::kLockFailed + co::kPendingChanges:
      // The TV application is changing its tuning.
      state_.m_LockIndicator = 0;
      state_.m_TunerOwnerState = kTunerOwnerTv;
      break;
    default: break;  // only the TV satellite name (now empty) is recorded
  }
  return 0;
}

bool TvCoordination::readTvSatellite(int satellite, QString* file) {
  const QString name = store_.readText(config::kSatellite, QString(config::kSatelliteNameFormat).arg(satellite));
  *file = store_.readText(config::kSatellite, QString(config::kSatelliteFileFormat).arg(satellite));
  if (name.isEmpty() || file->isEmpty()) {
    m_strTvSateName.clear();
    return false;
  }
  m_strTvSateName = name;
  return true;
}

// The TV application is on the satellite and the transponder on which the data application
// is tuned.
bool TvCoordination::sharesDataTransponder(int transponder) const {
  return m_strTvSateName == satelliteName(state_.g_LnbInfo.SatelliteName) && state_.g_TrInfo.TransponderNumber != 0 &&
         uint32_t(transponder) == state_.g_TrInfo.TransponderNumber;
}

void TvCoordination::onTvLocked(int transponder) {
  if (sharesDataTransponder(transponder)) {
    reception_.setNetworkPidList();
    state_.m_LockIndicator = 1;
    state_.m_TunerOwnerState = kTunerOwnerData;
  } else {
    state_.m_LockIndicator = 0;
    state_.m_TunerOwnerState = kTunerOwnerTv;
  }
}

void TvCoordination::onTvLockFailed(int transponder) {
  state_.m_LockIndicator = 0;
  state_.m_TunerOwnerState = sharesDataTransponder(transponder) ? kTunerOwnerData : kTunerOwnerTv;
}

void TvCoordination::onSatelliteListChanged(int satellite, const QString& file) {
  files_.openFavoriteFile();
  state_.m_SateNum = store_.readInteger(config::kSatellite, config::kSatelliteNum, 0);
  if (state_.m_SateNum < 1) loader_.writeFirstRunDefaults(true);

  bool found = false;
  const QMap<int, QString> names = store_.readNumberedTexts(config::kSatellite, QStringLiteral("Satellite Name"));
  for (auto it = names.begin(); it != names.end() && it.key() <= state_.m_SateNum; ++it) {
    if (it.value() == state_.m_strSateName) {
      state_.m_LastNum = it.key();
      found = true;
      break;
    }
  }
  if (!found) {
    // The TV application deleted the selected satellite: its own becomes the selected one,
    // not tuned.
    state_.m_strSateName = m_strTvSateName;
    state_.m_strSateFile = file;
    files_.loadDataFile();
    state_.g_TpNum = Cvn_GetNumOfTransponder() > 0 ? 1 : 0;
    if (!Cvn_GetSatelliteInformation(&state_.g_LnbInfo)) trace("Cvn_GetSatelliteInformation failed");
    state_.g_TrInfo.TransponderNumber = 0;
    if (sheet_.isOpen()) sheet_.setCaption(StringId::NotLockedCaption);
    state_.m_LastNum = satellite;
  }
  if (!sheet_.isOpen()) return;
  const int page = sheet_.activePageIndex();
  if (page == SetupSheetAccess::kSatellitePage) {
    sheet_.reloadSatelliteList(state_.m_LastNum - 1);
    sheet_.showTransponderList(int(state_.g_TpNum) - 1);
  } else if (sheet_.satellitePageExists()) {
    sheet_.setSatellitePageRefresh(SetupSheetAccess::kRefreshSatelliteList);
  }
  if (page == SetupSheetAccess::kDataPidPage) sheet_.rebuildDataPidLists();
}

// The data transponder by the frequency and symbol rate in g_TrInfo in the database now
// loaded: its new number, or 0 when it is gone.
void TvCoordination::findTransponderAgain() {
  if (state_.g_TrInfo.TransponderNumber == 0) return;
  const bool found = reception_.findTransponder(state_.g_TrInfo.Frequency, state_.g_TrInfo.SymbolRate);
  state_.g_TrInfo.TransponderNumber = found ? state_.g_TpNum : 0;
}

void TvCoordination::onDataFileChanged(int satellite, const QString& file) {
  files_.openFavoriteFile();
  if (satellite == state_.m_LastNum) {
    files_.loadDataFile();
    findTransponderAgain();
    if (sheet_.isOpen()) refreshSheetAfterDataFile();
  } else if (satelliteName(state_.g_LnbInfo.SatelliteName) != state_.m_strSateName &&
             satelliteName(state_.g_LnbInfo.SatelliteName) == m_strTvSateName &&
             state_.g_TrInfo.TransponderNumber != 0) {
    // The tuned satellite is not the selected one but the TV's: find the tuned transponder
    // in its new file, then make the selected satellite current again.
    const QString selectedName = state_.m_strSateName, selectedFile = state_.m_strSateFile;
    const int selectedIndex = state_.m_LastNum;
    const uint32_t selectedTransponder = state_.g_TpNum;
    state_.m_strSateName = m_strTvSateName;
    state_.m_strSateFile = file;
    state_.m_LastNum = satellite;
    files_.loadDataFile();
    findTransponderAgain();
    state_.m_strSateName = selectedName;
    state_.m_strSateFile = selectedFile;
    state_.m_LastNum = selectedIndex;
    state_.g_TpNum = selectedTransponder;
    files_.loadDataFile();
  }
  if (sheet_.isOpen() && state_.g_TrInfo.TransponderNumber == 0) sheet_.setCaption(StringId::NotLockedCaption);
}

void TvCoordination::refreshSheetAfterDataFile() {
  state_.g_SateChanged = false;
  if (sheet_.openingSatelliteName() == m_strTvSateName) sheet_.setCannotRestore();
  const int page = sheet_.activePageIndex();
  if (page == SetupSheetAccess::kSatellitePage) {
    sheet_.showTransponderList(int(state_.g_TpNum) - 1);
  } else if (sheet_.satellitePageExists()) {
    sheet_.setSatellitePageRefresh(SetupSheetAccess::kRefreshTransponderList);
  }
  if (page == SetupSheetAccess::kDataPidPage) sheet_.rebuildDataPidLists();
}

QVariantMap TvCoordination::stateReport() const {
  return {
      {"StartOk", int(state_.StartOk)},
      {"LockIndicator", int(state_.m_LockIndicator)},
      {"TunerOwnerState", int(state_.m_TunerOwnerState)},
      {"SatelliteName", state_.m_strSateName},
      {"SatelliteIndex", state_.m_LastNum},
      {"SatelliteCount", state_.m_SateNum},
      {"TunedSatellite", satelliteName(state_.g_LnbInfo.SatelliteName)},
      {"TransponderNumber", int(state_.g_TrInfo.TransponderNumber)},
      {"TransponderIndex", int(state_.g_TpNum)},
      {"Frequency", int(state_.g_TrInfo.Frequency)},
      {"TvWindow", m_hTvWindow},
      {"TvSatelliteName", m_strTvSateName},
  };
}

}  // namespace cv7::app
