// Dialog timers on Qt's timers: each running id is a QTimer of the window thread whose
// expiry calls the handler with the id.
#pragma once
#include <QTimer>
#include <functional>
#include <map>
#include <memory>

#include "DialogTimers.h"

namespace cv7::app {

class QtDialogTimers : public DialogTimers {
 public:
  explicit QtDialogTimers(std::function<void(int id)> handler) : handler_(std::move(handler)) {}

  void setTimer(int id, std::chrono::milliseconds period) override;
  void killTimer(int id) override;

 private:
  std::function<void(int)> handler_;
  std::map<int, std::unique_ptr<QTimer>> timers_;
};

}  // namespace cv7::app
