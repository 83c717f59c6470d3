#include "ScanFlows.h"

#include "CAutoScanDlg.h"
#include "CPage2.h"
#include "CPropSheet.h"
#include "CScanDlg.h"
#include "ScanWindows.h"
#include "StringId.h"
#include "Trace.h"
#include "WaitCursor.h"

namespace cv7::app {

namespace {
constexpr int kAboutToTune = 5;  // told to the TV application before a tune
constexpr int kLocked = 1;
constexpr int kNotLocked = 2;
}  // namespace

ScanFlows::ScanFlows(CPropSheet& sheet, CPage2& page) : sheet_(sheet), page_(page), services_(sheet.services()) {}

bool ScanFlows::refusedByOtherScan() {
  ScanWindows* windows = sheet_.scanWindows();
  if (!windows || !windows->scanWindowExists()) return false;
  services_.ui.messageBox(StringId::TvScanRunning, StringId::AppTitle, MessageStyle::exclamation());
  return true;
}

bool ScanFlows::tuneSelected(int* result) {
  if (page_.rows.isEmpty() || page_.m_nItemTp < 0 || page_.m_nItemTp >= page_.rows.size()) return false;
  ApplicationState& state = services_.state;
  WaitCursor wait(services_.ui);
  if (!Cvn_GetSatelliteInformation(&state.g_LnbInfo)) trace(QStringLiteral("Cvn_GetSatelliteInformation failed"));
  if (!Cvn_GetInfoTransponder(uint32_t(page_.m_nItemTp + 1), &state.g_TrInfo))
    trace(QStringLiteral("Cvn_GetInfoTransponder %1 failed").arg(page_.m_nItemTp + 1));
  *result = services_.reception.dataLockTest();  // shows the system error itself
  return true;
}

void ScanFlows::showTunedCaption() { sheet_.showTunedCaption(); }

void ScanFlows::lockTest() {
  int result = 0;
  if (!tuneSelected(&result)) return;
  showTunedCaption();
  if (result != CVN_ERROR) services_.dialogs.runTunerInformationWindow();
}

void ScanFlows::scan() {
  if (refusedByOtherScan()) return;
  int result = 0;
  if (!tuneSelected(&result)) return;
  if (result == CVN_OK) {
    CScanDlg dialog(sheet_);
    services_.dialogs.runScanDialog(dialog);
    if (dialog.m_bSearchCompleted == 1) services_.state.g_SateChanged = true;
  } else if (result == CVN_LOCK_ERROR) {
    services_.dialogs.runScanInformationDialog();
  }
  showTunedCaption();
}

void ScanFlows::autoScan() {
  if (refusedByOtherScan() || page_.rows.isEmpty()) return;
  if (services_.ui.messageBox(StringId::ConfirmAutoScan, StringId::AppTitle, MessageStyle::question()) ==
      MessageButton::Cancel)
    return;
  services_.tv.notifyTv(kAboutToTune, kAboutToTune);
  const QString satellite = page_.satelliteIndex >= 0 && page_.satelliteIndex < page_.satelliteNames.size()
                                ? page_.satelliteNames[page_.satelliteIndex]
                                : QString();
  int lastLock = 0;
  bool anyLocked = false;
  {
    CAutoScanDlg dialog(sheet_, satellite);
    services_.dialogs.runAutoScanDialog(dialog);
    dialog.OnDestroy();
    lastLock = dialog.lastLockStatus();
    anyLocked = dialog.anyLocked();
  }
  ApplicationState& state = services_.state;
  if (anyLocked) {
    state.g_SateChanged = true;
    services_.files.writeTemporaryCopy();
    services_.tv.notifyTv(lastLock == CVN_OK ? kLocked : kNotLocked, services_.reception.position());
  }
  showTunedCaption();
  page_.selectTransponderRow(int(state.g_TrInfo.TransponderNumber) - 1);
}

}  // namespace cv7::app
