#include "StatusTimer.h"

namespace cv7::app {

StatusTimer::StatusTimer(std::chrono::milliseconds interval) {
  timer_.setInterval(interval);
  timer_.setTimerType(Qt::CoarseTimer);
  connect(&timer_, &QTimer::timeout, this, &StatusTimer::expired);
}

void StatusTimer::start() { request(true); }
void StatusTimer::stop() { request(false); }

void StatusTimer::close() {
  {
    std::lock_guard lock(mutex_);
    closed_ = true;
  }
  request(false);
}

bool StatusTimer::running() const {
  std::lock_guard lock(mutex_);
  return running_;
}

void StatusTimer::request(bool run) {
  uint64_t generation;
  {
    std::lock_guard lock(mutex_);
    if (closed_ && run) return;
    running_ = run;
    generation = ++requested_;
  }
  requests_.post([this, generation] { apply(generation); });
}

void StatusTimer::apply(uint64_t generation) {
  bool run;
  {
    std::lock_guard lock(mutex_);
    if (generation != requested_) return;
    applied_ = generation;
    run = running_;
  }
  if (run) {
    timer_.start();
  } else {
    timer_.stop();
  }
}

void StatusTimer::expired() {
  {
    std::lock_guard lock(mutex_);
    if (!running_ || applied_ != requested_) return;
  }
  Q_EMIT tick();
}

}  // namespace cv7::app
