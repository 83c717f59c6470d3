// The auto-scan dialog's widgets (form AutoScanDialog.ui) over a CAutoScanDlg: the satellite
// name, the transponder list with its lock states and channel counts, the status line, the
// progress bar with its percentage and Cancel (OK at the end). The first paint starts the
// scan. Escape is swallowed, Enter in the list or on the progress bar moves the focus on,
// and the close box acts as Cancel.
#pragma once
#include <memory>

#include "ButtonClosedDialog.h"
#include "CAutoScanDlg.h"
#include "QtDialogTimers.h"

namespace Ui {
class AutoScanDialog;
}

namespace cv7::app {

class AutoScanDialog : public ButtonClosedDialog {
  Q_OBJECT

 public:
  AutoScanDialog(CAutoScanDlg& logic, QWidget* parent = nullptr);
  ~AutoScanDialog() override;

  void reject() override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  void render();
  void renderRows();
  void sizeColumns();

  CAutoScanDlg& logic_;
  std::unique_ptr<Ui::AutoScanDialog> ui_;
  QtDialogTimers timers_;
  bool firstPaint_ = true;
};

}  // namespace cv7::app
