// The tray program's user interface: message boxes as QMessageBox (title from the string
// table, the style's icon and buttons, always on top) and the wait cursor over the whole
// application. A box asked for by another thread (the network worker) is shown on the window
// thread while that thread waits; once the window thread's invoker is closed such a box is
// not shown and counts as closed with its escape button.
#pragma once
#include <QMessageBox>
#include <QPointer>
#include <vector>

#include "UserInterface.h"
#include "WindowThreadInvoker.h"

namespace cv7::app {

class QtUserInterface : public UserInterface {
 public:
  QtUserInterface(const StringTable& strings, WindowThreadInvoker& invoker);

  void setWaitCursor(bool on) override;
  // Closes every box still open (at shut-down), each with its escape button, so that a
  // termination request is not held up by a box nobody answers.
  void closeOpenBoxes();

 protected:
  MessageButton showMessage(const QString& text, const QString& title, MessageStyle style) override;

 private:
  MessageButton showHere(const QString& text, const QString& title, MessageStyle style);

  WindowThreadInvoker& invoker_;
  std::vector<QPointer<QMessageBox>> open_;
};

}  // namespace cv7::app
