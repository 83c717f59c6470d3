// The satellite page's modal dialogs and its "Add..." popup menu as Qt widgets.
#pragma once
#include <QPointer>
#include <QWidget>

#include "SetupDialogs.h"
#include "StringTable.h"

namespace cv7::app {

class CPropSheet;

class QtSetupDialogs : public SetupDialogs {
 public:
  // The dialogs open over `owner`; the menu opens under `menuAnchor` (both may be none).
  void setOwner(QWidget* owner, QWidget* menuAnchor) {
    owner_ = owner;
    anchor_ = menuAnchor;
  }

  // The sheet whose satellite page holds the tuner information window while it is shown.
  void setSheet(CPropSheet* sheet) { sheet_ = sheet; }

  bool runSatelliteDialog(SatelliteForm& form) override;
  bool runTransponderDialog(TransponderForm& form) override;
  int chooseAddSatelliteCommand() override;
  void runTunerInformationWindow() override;
  void runImportDialog(ImportForm& form) override;
  void runScanDialog(CScanDlg& dialog) override;
  void runScanInformationDialog() override;
  void runAutoScanDialog(CAutoScanDlg& dialog) override;
  bool runDataPidDialog(DataPidForm& form) override;

 private:
  QPointer<QWidget> owner_;
  QPointer<QWidget> anchor_;
  CPropSheet* sheet_ = nullptr;
};

}  // namespace cv7::app
