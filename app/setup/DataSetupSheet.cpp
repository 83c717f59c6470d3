#include "DataSetupSheet.h"

#include "PropSheetDialog.h"
#include "SatellitePageWidget.h"

namespace cv7::app {

void DataSetupSheet::attach(ApplicationState& state, const ConfigurationStore& store, UserInterface& ui,
                            FileUpkeep& files, ReceptionStartup& reception, TvNotifier& tv,
                            IpAddressUpkeep* addresses) {
  services_.emplace(SetupServices{state, store, ui, files, reception, tv, dialogs_, addresses});
}

void DataSetupSheet::open() {
  if (!services_ || window_) return;
  CPropSheet sheet(*services_);
  sheet.setScanWindows(scanWindows_);
  PropSheetDialog window(sheet, services_->ui.strings());
  window.setAttribute(Qt::WA_DeleteOnClose, false);
  window.setWindowFlag(Qt::WindowStaysOnTopHint, false);
  window_ = &window;
  dialogs_.setOwner(&window, window.satellitePage().addSatelliteButton());
  slot_.setOpenSheet(&sheet);
  sheet_ = &sheet;
  dialogs_.setSheet(&sheet);
  window.exec();
  dialogs_.setSheet(nullptr);
  sheet_ = nullptr;
  slot_.setOpenSheet(nullptr);
  dialogs_.setOwner(nullptr, nullptr);
  window_ = nullptr;
}

void DataSetupSheet::showTunerInformation(const TunerInformation& info) {
  if (sheet_) sheet_->showTunerInformation(info);
}

void DataSetupSheet::bringToFront() {
  if (!window_) return;
  window_->raise();
  window_->activateWindow();
}

void DataSetupSheet::setNetworkCardAddress(uint32_t address) {
  windowThread_.post([this, address] {
    if (sheet_) sheet_->networkCardAddress(address);
  });
}

void DataSetupSheet::hostAddressesChanged(bool) {
  windowThread_.post([this] {
    if (sheet_) sheet_->hostAddressesChanged();
  });
}

}  // namespace cv7::app
