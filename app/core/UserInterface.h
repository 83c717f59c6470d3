// What the application's logic asks of the person in front of it, without touching a
// widget: message boxes (texts from the string table) and the wait cursor. The tray
// application implements it with Qt widgets, the headless service with its log, and tests
// with RecordingUserInterface (app/core/testing), which answers with chosen buttons.
//
// Logic may call it from the window thread or the network worker; an implementation shows
// the box on the window thread and blocks the caller until it is answered.
#pragma once
#include <QString>

#include "StringTable.h"

namespace cv7::app {

enum class MessageIcon { Information, Exclamation, Question };
enum class MessageButtons { Ok, OkCancel };
// The button that closed a box, numbered as the window system numbers them.
enum class MessageButton { Ok = 1, Cancel = 2 };

struct MessageStyle {
  MessageButtons buttons = MessageButtons::Ok;
  MessageIcon icon = MessageIcon::Information;  // the plain style shows the information icon

  static MessageStyle exclamation() { return {MessageButtons::Ok, MessageIcon::Exclamation}; }
  static MessageStyle question() { return {MessageButtons::OkCancel, MessageIcon::Question}; }
  bool operator==(const MessageStyle&) const = default;
};

class UserInterface {
 public:
  explicit UserInterface(const StringTable& strings) : strings_(strings) {}
  virtual ~UserInterface() = default;
  UserInterface(const UserInterface&) = delete;
  UserInterface& operator=(const UserInterface&) = delete;

  const StringTable& strings() const { return strings_; }

  // A box with text and title from the string table (0: "No message", "No title"). Every box
  // stays on top of other windows.
  MessageButton messageBox(int textId, int titleId, MessageStyle style = {});
  // The same with a text given directly.
  MessageButton messageBox(const QString& text, int titleId, MessageStyle style = {});
  // A file message: the text of `textId`, a line break and the path in double quotes, with
  // the application's title and the exclamation icon.
  MessageButton fileMessage(int textId, const QString& path);

  // The wait cursor over the whole application while on.
  virtual void setWaitCursor(bool on) = 0;

 protected:
  // Shows one box and returns the button that closed it.
  virtual MessageButton showMessage(const QString& text, const QString& title, MessageStyle style) = 0;

 private:
  const StringTable& strings_;
};

}  // namespace cv7::app
