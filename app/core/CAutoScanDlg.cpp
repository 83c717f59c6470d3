#include "CAutoScanDlg.h"

#include "CPropSheet.h"
#include "NumberText.h"
#include "ScanWindows.h"
#include "StringId.h"
#include "Trace.h"

namespace cv7::app {

CAutoScanDlg::CAutoScanDlg(CPropSheet& sheet, QString satelliteName)
    : sheet_(sheet), services_(sheet.services()), m_strSateName(std::move(satelliteName)) {
  sheet_.setAutoScanDialog(this);
  if (ScanWindows* windows = sheet_.scanWindows()) windows->announceScanWindow(true, true);
}

CAutoScanDlg::~CAutoScanDlg() { OnDestroy(); }

const StringTable& CAutoScanDlg::strings() const { return sheet_.services().ui.strings(); }

void CAutoScanDlg::OnInitDialog() {
  ApplicationState& state = services_.state;
  satelliteText = m_strSateName;
  buttonText = QStringLiteral("Cancel");
  if (!Cvn_GetSatelliteInformation(&m_LnbInfo)) trace(QStringLiteral("Cvn_GetSatelliteInformation failed"));
  state.g_LnbInfo = m_LnbInfo;
  m_nTransponders = uint32_t(std::max(0, Cvn_GetNumOfTransponder()));
  progress = 0;
  rows.clear();
  for (uint32_t number = 1; number <= m_nTransponders; ++number) {
    TrInfo tr{};
    if (!Cvn_GetInfoTransponder(number, &tr)) break;
    rows.push_back({QString::asprintf("%2u", number), thousandthsText(tr.Frequency), thousandthsText(tr.SymbolRate),
                    QString(), QString()});
  }
  notifyChanged();
}

void CAutoScanDlg::OnPaint() {
  if (!m_bFirstPaint) return;
  m_bFirstPaint = false;
  if (m_nTransponders > 0 && !Cvn_GetInfoTransponder(1, &m_NextTr)) m_nTransponders = 0;
  if (m_nTransponders == 0) {
    services_.ui.messageBox(StringId::NoTransponder, StringId::AppTitle, MessageStyle::exclamation());
    return;  // nothing to scan: Cancel closes at once
  }
  skip(0);
}

void CAutoScanDlg::skip(uint32_t transponder) {
  queue_.post([this, transponder] { OnScanMessage(kSkip, transponder); });
}

void CAutoScanDlg::OnScanMessage(uint32_t wParam, uint32_t transponder) {
  if (closed) return;
  if (wParam != kSkip) {
    // Only the result awaited counts; a result without a transponder number (the card
    // reported a transponder the database does not hold) is the awaited one's.
    if (searching_ == 0 || (transponder != searching_ && transponder != 0)) return;
    transponder = searching_;
    searching_ = 0;
    if (timers_) timers_->killTimer(kSearchTimerId);
    if (transponder <= uint32_t(rows.size()))
      rows[transponder - 1].channels =
          QString::number(Cvn_GetNumOfProgram(services_.state.g_TrInfo.TransponderNumber));
  }
  const StringTable& strings = services_.ui.strings();
  statusText = strings.text(StringId::Scanning) +
               QString::asprintf(" [%2u] ", m_NextTr.TransponderNumber) + thousandthsText(m_NextTr.Frequency) +
               QStringLiteral("[MHz], ") + thousandthsText(m_NextTr.SymbolRate) + QStringLiteral("[MSymbol]");
  if (transponder + 1 <= m_nTransponders) {
    selectedRow = int(transponder);
    if (transponder % 2 == 0) scrolledRow = std::min(int(transponder) + 2, int(rows.size()) - 1);
  }
  notifyChanged();
  testTransponder(transponder + 1);
}

void CAutoScanDlg::testTransponder(uint32_t number) {
  if (number > m_nTransponders) {
    const StringTable& strings = services_.ui.strings();
    statusText = strings.text(StringId::AutoScanFinished);
    buttonText = strings.text(StringId::Ok);
    notifyChanged();
    services_.ui.messageBox(StringId::AutoScanFinished, StringId::AppTitle, MessageStyle::exclamation());
    closeDialog();
    return;
  }
  if (m_bCancel) {
    closeDialog();
    return;
  }
  // The last lock status is that of the transponder tested last, which the TV application
  // is told after the dialog.
  m_LastLock = 0;
  services_.state.g_TrInfo = m_NextTr;
  joinWorker();
  setWait(true);
  working_ = true;
  worker_ = std::thread([this, transponder = m_NextTr.TransponderNumber] {
    const int status = services_.reception.dataLockTest();
    queue_.post([this, status, transponder] { OnReport(status, transponder); });
  });
}

void CAutoScanDlg::OnReport(int status, uint32_t transponder) {
  working_ = false;
  joinWorker();
  m_LastLock = status;
  if (status == CVN_OK) m_bAnyLocked = true;
  const StringTable& strings = services_.ui.strings();
  if (transponder >= 1 && transponder <= uint32_t(rows.size()))
    rows[transponder - 1].locking = strings.text(status == CVN_OK ? StringId::Lock : StringId::Unlock);
  if (transponder != 0 && m_nTransponders != 0) {
    const double percent = transponder * 100.0 / m_nTransponders;
    percentText = QString::asprintf("%3.0f", percent) + QLatin1Char('%');
    progress = std::clamp(int(percent + 0.5), 0, 100);
  }
  // A transponder that can no longer be read ends the scan after this one.
  if (transponder + 1 <= m_nTransponders && !Cvn_GetInfoTransponder(transponder + 1, &m_NextTr)) {
    trace(QStringLiteral("Cvn_GetInfoTransponder %1 failed: the auto scan ends").arg(transponder + 1));
    m_nTransponders = transponder;
  }
  notifyChanged();
  setWait(false);
  if (status == CVN_OK && !m_bCancel) {
    startSearch(transponder);
  } else {
    skip(transponder);
  }
}

void CAutoScanDlg::startSearch(uint32_t transponder) {
  // Started here rather than by the worker, so that the dialog awaits the result before it
  // can come.
  if (!Cvn_SearchChannel(1)) {
    trace(QStringLiteral("Cvn_SearchChannel failed"));
    skip(transponder);
    return;
  }
  searching_ = transponder;
  if (timers_) timers_->setTimer(kSearchTimerId, kSearchLimit);
}

void CAutoScanDlg::OnTimer(int id) {
  if (id != kSearchTimerId) return;
  if (timers_) timers_->killTimer(kSearchTimerId);
  if (searching_ == 0) return;
  // The result did not come: the search is given up (no late result can then arrive).
  const uint32_t transponder = searching_;
  searching_ = 0;
  if (!Cvn_SearchCancel()) trace(QStringLiteral("Cvn_SearchCancel failed"));
  OnScanMessage(kSkip, transponder);
}

void CAutoScanDlg::OnCancel() {
  setWait(true);
  m_bCancel = true;
  if (searching_ != 0) {
    if (timers_) timers_->setTimer(kSearchTimerId, kCancelGrace);
  } else if (!working_) {
    closeDialog();  // nothing under way (no transponder, or the scan has stopped)
  }
}

void CAutoScanDlg::closeDialog() {
  if (closed) return;
  closed = true;
  if (timers_) timers_->killTimer(kSearchTimerId);
  if (close) close();
}

void CAutoScanDlg::setWait(bool on) {
  if (on == waitShown_) return;
  waitShown_ = on;
  services_.ui.setWaitCursor(on);
}

void CAutoScanDlg::joinWorker() {
  if (worker_.joinable()) worker_.join();
}

void CAutoScanDlg::OnDestroy() {
  if (destroyed_) return;
  destroyed_ = true;
  joinWorker();
  if (timers_) timers_->killTimer(kSearchTimerId);
  sheet_.setAutoScanDialog(nullptr);
  setWait(false);
  if (ScanWindows* windows = sheet_.scanWindows()) windows->announceScanWindow(true, false);
}

void CAutoScanDlg::notifyChanged() {
  if (changed) changed();
}

}  // namespace cv7::app
