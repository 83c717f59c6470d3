// The scan dialog's widgets (form ScanDialog.ui) over a CScanDlg: the banner, the animated
// text and Cancel. Escape is swallowed; Enter and the close box close the dialog without
// cancelling the search.
#pragma once
#include <QDialog>
#include <memory>

#include "CScanDlg.h"
#include "QtDialogTimers.h"

namespace Ui {
class ScanDialog;
}

namespace cv7::app {

class ScanDialog : public QDialog {
  Q_OBJECT

 public:
  ScanDialog(CScanDlg& logic, QWidget* parent = nullptr);
  ~ScanDialog() override;

  void reject() override;

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void render();

  CScanDlg& logic_;
  std::unique_ptr<Ui::ScanDialog> ui_;
  QtDialogTimers timers_;
};

}  // namespace cv7::app
