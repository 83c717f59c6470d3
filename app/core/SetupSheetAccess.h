// What the TV coordination and the search result handling do to the "Data Setup" sheet, its
// pages and its scan dialogs, without knowing their widgets. The sheet implements it; while
// no sheet is open every query answers "not open" and every action does nothing
// (ClosedSetupSheet).
//
// Pages by index: 0 the network card page, 1 the satellite page, 2 the data PID page.
// Called on the window thread only.
#pragma once
#include <QString>
#include <cstdint>

namespace cv7::app {

class SetupSheetAccess {
 public:
  static constexpr int kSatellitePage = 1;
  static constexpr int kDataPidPage = 2;
  // What the satellite page does when it next becomes active.
  enum Refresh : int {
    kRefreshNone = 0,
    kRefreshSatelliteList = 3,    // read the satellite list again, then the transponders
    kRefreshTransponderList = 4,  // show the transponder list again
  };

  virtual ~SetupSheetAccess() = default;

  // The sheet (g_pPropSheet).
  virtual bool isOpen() const = 0;
  virtual int activePageIndex() const = 0;
  // m_bSateListChanged: the satellite list was changed in the sheet and not yet written.
  virtual bool satelliteListChanged() const = 0;
  // m_strOldSateName: the satellite that was selected when the sheet opened.
  virtual QString openingSatelliteName() const = 0;
  // m_bCannotRestore := 1 and the sheet's Cancel button disabled.
  virtual void setCannotRestore() = 0;
  // The sheet's caption becomes the string-table text `stringId` (317, 318).
  virtual void setCaption(int stringId) = 0;

  // The satellite page (g_pSatellitePage), which exists while its window does.
  virtual bool satellitePageExists() const = 0;
  virtual bool autoScanButtonEnabled() const = 0;
  // Enables or disables "Auto Scan..." and "Scan..." together.
  virtual void setScanButtonsEnabled(bool enabled) = 0;
  virtual void setSatellitePageRefresh(Refresh request) = 0;
  // Reads the satellite list from the configuration again and selects entry `index`.
  virtual void reloadSatelliteList(int index) = 0;
  // Rebuilds the transponder list and selects entry `index`, scrolled into view.
  virtual void showTransponderList(int index) = 0;

  // The data PID page rebuilds its lists.
  virtual void rebuildDataPidLists() = 0;

  // The scan dialogs (g_pAutoScanDlg, g_pScanDlg).
  virtual bool autoScanDialogExists() const = 0;
  // Message 1036 (wParam 0, lParam = the result's transponder number) to the auto-scan
  // dialog, sent and handled before the call returns; nothing when it does not exist.
  virtual void notifyAutoScanDialog(uint32_t transponderNumber) = 0;
  // Message 1125 to the scan dialog in the same way.
  virtual void notifyScanDialog(uint32_t transponderNumber) = 0;
};

}  // namespace cv7::app
