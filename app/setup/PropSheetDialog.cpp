#include "PropSheetDialog.h"

#include <QKeyEvent>

#include "DataPidPageWidget.h"
#include "NetCardPageWidget.h"
#include "SatellitePageWidget.h"
#include "ui_PropSheet.h"

namespace cv7::app {

PropSheetDialog::PropSheetDialog(CPropSheet& sheet, const StringTable& strings, QWidget* parent)
    : QDialog(parent), sheet_(sheet), ui_(std::make_unique<Ui::PropSheet>()) {
  ui_->setupUi(this);
  satellitePage_ = new SatellitePageWidget(strings, ui_->id169);
  ui_->id169->layout()->addWidget(satellitePage_);
  dataPidPage_ = new DataPidPageWidget(strings, ui_->id168);
  ui_->id168->layout()->addWidget(dataPidPage_);
  sheet_.changed = [this] { render(); };
  sheet_.OnInitDialog();
  auto* netCardPage = new NetCardPageWidget(ui_->id149);
  ui_->id149->layout()->addWidget(netCardPage);
  netCardPage->bind(sheet_.netCardPage());
  ui_->pages->setCurrentIndex(sheet_.activePageIndex());
  connect(ui_->pages, &QTabWidget::currentChanged, this, &PropSheetDialog::onPageChanged);
  connect(ui_->id1, &QPushButton::clicked, this, [this] {
    sheet_.OnOK();
    done(Accepted);
  });
  connect(ui_->id2, &QPushButton::clicked, this, [this] {
    sheet_.OnCancel();
    done(Rejected);
  });
  render();
}

PropSheetDialog::~PropSheetDialog() { sheet_.changed = nullptr; }

void PropSheetDialog::onPageChanged(int index) {
  sheet_.setActivePage(index);
  if (sheet_.satellitePage()) satellitePage_->bind(sheet_.satellitePage());
  if (sheet_.dataPidPage()) dataPidPage_->bind(sheet_.dataPidPage());
}

void PropSheetDialog::render() {
  setWindowTitle(sheet_.caption);
  ui_->id2->setEnabled(sheet_.cancelEnabled);
}

void PropSheetDialog::done(int result) {
  if (sheet_.isOpen()) sheet_.OnDestroy();  // closed by any other way than OK or Cancel
  QDialog::done(result);
}

void PropSheetDialog::changeEvent(QEvent* event) {
  QDialog::changeEvent(event);
  if (event->type() == QEvent::ActivationChange && isActiveWindow() && sheet_.satellitePage() &&
      sheet_.activePageIndex() == SetupSheetAccess::kSatellitePage)
    sheet_.satellitePage()->OnActivate();
}

void PropSheetDialog::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape && !sheet_.cancelEnabled) return;
  QDialog::keyPressEvent(event);
}

}  // namespace cv7::app
