// The setup sheet as the TV coordination and the search result handling see it for the
// whole run: the open sheet while there is one, else a sheet that is never open.
#pragma once
#include "ClosedSetupSheet.h"
#include "SetupSheetAccess.h"

namespace cv7::app {

class SetupSheetSlot : public SetupSheetAccess {
 public:
  // The sheet that has opened (none: it has closed).
  void setOpenSheet(SetupSheetAccess* sheet) { open_ = sheet; }

  bool isOpen() const override { return sheet().isOpen(); }
  int activePageIndex() const override { return sheet().activePageIndex(); }
  bool satelliteListChanged() const override { return sheet().satelliteListChanged(); }
  QString openingSatelliteName() const override { return sheet().openingSatelliteName(); }
  void setCannotRestore() override { sheet().setCannotRestore(); }
  void setCaption(int stringId) override { sheet().setCaption(stringId); }
  bool satellitePageExists() const override { return sheet().satellitePageExists(); }
  bool autoScanButtonEnabled() const override { return sheet().autoScanButtonEnabled(); }
  void setScanButtonsEnabled(bool enabled) override { sheet().setScanButtonsEnabled(enabled); }
  void setSatellitePageRefresh(Refresh request) override { sheet().setSatellitePageRefresh(request); }
  void reloadSatelliteList(int index) override { sheet().reloadSatelliteList(index); }
  void showTransponderList(int index) override { sheet().showTransponderList(index); }
  void rebuildDataPidLists() override { sheet().rebuildDataPidLists(); }
  bool autoScanDialogExists() const override { return sheet().autoScanDialogExists(); }
  void notifyAutoScanDialog(uint32_t number) override { sheet().notifyAutoScanDialog(number); }
  void notifyScanDialog(uint32_t number) override { sheet().notifyScanDialog(number); }

 private:
  SetupSheetAccess& sheet() const { return open_ != nullptr ? *open_ : closed_; }

  SetupSheetAccess* open_ = nullptr;
  mutable ClosedSetupSheet closed_;
};

}  // namespace cv7::app
