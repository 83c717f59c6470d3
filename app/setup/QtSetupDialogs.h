// The satellite page's modal dialogs and its "Add..." popup menu as Qt widgets.
#pragma once
#include <QPointer>
#include <QWidget>

#include "SetupDialogs.h"
#include "StringTable.h"

namespace cv7::app {

class QtSetupDialogs : public SetupDialogs {
 public:
  // The dialogs open over `owner`; the menu opens under `menuAnchor` (both may be none).
  void setOwner(QWidget* owner, QWidget* menuAnchor) {
    owner_ = owner;
    anchor_ = menuAnchor;
  }

  bool runSatelliteDialog(SatelliteForm& form) override;
  bool runTransponderDialog(TransponderForm& form) override;
  int chooseAddSatelliteCommand() override;
  bool runDataPidDialog(DataPidForm& form) override;

 private:
  QPointer<QWidget> owner_;
  QPointer<QWidget> anchor_;
};

}  // namespace cv7::app
