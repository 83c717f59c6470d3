#include "CPropSheet.h"

#include "CAutoScanDlg.h"
#include "CPage1.h"
#include "CPage2.h"
#include "CPage3.h"
#include "CScanDlg.h"
#include "ConfigurationKeys.h"
#include "NetCardText.h"
#include "SatelliteName.h"
#include "StringId.h"
#include "Trace.h"
#include "WaitCursor.h"

namespace cv7::app {

CPropSheet::CPropSheet(SetupServices services) : services_(services), state_(services.state) {}

CPropSheet::~CPropSheet() = default;

void CPropSheet::OnInitDialog() {
  open_ = true;
  m_bClosing = false;
  caption = QStringLiteral("Data Setup");
  m_strOldSateName = state_.m_strSateName;
  m_strOldSateFile = state_.m_strSateFile;
  m_OldSateNum = state_.m_SateNum;
  OldLastNum = state_.m_LastNum;
  m_OldTpNum = state_.g_TpNum;
  m_bCannotRestore = false;
  m_bSateListChanged = false;
  readSatelliteList();
  setActivePage(kNetCardPage);
}

void CPropSheet::readSatelliteList() {
  const ConfigurationStore& store = services_.store;
  const int count = std::min(state_.m_SateNum, kMaxSatellites);
  for (int i = 1; i <= count; ++i) {
    m_strSateNameList[size_t(i - 1)] = store.readText(config::kSatellite, QString(config::kSatelliteNameFormat).arg(i));
    m_strSateFileList[size_t(i - 1)] = store.readText(config::kSatellite, QString(config::kSatelliteFileFormat).arg(i));
  }
}

void CPropSheet::setActivePage(int index) {
  activePage_ = index;
  if (index == kNetCardPage) {
    if (!page1_) {
      page1_ = std::make_unique<CPage1>(*this);
      page1_->OnInitDialog();
    }
    page1_->OnSetActive();
  }
  if (index == kSatellitePage) {
    if (!page2_) {
      page2_ = std::make_unique<CPage2>(*this);
      page2_->OnInitDialog();
    }
    page2_->OnSetActive();
  }
  if (index == kDataPidPage) {
    if (!page3_) page3_ = std::make_unique<CPage3>(*this);
    page3_->OnSetActive();
  }
  notifyChanged();
}

bool CPropSheet::tunedIsSelected() const {
  return satelliteName(state_.g_LnbInfo.SatelliteName) == state_.m_strSateName &&
         state_.g_TrInfo.TransponderNumber == state_.g_TpNum;
}

void CPropSheet::OnOK() {
  WaitCursor wait(services_.ui);
  m_bClosing = true;
  if (page1_) page1_->Commit();
  const bool changedInformation = state_.g_SateChanged.exchange(false);
  if (m_bSateListChanged) WriteSatelliteList();
  if (changedInformation) {
    services_.files.saveDataFile();
    services_.files.saveFavoriteFile();
    services_.tv.notifyTv(kSatelliteFilesWritten, state_.m_LastNum * 100);
  }
  if (!(state_.m_DataLockHeld.load() == 1 && !changedInformation && tunedIsSelected())) TuneSelection();
  open_ = false;
}

void CPropSheet::OnCancel() {
  m_bClosing = true;
  RestoreSelection();
  open_ = false;
}

void CPropSheet::OnDestroy() {
  if (!m_bClosing) {
    m_bClosing = true;
    RestoreSelection();
  }
  open_ = false;
}

void CPropSheet::WriteSatelliteList() {
  const ConfigurationStore& store = services_.store;
  services_.files.saveFavoriteFile();
  m_bSateListChanged = false;
  const QString tuned = satelliteName(state_.g_LnbInfo.SatelliteName);
  bool tunedListed = false, openingListed = false;
  const int count = std::min(state_.m_SateNum, kMaxSatellites);
  for (int i = 1; i <= count; ++i) {
    const QString& name = m_strSateNameList[size_t(i - 1)];
    store.writeText(config::kSatellite, QString(config::kSatelliteNameFormat).arg(i), name);
    store.writeText(config::kSatellite, QString(config::kSatelliteFileFormat).arg(i), m_strSateFileList[size_t(i - 1)]);
    tunedListed = tunedListed || name == tuned;
    openingListed = openingListed || name == m_strOldSateName;
  }
  store.writeInteger(config::kSatellite, config::kSatelliteNum, state_.m_SateNum);
  services_.tv.notifyTv(kSatelliteListWritten, state_.m_LastNum * 100);
  if (!tunedListed) {
    setSatelliteName(state_.g_LnbInfo.SatelliteName, m_strSateNameList[0]);
    setCaption(StringId::NotLockedCaption);
  }
  // The opening satellite is gone from the stored list: nothing is left to go back to.
  if (!openingListed) setCannotRestore();
}

void CPropSheet::reloadFiles() {
  services_.files.loadDataFile();
  services_.files.openFavoriteFile();
  state_.g_SateChanged = false;
}

void CPropSheet::RestoreSelection() {
  WaitCursor wait(services_.ui);
  if (m_bSateListChanged) state_.m_SateNum = m_OldSateNum;
  m_bSateListChanged = false;
  if (m_bCannotRestore) {
    if (state_.g_SateChanged) reloadFiles();
    state_.g_TpNum = Cvn_GetNumOfTransponder() >= 1 ? 1 : 0;
    TuneSelection();
    return;
  }
  state_.m_LastNum = OldLastNum;
  state_.g_TpNum = m_OldTpNum;
  if (state_.m_strSateName != m_strOldSateName || state_.m_strSateFile != m_strOldSateFile) {
    state_.m_strSateName = m_strOldSateName;
    state_.m_strSateFile = m_strOldSateFile;
    reloadFiles();
    if (state_.m_DataLockHeld.load() == 0 || !tunedIsSelected()) TuneSelection();
    return;
  }
  if (state_.g_SateChanged) reloadFiles();
  if (!tunedIsSelected()) TuneSelection();
}

bool CPropSheet::TuneSelection() {
  if (!Cvn_GetSatelliteInformation(&state_.g_LnbInfo)) trace(QStringLiteral("Cvn_GetSatelliteInformation failed"));
  const int32_t count = Cvn_GetNumOfTransponder();
  if (count <= 0) {
    state_.g_TrInfo.TransponderNumber = 0;
    state_.g_TpNum = 0;
    return true;
  }
  if (state_.g_TpNum == 0 || state_.g_TpNum > uint32_t(count)) state_.g_TpNum = 1;
  if (!Cvn_GetInfoTransponder(state_.g_TpNum, &state_.g_TrInfo))
    trace(QStringLiteral("Cvn_GetInfoTransponder %1 failed").arg(state_.g_TpNum));
  const int result = services_.reception.dataLockTest();
  return result == CVN_OK || result == CVN_LOCK_ERROR;
}

void CPropSheet::setCannotRestore() {
  m_bCannotRestore = true;
  cancelEnabled = false;
  notifyChanged();
}

void CPropSheet::setCaption(int stringId) {
  caption = services_.ui.strings().text(stringId);
  notifyChanged();
}

void CPropSheet::setCaptionText(const QString& text) {
  caption = text;
  notifyChanged();
}

void CPropSheet::showTunedCaption() {
  if (state_.g_TrInfo.TransponderNumber == 0) {
    setCaption(StringId::NotLockedCaption);
    return;
  }
  setCaptionText(services_.ui.strings().text(StringId::DataCaption) +
                 tunedTitleSuffix(satelliteName(state_.g_LnbInfo.SatelliteName), state_.g_TrInfo.Frequency,
                                  state_.g_TrInfo.SymbolRate));
}

void CPropSheet::networkCardAddress(uint32_t address) {
  if (open_ && page1_) page1_->OnNewAdapterAddress(address, activePage_ == kNetCardPage);
}

void CPropSheet::hostAddressesChanged() {
  if (open_ && page1_) page1_->OnHostAddressesChanged(activePage_ == kNetCardPage);
}

bool CPropSheet::autoScanButtonEnabled() const { return page2_ && page2_->autoScanEnabled; }

void CPropSheet::setScanButtonsEnabled(bool enabled) {
  if (!page2_) return;
  page2_->autoScanEnabled = page2_->scanEnabled = enabled;
  notifyChanged();
}

void CPropSheet::setSatellitePageRefresh(Refresh request) {
  if (page2_) page2_->refresh = request;
}

void CPropSheet::reloadSatelliteList(int index) {
  if (!page2_) return;
  page2_->ReloadSatelliteList();
  page2_->selectSatellitePosition(index);
}

void CPropSheet::showTransponderList(int index) {
  if (!page2_) return;
  page2_->ShowTransponderList();
  page2_->selectTransponderRow(index);
}

void CPropSheet::showTunerInformation(const TunerInformation& record) {
  if (!open_ || activePage_ != kSatellitePage || !page2_) return;
  TunerInformationView* window = page2_->m_pTunerInfoWnd;
  if (window && window->ready()) window->Update(record);
}

void CPropSheet::notifyAutoScanDialog(uint32_t transponderNumber) {
  if (CAutoScanDlg* dialog = autoScanDlg_.load()) dialog->OnScanMessage(0, transponderNumber);
}

void CPropSheet::notifyScanDialog(uint32_t) {
  if (scanDlg_) scanDlg_->OnSearchHandled();
}

void CPropSheet::rebuildDataPidLists() {
  if (page3_) page3_->FillLists();
}

void CPropSheet::notifyChanged() {
  if (changed) changed();
  if (page2_ && page2_->changed) page2_->changed();
  if (page3_ && page3_->changed) page3_->changed();
}

}  // namespace cv7::app
