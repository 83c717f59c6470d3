#include "HeadlessUserInterface.h"

#include <mutex>

namespace cv7::app {

QString HeadlessUserInterface::oneLine(const QString& text) {
  QString line = text;
  line.replace(QLatin1String("\r\n"), QLatin1String(" "));
  line.replace(QLatin1Char('\n'), QLatin1Char(' '));
  line.replace(QLatin1Char('\r'), QLatin1Char(' '));
  return line;
}

MessageButton HeadlessUserInterface::showMessage(const QString& text, const QString& title, MessageStyle) {
  static std::mutex writing;  // the worker and the window thread may both show boxes
  const QByteArray line = QStringLiteral("%1: %2 [OK]\n").arg(title, oneLine(text)).toUtf8();
  std::lock_guard lock(writing);
  std::fwrite(line.constData(), 1, size_t(line.size()), out_);
  std::fflush(out_);
  return MessageButton::Ok;
}

}  // namespace cv7::app
