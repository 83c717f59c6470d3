// The transponder dialog's widgets (form TransponderDialog.ui) over a TransponderForm: OK
// closes only when the form accepts the input; Escape is swallowed; Enter on an edit field
// or a radio button moves the focus on.
#pragma once
#include <memory>

#include "ButtonClosedDialog.h"
#include "TransponderForm.h"

namespace Ui {
class TransponderDialog;
}

namespace cv7::app {

class TransponderDialog : public ButtonClosedDialog {
  Q_OBJECT

 public:
  TransponderDialog(TransponderForm& form, QWidget* parent = nullptr);
  ~TransponderDialog() override;

 private:
  void onOk();

  TransponderForm& form_;
  std::unique_ptr<Ui::TransponderDialog> ui_;
};

}  // namespace cv7::app
