// The "Data Setup" property sheet without its widgets: the snapshot of the selection taken
// when it opens, the registered satellite list it keeps while open, and what OK, Cancel and
// any other way of closing do with the user's changes (commit and retune, or restore). It is
// also how the TV coordination and the search result handling reach the open sheet.
//
// Window thread only. The widgets show its caption, its Cancel button and its pages, and
// call the handlers below; `changed` tells them to show it again.
#pragma once
#include <QString>
#include <array>
#include <atomic>
#include <functional>
#include <memory>

#include "ApplicationState.h"
#include "ConfigurationStore.h"
#include "FileUpkeep.h"
#include "ReceptionStartup.h"
#include "SetupDialogs.h"
#include "SetupSheet.h"
#include "SetupSheetAccess.h"
#include "TvNotifier.h"
#include "UserInterface.h"

namespace cv7::app {

class CPage2;
class CPage1;
class IpAddressUpkeep;
class CScanDlg;
class CAutoScanDlg;
class ScanWindows;
class CPage3;

// What the sheet and its pages work with; all of it outlives the sheet.
struct SetupServices {
  ApplicationState& state;
  const ConfigurationStore& store;
  UserInterface& ui;
  FileUpkeep& files;
  ReceptionStartup& reception;
  TvNotifier& tv;
  SetupDialogs& dialogs;
  // The adapter's address upkeep, whose look-up and address the network card page shows
  // (none: the page lists no address and commits none).
  IpAddressUpkeep* addresses = nullptr;
};

class CPropSheet : public SetupSheetAccess {
 public:
  static constexpr int kMaxSatellites = 50;
  static constexpr int kNetCardPage = 0;
  // Codes told to the TV application.
  static constexpr int kSatelliteListWritten = 3;
  static constexpr int kSatelliteFilesWritten = 4;

  explicit CPropSheet(SetupServices services);
  ~CPropSheet() override;
  CPropSheet(const CPropSheet&) = delete;
  CPropSheet& operator=(const CPropSheet&) = delete;

  // The sheet's window was created: the snapshot and the satellite list; the first page.
  void OnInitDialog();
  // OK: commits the changes, retunes when the tuned transponder is not the selected one.
  void OnOK();
  // Cancel: restores the selection of the opening.
  void OnCancel();
  // The window is destroyed: restores first unless OK or Cancel did their work (the close box).
  void OnDestroy();
  // Makes page `index` the active one; the satellite page is created when first shown.
  void setActivePage(int index);

  // Writes the satellite list to the store and tells the TV application.
  void WriteSatelliteList();
  void RestoreSelection();
  // Makes the selected satellite and transponder the tuned ones; false on a system error.
  bool TuneSelection();

  // The registered satellites (element i is satellite i + 1) read from the store.
  void readSatelliteList();
  CPage2* satellitePage() { return page2_.get(); }
  // The status check's record, for the satellite page's tuner information window while that
  // page is the active one and the window is ready.
  void showTunerInformation(const TunerInformation& record);
  CPage1* netCardPage() { return page1_.get(); }
  // The sheet's caption becomes `text`.
  void setCaptionText(const QString& text);
  // The caption names the tuned satellite and transponder (string 318 + " - name, frequency
  // [MHz], symbol rate [MSymbol]"), or string 317 while none is tuned.
  void showTunedCaption();
  // From the network worker, on the window thread: the adapter took `address`; the computer's
  // addresses changed. The network card page shows them at once when it is active, else when
  // it next becomes active.
  void networkCardAddress(uint32_t address);
  void hostAddressesChanged();
  // The data PID page, which exists once it was first shown.
  CPage3* dataPidPage() { return page3_.get(); }
  SetupServices& services() { return services_; }

  // SetupSheetAccess
  bool isOpen() const override { return open_; }
  int activePageIndex() const override { return activePage_; }
  bool satelliteListChanged() const override { return m_bSateListChanged; }
  QString openingSatelliteName() const override { return m_strOldSateName; }
  void setCannotRestore() override;
  void setCaption(int stringId) override;
  bool satellitePageExists() const override { return page2_ != nullptr; }
  bool autoScanButtonEnabled() const override;
  void setScanButtonsEnabled(bool enabled) override;
  void setSatellitePageRefresh(Refresh request) override;
  void reloadSatelliteList(int index) override;
  void showTransponderList(int index) override;
  void rebuildDataPidLists() override;
  bool autoScanDialogExists() const override { return autoScanDlg_.load() != nullptr; }
  void notifyAutoScanDialog(uint32_t transponderNumber) override;
  void notifyScanDialog(uint32_t transponderNumber) override;

  // The scan dialogs register themselves while they exist (g_pScanDlg, g_pAutoScanDlg).
  void setScanDialog(CScanDlg* dialog) { scanDlg_ = dialog; }
  void setAutoScanDialog(CAutoScanDlg* dialog) { autoScanDlg_ = dialog; }
  // The scan windows of other programs, which refuse a scan; none: no other program is seen.
  void setScanWindows(ScanWindows* windows) { scanWindows_ = windows; }
  ScanWindows* scanWindows() const { return scanWindows_; }

  // What the widgets show.
  QString caption;
  bool cancelEnabled = true;
  std::function<void()> changed;

  // The snapshot and the flags the pages share.
  bool m_bClosing = false;
  QString m_strOldSateName, m_strOldSateFile;
  int m_OldSateNum = 0, OldLastNum = 0;
  uint32_t m_OldTpNum = 0;
  bool m_bCannotRestore = false;
  bool m_bSateListChanged = false;
  std::array<QString, kMaxSatellites> m_strSateNameList, m_strSateFileList;

 private:
  void reloadFiles();
  // The tuned transponder is the selected one on the selected satellite.
  bool tunedIsSelected() const;
  void notifyChanged();

  SetupServices services_;
  ApplicationState& state_;
  std::unique_ptr<CPage2> page2_;
  std::unique_ptr<CPage1> page1_;
  std::unique_ptr<CPage3> page3_;
  bool open_ = false;
  int activePage_ = kNetCardPage;
  CScanDlg* scanDlg_ = nullptr;
  // Read by the TV notifications, which the auto-scan dialog's worker makes too.
  std::atomic<CAutoScanDlg*> autoScanDlg_{nullptr};
  ScanWindows* scanWindows_ = nullptr;
};

}  // namespace cv7::app
