#include "UserInterface.h"

#include "StringId.h"

namespace cv7::app {

MessageButton UserInterface::messageBox(int textId, int titleId, MessageStyle style) {
  return showMessage(strings_.messageText(textId), strings_.titleText(titleId), style);
}

MessageButton UserInterface::messageBox(const QString& text, int titleId, MessageStyle style) {
  return showMessage(text, strings_.titleText(titleId), style);
}

MessageButton UserInterface::fileMessage(int textId, const QString& path) {
  return messageBox(strings_.text(textId) + QLatin1Char('\n') + QLatin1Char('"') + path + QLatin1Char('"'),
                    StringId::AppTitle, MessageStyle::exclamation());
}

}  // namespace cv7::app
