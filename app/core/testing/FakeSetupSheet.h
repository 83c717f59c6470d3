// A setup sheet for tests: its state is set by the test, and every action on it is recorded
// as a line ("caption 317", "refresh 3", "reload-satellites 0", "transponders 1",
// "data-pid-lists", "cannot-restore", "scan-buttons 0", "auto-scan 1036 5", "scan 1125 5").
#pragma once
#include <QString>
#include <QStringList>

#include "SetupSheetAccess.h"

namespace cv7::app {

class FakeSetupSheet : public SetupSheetAccess {
 public:
  bool open = false;
  int page = 0;
  bool listChanged = false;
  QString openingSatellite;
  bool satellitePage = false;
  bool autoScanEnabled = true;
  bool autoScanDialog = false;
  bool scanDialog = false;
  QStringList actions;

  bool isOpen() const override { return open; }
  int activePageIndex() const override { return open ? page : -1; }
  bool satelliteListChanged() const override { return listChanged; }
  QString openingSatelliteName() const override { return openingSatellite; }
  void setCannotRestore() override { actions << "cannot-restore"; }
  void setCaption(int stringId) override { actions << QStringLiteral("caption %1").arg(stringId); }
  bool satellitePageExists() const override { return satellitePage; }
  bool autoScanButtonEnabled() const override { return autoScanEnabled; }
  void setScanButtonsEnabled(bool enabled) override {
    autoScanEnabled = enabled;
    actions << QStringLiteral("scan-buttons %1").arg(int(enabled));
  }
  void setSatellitePageRefresh(Refresh request) override { actions << QStringLiteral("refresh %1").arg(int(request)); }
  void reloadSatelliteList(int index) override { actions << QStringLiteral("reload-satellites %1").arg(index); }
  void showTransponderList(int index) override { actions << QStringLiteral("transponders %1").arg(index); }
  void rebuildDataPidLists() override { actions << "data-pid-lists"; }
  bool autoScanDialogExists() const override { return autoScanDialog; }
  void notifyAutoScanDialog(uint32_t transponder) override {
    if (autoScanDialog) actions << QStringLiteral("auto-scan 1036 %1").arg(transponder);
  }
  void notifyScanDialog(uint32_t transponder) override {
    if (scanDialog) actions << QStringLiteral("scan 1125 %1").arg(transponder);
  }
};

}  // namespace cv7::app
