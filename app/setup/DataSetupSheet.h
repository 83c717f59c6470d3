// The "Data Setup" sheet as the main frame and the tray open it: builds the sheet's logic and
// window on each open, runs it modally, and while it is open lets the TV coordination reach
// it through the slot. Window thread only, apart from the address calls, which the network
// worker makes and which have nothing to do until the network card page exists.
#pragma once
#include <QPointer>
#include <QWidget>
#include <optional>

#include "CPropSheet.h"
#include "QtSetupDialogs.h"
#include "SetupSheet.h"
#include "SetupSheetSlot.h"

namespace cv7::app {

class PropSheetDialog;

class DataSetupSheet : public SetupSheet {
 public:
  explicit DataSetupSheet(SetupSheetSlot& slot) : slot_(slot) {}

  // What the sheet works with, once the main frame has started; until then open() does nothing.
  void attach(ApplicationState& state, const ConfigurationStore& store, UserInterface& ui, FileUpkeep& files,
              ReceptionStartup& reception, TvNotifier& tv);
  // The other programs' scan windows, which the sheet's scans respect.
  void useScanWindows(ScanWindows& windows) { scanWindows_ = &windows; }

  bool isOpen() const override { return window_ != nullptr; }
  void open() override;
  void bringToFront() override;
  void showTunerInformation(const TunerInformation&) override {}
  void setNetworkCardAddress(uint32_t) override {}
  void hostAddressesChanged(bool) override {}

 private:
  SetupSheetSlot& slot_;
  QtSetupDialogs dialogs_;
  std::optional<SetupServices> services_;
  QPointer<QWidget> window_;
  ScanWindows* scanWindows_ = nullptr;
};

}  // namespace cv7::app
