#include "QtDialogTimers.h"

namespace cv7::app {

void QtDialogTimers::setTimer(int id, std::chrono::milliseconds period) {
  std::unique_ptr<QTimer>& timer = timers_[id];
  if (!timer) {
    timer = std::make_unique<QTimer>();
    QObject::connect(timer.get(), &QTimer::timeout, [this, id] { handler_(id); });
  }
  timer->start(period);
}

void QtDialogTimers::killTimer(int id) {
  auto found = timers_.find(id);
  if (found != timers_.end()) found->second->stop();
}

}  // namespace cv7::app
