#include "CScanDlg.h"

#include <corvane.h>

#include "CPropSheet.h"
#include "ScanWindows.h"
#include "StringId.h"
#include "Trace.h"

namespace cv7::app {

CScanDlg::CScanDlg(CPropSheet& sheet) : sheet_(sheet) {
  sheet_.setScanDialog(this);
  if (ScanWindows* windows = sheet_.scanWindows()) windows->announceScanWindow(false, true);
}

CScanDlg::~CScanDlg() { OnDestroy(); }

const StringTable& CScanDlg::strings() const { return sheet_.services().ui.strings(); }

void CScanDlg::OnInitDialog() {
  m_bSearchCompleted = 0;
  // Each opening starts the animation from its beginning, so text and count stay in step.
  ticks_ = 0;
  text = sheet_.services().ui.strings().text(StringId::Scanning);
  if (Cvn_SearchChannel(1)) {
    if (timers_) timers_->setTimer(kTimerId, kTickPeriod);
  } else {
    trace(QStringLiteral("Cvn_SearchChannel failed"));  // the dialog stays until Cancel
  }
  if (changed) changed();
}

void CScanDlg::OnTimer(int id) {
  if (id != kTimerId) return;
  text += QStringLiteral(". ");
  if (++ticks_ > kLastTick) {
    ticks_ = 0;
    text = sheet_.services().ui.strings().text(StringId::Scanning);
  }
  if (changed) changed();
}

void CScanDlg::OnSearchHandled() {
  m_bSearchCompleted = 1;
  closeDialog();
}

void CScanDlg::OnCancel() {
  if (!Cvn_SearchCancel()) trace(QStringLiteral("Cvn_SearchCancel failed"));
  closeDialog();
}

void CScanDlg::OnEnter() { closeDialog(); }

void CScanDlg::closeDialog() {
  if (closed) return;
  closed = true;
  if (close) close();
}

void CScanDlg::OnDestroy() {
  if (destroyed_) return;
  destroyed_ = true;
  if (timers_) timers_->killTimer(kTimerId);
  sheet_.setScanDialog(nullptr);
  if (ScanWindows* windows = sheet_.scanWindows()) windows->announceScanWindow(false, false);
}

}  // namespace cv7::app
