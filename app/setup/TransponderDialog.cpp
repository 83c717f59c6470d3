#include "TransponderDialog.h"

#include <QKeyEvent>

#include "ui_TransponderDialog.h"

namespace cv7::app {

TransponderDialog::TransponderDialog(TransponderForm& form, QWidget* parent)
    : QDialog(parent), form_(form), ui_(std::make_unique<Ui::TransponderDialog>()) {
  ui_->setupUi(this);
  setWindowTitle(form.title);
  ui_->id1020->setTitle(form.title);
  ui_->id1133->setText(form.frequencyText);
  ui_->id1134->setText(form.symbolRateText);
  ui_->id1080->setChecked(form.polarity == 0);
  ui_->id1081->setChecked(form.polarity == 1);
  for (QWidget* control : {static_cast<QWidget*>(ui_->id1133), static_cast<QWidget*>(ui_->id1134),
                           static_cast<QWidget*>(ui_->id1080), static_cast<QWidget*>(ui_->id1081)})
    control->installEventFilter(this);
  connect(ui_->id1, &QPushButton::clicked, this, &TransponderDialog::onOk);
  connect(ui_->id2, &QPushButton::clicked, this, [this] { done(Rejected); });
}

TransponderDialog::~TransponderDialog() = default;

void TransponderDialog::onOk() {
  form_.frequencyText = ui_->id1133->text();
  form_.symbolRateText = ui_->id1134->text();
  form_.polarity = ui_->id1080->isChecked() ? 0 : ui_->id1081->isChecked() ? 1 : -1;
  switch (form_.accept()) {
    case TransponderForm::Field::None:
      done(Accepted);
      return;
    case TransponderForm::Field::Frequency:
      ui_->id1133->setFocus();
      ui_->id1133->selectAll();
      return;
    case TransponderForm::Field::SymbolRate:
      ui_->id1134->setFocus();
      ui_->id1134->selectAll();
      return;
  }
}

bool TransponderDialog::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      focusNextChild();
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

void TransponderDialog::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) return;  // closes only by its buttons
  QDialog::keyPressEvent(event);
}

}  // namespace cv7::app
