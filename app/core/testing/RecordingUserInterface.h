// The user interface of tests: records every message box and wait-cursor change and answers
// each box with a button the test chose beforehand (by default the box's first button, OK).
// Safe to use from several threads.
#pragma once
#include <QString>
#include <deque>
#include <mutex>
#include <vector>

#include "UserInterface.h"

namespace cv7::app {

struct ShownMessage {
  QString text;
  QString title;
  MessageStyle style;
};

class RecordingUserInterface : public UserInterface {
 public:
  explicit RecordingUserInterface(const StringTable& strings) : UserInterface(strings) {}

  // The next box is closed with `button`; later boxes take the following answers, then OK.
  void answerNext(MessageButton button);
  std::vector<ShownMessage> messages() const;
  // The texts of the boxes shown so far, in order.
  QStringList texts() const;
  // True when a box shown so far began with the text of `textId`.
  bool showed(int textId) const;
  // The wait cursor's changes in order (true = on).
  std::vector<bool> cursorChanges() const;
  void clear();

  void setWaitCursor(bool on) override;

 protected:
  MessageButton showMessage(const QString& text, const QString& title, MessageStyle style) override;

 private:
  mutable std::mutex mutex_;
  std::vector<ShownMessage> messages_;
  std::deque<MessageButton> answers_;
  std::vector<bool> cursor_;
};

}  // namespace cv7::app
