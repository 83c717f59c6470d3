// A modal dialog of the setup page that closes only by its buttons: Escape is swallowed, and
// on the controls given to enterMovesFocus() Enter moves the focus on instead of pressing the
// default button.
#pragma once
#include <QDialog>
#include <initializer_list>

namespace cv7::app {

class ButtonClosedDialog : public QDialog {
  Q_OBJECT

 public:
  using QDialog::QDialog;

 protected:
  void enterMovesFocus(std::initializer_list<QWidget*> controls);
  bool eventFilter(QObject* watched, QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
};

}  // namespace cv7::app
