#include "RecordingUserInterface.h"

#include <QStringList>

namespace cv7::app {

void RecordingUserInterface::answerNext(MessageButton button) {
  std::lock_guard lock(mutex_);
  answers_.push_back(button);
}

std::vector<ShownMessage> RecordingUserInterface::messages() const {
  std::lock_guard lock(mutex_);
  return messages_;
}

QStringList RecordingUserInterface::texts() const {
  QStringList list;
  for (const ShownMessage& m : messages()) list << m.text;
  return list;
}

bool RecordingUserInterface::showed(int textId) const {
  const QString wanted = strings().text(textId);
  for (const ShownMessage& m : messages())
    if (m.text.startsWith(wanted)) return true;
  return false;
}

std::vector<bool> RecordingUserInterface::cursorChanges() const {
  std::lock_guard lock(mutex_);
  return cursor_;
}

void RecordingUserInterface::clear() {
  std::lock_guard lock(mutex_);
  messages_.clear();
  answers_.clear();
  cursor_.clear();
}

void RecordingUserInterface::setWaitCursor(bool on) {
  std::lock_guard lock(mutex_);
  cursor_.push_back(on);
}

MessageButton RecordingUserInterface::showMessage(const QString& text, const QString& title, MessageStyle style) {
  std::lock_guard lock(mutex_);
  messages_.push_back({text, title, style});
  if (answers_.empty()) return MessageButton::Ok;
  MessageButton answer = answers_.front();
  answers_.pop_front();
  return answer;
}

}  // namespace cv7::app
