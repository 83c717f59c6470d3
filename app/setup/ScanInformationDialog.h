// The "Scan Information" dialog (1017, form ScanInformationDialog.ui): the transponder did
// not lock, so there is nothing to scan. It closes with OK.
#pragma once
#include <QDialog>
#include <memory>

namespace Ui {
class ScanInformationDialog;
}

namespace cv7::app {

class ScanInformationDialog : public QDialog {
  Q_OBJECT

 public:
  explicit ScanInformationDialog(QWidget* parent = nullptr);
  ~ScanInformationDialog() override;

 private:
  std::unique_ptr<Ui::ScanInformationDialog> ui_;
};

}  // namespace cv7::app
