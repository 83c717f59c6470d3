// The satellite dialog's widgets (form SatelliteDialog.ui) over a SatelliteForm: the 22 kHz
// radios follow the oscillator, OK closes only when the form accepts the input; Escape is
// swallowed; Enter moves the focus on from the name, the two lists and the radios, and
// presses OK from the oscillator's text.
#pragma once
#include <memory>

#include "ButtonClosedDialog.h"
#include "SatelliteForm.h"

namespace Ui {
class SatelliteDialog;
}

namespace cv7::app {

class SatelliteDialog : public ButtonClosedDialog {
  Q_OBJECT

 public:
  SatelliteDialog(SatelliteForm& form, QWidget* parent = nullptr);
  ~SatelliteDialog() override;

 private:
  void showOscillators();
  void showToneRadios();
  void onOk();

  SatelliteForm& form_;
  std::unique_ptr<Ui::SatelliteDialog> ui_;
  bool showing_ = false;
};

}  // namespace cv7::app
