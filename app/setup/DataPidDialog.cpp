#include "DataPidDialog.h"

#include <QKeyEvent>

#include "PidBaseMenu.h"
#include "ui_DataPidDialog.h"

namespace cv7::app {

DataPidDialog::DataPidDialog(DataPidForm& form, QWidget* parent)
    : ButtonClosedDialog(parent), form_(form), ui_(std::make_unique<Ui::DataPidDialog>()) {
  ui_->setupUi(this);
  setWindowTitle(form.title);
  ui_->id1020->setTitle(form.title);
  ui_->id1201->setText(form.pidText);
  if (QAbstractButton* chosen = radio(form.m_ServiceType)) chosen->setChecked(true);
  showBase();
  connect(ui_->id1022, &QWidget::customContextMenuRequested, this, [this] {
    PidBaseMenu menu(this);
    if (const auto base = menu.choose(QCursor::pos())) chooseBase(*base);
  });
  connect(ui_->id1, &QPushButton::clicked, this, &DataPidDialog::onOk);
  connect(ui_->id2, &QPushButton::clicked, this, [this] { done(Rejected); });
  enterMovesFocus({ui_->id1201, ui_->id1189, ui_->id1190, ui_->id1191, ui_->id1192});
}

DataPidDialog::~DataPidDialog() = default;

QAbstractButton* DataPidDialog::radio(int index) const {
  QAbstractButton* radios[] = {ui_->id1189, ui_->id1190, ui_->id1191, ui_->id1192};
  return index >= 0 && index < kServiceTypeCount ? radios[index] : nullptr;
}

void DataPidDialog::showBase() {
  ui_->id1022->setText(form_.baseLabelText());
  ui_->id1022->setToolTip(form_.baseTipText());
}

void DataPidDialog::chooseBase(PidBase base) {
  form_.pidText = ui_->id1201->text();
  form_.chooseBase(base);
  ui_->id1201->setText(form_.pidText);
  showBase();
}

void DataPidDialog::onOk() {
  form_.pidText = ui_->id1201->text();
  form_.m_ServiceType = 0;
  for (int index = 0; index < kServiceTypeCount; ++index)
    if (radio(index)->isChecked()) form_.m_ServiceType = index;
  switch (form_.accept()) {
    case DataPidForm::Result::Empty:
      return;
    case DataPidForm::Result::Invalid:
      ui_->id1201->setFocus();
      ui_->id1201->selectAll();
      return;
    case DataPidForm::Result::Accepted:
      done(Accepted);
      return;
  }
}

// Unlike the satellite page's dialogs, this one lets Escape cancel it.
void DataPidDialog::keyPressEvent(QKeyEvent* event) { QDialog::keyPressEvent(event); }

}  // namespace cv7::app
