// The "Data Setup" sheet's window (form PropSheet.ui): the three pages as tabs, OK and
// Cancel, over a CPropSheet. OK commits and closes; Cancel, the close box and Escape restore
// and close (Escape not while Cancel is disabled, nor on the satellite page).
#pragma once
#include <QDialog>
#include <memory>

#include "CPropSheet.h"
#include "StringTable.h"

namespace Ui {
class PropSheet;
}

namespace cv7::app {

class SatellitePageWidget;
class DataPidPageWidget;

class PropSheetDialog : public QDialog {
  Q_OBJECT

 public:
  PropSheetDialog(CPropSheet& sheet, const StringTable& strings, QWidget* parent = nullptr);
  ~PropSheetDialog() override;

  SatellitePageWidget& satellitePage() { return *satellitePage_; }
  DataPidPageWidget& dataPidPage() { return *dataPidPage_; }
  // Shows the sheet's caption and Cancel button again.
  void render();

  void done(int result) override;

 protected:
  void changeEvent(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void onPageChanged(int index);

  CPropSheet& sheet_;
  std::unique_ptr<Ui::PropSheet> ui_;
  SatellitePageWidget* satellitePage_;
  DataPidPageWidget* dataPidPage_;
};

}  // namespace cv7::app
