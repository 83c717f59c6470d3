// The setup sheet while it is not open: no page, no dialog; every action does nothing.
#pragma once
#include "SetupSheetAccess.h"

namespace cv7::app {

class ClosedSetupSheet : public SetupSheetAccess {
 public:
  bool isOpen() const override { return false; }
  int activePageIndex() const override { return -1; }
  bool satelliteListChanged() const override { return false; }
  QString openingSatelliteName() const override { return {}; }
  void setCannotRestore() override {}
  void setCaption(int) override {}
  bool satellitePageExists() const override { return false; }
  bool autoScanButtonEnabled() const override { return false; }
  void setScanButtonsEnabled(bool) override {}
  void setSatellitePageRefresh(Refresh) override {}
  void reloadSatelliteList(int) override {}
  void showTransponderList(int) override {}
  void rebuildDataPidLists() override {}
  bool autoScanDialogExists() const override { return false; }
  void notifyAutoScanDialog(uint32_t) override {}
  void notifyScanDialog(uint32_t) override {}
};

}  // namespace cv7::app
