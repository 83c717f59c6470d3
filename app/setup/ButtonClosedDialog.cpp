#include "ButtonClosedDialog.h"

#include <QKeyEvent>

namespace cv7::app {

void ButtonClosedDialog::enterMovesFocus(std::initializer_list<QWidget*> controls) {
  for (QWidget* control : controls) control->installEventFilter(this);
}

bool ButtonClosedDialog::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      focusNextChild();
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

void ButtonClosedDialog::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) return;
  QDialog::keyPressEvent(event);
}

}  // namespace cv7::app
