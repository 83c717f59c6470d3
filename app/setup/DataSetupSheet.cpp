#include "DataSetupSheet.h"

#include "PropSheetDialog.h"
#include "SatellitePageWidget.h"

namespace cv7::app {

void DataSetupSheet::attach(ApplicationState& state, const ConfigurationStore& store, UserInterface& ui,
                            FileUpkeep& files, ReceptionStartup& reception, TvNotifier& tv) {
  services_.emplace(SetupServices{state, store, ui, files, reception, tv, dialogs_});
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
  window.exec();
  slot_.setOpenSheet(nullptr);
  dialogs_.setOwner(nullptr, nullptr);
  window_ = nullptr;
}

void DataSetupSheet::bringToFront() {
  if (!window_) return;
  window_->raise();
  window_->activateWindow();
}

}  // namespace cv7::app
