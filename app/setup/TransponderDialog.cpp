#include "TransponderDialog.h"


#include "ui_TransponderDialog.h"

namespace cv7::app {

TransponderDialog::TransponderDialog(TransponderForm& form, QWidget* parent)
    : ButtonClosedDialog(parent), form_(form), ui_(std::make_unique<Ui::TransponderDialog>()) {
  ui_->setupUi(this);
  setWindowTitle(form.title);
  ui_->id1020->setTitle(form.title);
  ui_->id1133->setText(form.frequencyText);
  ui_->id1134->setText(form.symbolRateText);
  ui_->id1080->setChecked(form.polarity == 0);
  ui_->id1081->setChecked(form.polarity == 1);
  enterMovesFocus({ui_->id1133, ui_->id1134, ui_->id1080, ui_->id1081});
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

}  // namespace cv7::app
