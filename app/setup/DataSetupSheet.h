// The "Data Setup" sheet as the main frame and the tray open it: builds the sheet's logic and
// window on each open, runs it modally, and while it is open lets the TV coordination reach
// it through the slot. Window thread only, apart from the address calls, which the network
// worker makes: they are posted to the window thread (the worker does not wait) and reach
// the network card page if a sheet is open when they arrive.
#pragma once
#include <QPointer>
#include <QWidget>
#include <optional>

#include "CPropSheet.h"
#include "QtSetupDialogs.h"
#include "SetupSheet.h"
#include "SetupSheetSlot.h"
#include "WindowThreadQueue.h"

namespace cv7::app {

class PropSheetDialog;

class DataSetupSheet : public SetupSheet {
 public:
  explicit DataSetupSheet(SetupSheetSlot& slot) : slot_(slot) {}

  // What the sheet works with, once the main frame has started; until then open() does nothing.
  void attach(ApplicationState& state, const ConfigurationStore& store, UserInterface& ui, FileUpkeep& files,
              ReceptionStartup& reception, TvNotifier& tv, IpAddressUpkeep* addresses = nullptr);
  // The other programs' scan windows, which the sheet's scans respect.
  void useScanWindows(ScanWindows& windows) { scanWindows_ = &windows; }

  bool isOpen() const override { return window_ != nullptr; }
  void open() override;
  void bringToFront() override;
  void showTunerInformation(const TunerInformation& info) override;
  void setNetworkCardAddress(uint32_t address) override;
  void hostAddressesChanged(bool newAddress) override;

 private:
  SetupSheetSlot& slot_;
  QtSetupDialogs dialogs_;
  std::optional<SetupServices> services_;
  QPointer<QWidget> window_;
  CPropSheet* sheet_ = nullptr;  // the open sheet
  WindowThreadQueue windowThread_;  // the worker's address calls go through it
  ScanWindows* scanWindows_ = nullptr;
};

}  // namespace cv7::app
