#include "SatelliteDialog.h"

#include <QLineEdit>

#include "ui_SatelliteDialog.h"

namespace cv7::app {

SatelliteDialog::SatelliteDialog(SatelliteForm& form, QWidget* parent)
    : ButtonClosedDialog(parent), form_(form), ui_(std::make_unique<Ui::SatelliteDialog>()) {
  ui_->setupUi(this);
  setWindowTitle(form.title);
  ui_->id1020->setTitle(form.title);
  ui_->id1257->setText(form.name);
  ui_->id1257->setReadOnly(form.mode == SatelliteForm::Edit);
  ui_->id1259->addItems(form.toneBursts);
  ui_->id1259->setCurrentIndex(form.toneBurst);
  ui_->id1242->addItems(form.diseqcs);
  ui_->id1242->setCurrentIndex(form.diseqc);
  (form.tone22k == SatelliteForm::kOn ? ui_->id1260 : ui_->id1261)->setChecked(true);
  (form.lnbPower == SatelliteForm::kOn ? ui_->id1262 : ui_->id1263)->setChecked(true);
  showOscillators();

  connect(ui_->id1258, &QComboBox::currentIndexChanged, this, [this](int index) {
    if (showing_) return;
    form_.selectOscillator(index);
    showToneRadios();
  });
  connect(ui_->id1258, &QComboBox::editTextChanged, this, [this](const QString& text) {
    if (showing_) return;
    form_.editOscillator(text);
    showToneRadios();
  });
  connect(ui_->id1027, &QPushButton::clicked, this, [this] {
    form_.editOscillator(ui_->id1258->currentText());
    form_.deleteOscillator();
    showOscillators();
  });
  connect(ui_->id1, &QPushButton::clicked, this, &SatelliteDialog::onOk);
  connect(ui_->id2, &QPushButton::clicked, this, [this] { done(Rejected); });
  enterMovesFocus({ui_->id1257, ui_->id1259, ui_->id1242, ui_->id1260, ui_->id1261, ui_->id1262, ui_->id1263});
}

SatelliteDialog::~SatelliteDialog() = default;

void SatelliteDialog::showOscillators() {
  showing_ = true;
  ui_->id1258->clear();
  ui_->id1258->addItems(form_.oscillators);
  ui_->id1258->setCurrentIndex(form_.oscillatorIndex);
  ui_->id1258->setEditText(form_.oscillatorText);
  showing_ = false;
  showToneRadios();
}

void SatelliteDialog::showToneRadios() {
  ui_->id1260->setEnabled(form_.tone22kEnabled);
  ui_->id1261->setEnabled(form_.tone22kEnabled);
}

void SatelliteDialog::onOk() {
  form_.name = ui_->id1257->text();
  form_.oscillatorText = ui_->id1258->currentText();
  form_.toneBurst = ui_->id1259->currentIndex();
  form_.diseqc = ui_->id1242->currentIndex();
  form_.tone22k = ui_->id1261->isChecked() ? SatelliteForm::kOff : SatelliteForm::kOn;
  form_.lnbPower = ui_->id1263->isChecked() ? SatelliteForm::kOff : SatelliteForm::kOn;
  switch (form_.accept()) {
    case SatelliteForm::Field::None:
      done(Accepted);
      return;
    case SatelliteForm::Field::Name:
      ui_->id1257->setFocus();
      return;
    case SatelliteForm::Field::Oscillator:
      ui_->id1258->setFocus();
      ui_->id1258->lineEdit()->selectAll();
      return;
  }
}

}  // namespace cv7::app
