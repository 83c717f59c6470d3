#include "NetCardPageWidget.h"

#include "ui_NetCardPage.h"

namespace cv7::app {

NetCardPageWidget::NetCardPageWidget(QWidget* parent) : QWidget(parent), ui_(std::make_unique<Ui::NetCardPage>()) {
  ui_->setupUi(this);
  connect(ui_->id1048, &QCheckBox::clicked, this, [this](bool checked) {
    if (page_) page_->OnClickAlwaysNew(checked);
  });
  connect(ui_->id1197, &QComboBox::currentIndexChanged, this, [this](int index) {
    if (!rendering_ && page_) page_->OnSelectAddress(index);
  });
}

NetCardPageWidget::~NetCardPageWidget() {
  if (page_) page_->changed = nullptr;
}

void NetCardPageWidget::bind(CPage1* page) {
  page_ = page;
  if (page_) page_->changed = [this] { render(); };
  render();
}

void NetCardPageWidget::render() {
  if (!page_ || rendering_) return;
  rendering_ = true;
  ui_->id1248->setText(page_->firmwareText);
  ui_->id1249->setText(page_->driverText);
  ui_->id1203->setText(page_->permanentAddressText);
  ui_->id1204->setText(page_->stationAddressText);
  ui_->id1048->setChecked(page_->alwaysNew);
  QComboBox* combo = ui_->id1197;
  QStringList shown;
  for (int i = 0; i < combo->count(); ++i) shown << combo->itemText(i);
  if (shown != page_->addressTexts) {
    combo->clear();
    combo->addItems(page_->addressTexts);
  }
  combo->setCurrentIndex(page_->addressIndex);
  combo->setEnabled(page_->addressListEnabled());
  rendering_ = false;
}

}  // namespace cv7::app
