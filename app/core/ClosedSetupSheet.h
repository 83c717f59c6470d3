// The setup sheet before it exists: never open, so opening it does nothing, it hears of no
// tuner information or address, it has no page and no scan dialog, and the TV coordination's
// actions on it do nothing.
#pragma once
#include "SetupSheet.h"
#include "SetupSheetAccess.h"

namespace cv7::app {

class ClosedSetupSheet : public SetupSheet, public SetupSheetAccess {
 public:
  bool isOpen() const override { return false; }
  void open() override {}
  void bringToFront() override {}
  void showTunerInformation(const TunerInformation&) override {}
  void setNetworkCardAddress(uint32_t) override {}
  void hostAddressesChanged(bool) override {}

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
