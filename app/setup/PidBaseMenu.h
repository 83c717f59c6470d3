// The number base popup menu (214: "Hexadecimal", "Decimal", the current one checked) that
// the label 1022 of the data PID page and of its dialog open on a right click.
#pragma once
#include <QMenu>
#include <optional>

#include "DataPidText.h"

namespace cv7::app {

class PidBaseMenu : public QMenu {
  Q_OBJECT

 public:
  static constexpr int kHexadecimal = 32777;
  static constexpr int kDecimal = 32776;

  explicit PidBaseMenu(QWidget* parent = nullptr);

  // Opens at `at` (global) and returns the chosen base, none when closed without a choice.
  std::optional<PidBase> choose(const QPoint& at);
};

}  // namespace cv7::app
