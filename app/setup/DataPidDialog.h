// The "Add Data PID" dialog's widgets (form DataPidDialog.ui) over a DataPidForm: the PID
// edit, the four service-type radios, and the label 1022 whose right click opens the number
// base menu, which converts the typed text. OK closes only when the form accepts the text.
// Enter in the edit or on a radio moves the focus on instead of pressing OK; Escape cancels.
#pragma once
#include <memory>

#include "ButtonClosedDialog.h"
#include "DataPidForm.h"

namespace Ui {
class DataPidDialog;
}

class QAbstractButton;

namespace cv7::app {

class DataPidDialog : public ButtonClosedDialog {
  Q_OBJECT

 public:
  explicit DataPidDialog(DataPidForm& form, QWidget* parent = nullptr);
  ~DataPidDialog() override;

  // The base menu chose `base` (as a right click on label 1022 and a choice do).
  void chooseBase(PidBase base);

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void showBase();
  void onOk();
  QAbstractButton* radio(int index) const;

  DataPidForm& form_;
  std::unique_ptr<Ui::DataPidDialog> ui_;
};

}  // namespace cv7::app
