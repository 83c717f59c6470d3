#include "QtUserInterface.h"

#include <QApplication>

namespace cv7::app {

namespace {

MessageButton escapeButton(MessageStyle style) {
  return style.buttons == MessageButtons::OkCancel ? MessageButton::Cancel : MessageButton::Ok;
}

QMessageBox::Icon boxIcon(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::Exclamation: return QMessageBox::Warning;
    case MessageIcon::Question: return QMessageBox::Question;
    case MessageIcon::Information: break;
  }
  return QMessageBox::Information;
}

}  // namespace

QtUserInterface::QtUserInterface(const StringTable& strings, WindowThreadInvoker& invoker)
    : UserInterface(strings), invoker_(invoker) {}

void QtUserInterface::setWaitCursor(bool on) {
  if (on) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
  } else {
    QApplication::restoreOverrideCursor();
  }
}

MessageButton QtUserInterface::showMessage(const QString& text, const QString& title, MessageStyle style) {
  if (invoker_.onWindowThread()) return showHere(text, title, style);
  MessageButton answer = escapeButton(style);
  invoker_.call([&] { answer = showHere(text, title, style); });
  return answer;
}

MessageButton QtUserInterface::showHere(const QString& text, const QString& title, MessageStyle style) {
  const bool withCancel = style.buttons == MessageButtons::OkCancel;
  QMessageBox box(boxIcon(style.icon), title, text, withCancel ? QMessageBox::Ok | QMessageBox::Cancel : QMessageBox::Ok);
  box.setObjectName(QStringLiteral("messageBox"));
  box.setWindowFlag(Qt::WindowStaysOnTopHint);
  box.setDefaultButton(QMessageBox::Ok);
  box.setEscapeButton(withCancel ? QMessageBox::Cancel : QMessageBox::Ok);
  open_.emplace_back(&box);
  const int result = box.exec();
  std::erase_if(open_, [&](const QPointer<QMessageBox>& b) { return b.isNull() || b == &box; });
  return result == QMessageBox::Cancel ? MessageButton::Cancel : MessageButton::Ok;
}

void QtUserInterface::closeOpenBoxes() {
  for (const QPointer<QMessageBox>& box : open_) {
    if (box) box->done(box->escapeButton() == box->button(QMessageBox::Cancel) ? QMessageBox::Cancel : QMessageBox::Ok);
  }
}

}  // namespace cv7::app
