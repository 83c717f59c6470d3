#include "DataPidDialog.h"

#include <QKeyEvent>

#include "PidBaseMenu.h"
#include "ui_DataPidDialog.h"

namespace cv7::app {

DataPidDialog::DataPidDialog(DataPidForm& form, QWidget* parent)
    : QDialog(parent), form_(form), ui_(std::make_unique<Ui::DataPidDialog>()) {
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
  for (QWidget* control : {static_cast<QWidget*>(ui_->id1201), static_cast<QWidget*>(ui_->id1189),
                           static_cast<QWidget*>(ui_->id1190), static_cast<QWidget*>(ui_->id1191),
                           static_cast<QWidget*>(ui_->id1192)})
    control->installEventFilter(this);
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

bool DataPidDialog::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      focusNextChild();
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

}  // namespace cv7::app
