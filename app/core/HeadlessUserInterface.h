// The user interface of the headless service: each message box becomes one line on standard
// error (the service's journal), "TITLE: TEXT [OK]" (the title is "Cv7d"), and is answered at
// once with its default button (OK). There is no cursor to change.
#pragma once
#include <cstdio>

#include "UserInterface.h"

namespace cv7::app {

class HeadlessUserInterface : public UserInterface {
 public:
  explicit HeadlessUserInterface(const StringTable& strings, std::FILE* out = stderr)
      : UserInterface(strings), out_(out) {}

  void setWaitCursor(bool) override {}
  // One line of a box's text: its line breaks become spaces.
  static QString oneLine(const QString& text);

 protected:
  MessageButton showMessage(const QString& text, const QString& title, MessageStyle style) override;

 private:
  std::FILE* out_;
};

}  // namespace cv7::app
