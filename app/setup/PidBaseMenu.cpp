#include "PidBaseMenu.h"

namespace cv7::app {

PidBaseMenu::PidBaseMenu(QWidget* parent) : QMenu(parent) {
  setObjectName(QStringLiteral("id214"));
  const PidBase current = pidNumberBase();
  const std::pair<const char*, PidBase> entries[] = {{"Hexadecimal", PidBase::Hexadecimal}, {"Decimal", PidBase::Decimal}};
  for (const auto& [text, base] : entries) {
    QAction* action = addAction(QString::fromLatin1(text));
    action->setObjectName(QStringLiteral("id%1").arg(base == PidBase::Hexadecimal ? kHexadecimal : kDecimal));
    action->setCheckable(true);
    action->setChecked(base == current);
    action->setData(int(base));
  }
}

std::optional<PidBase> PidBaseMenu::choose(const QPoint& at) {
  QAction* chosen = exec(at);
  if (!chosen) return std::nullopt;
  return PidBase(chosen->data().toInt());
}

}  // namespace cv7::app
