// A clock for tests: waits return at once and are recorded; a hook runs at each wait, so a
// test can change the world between two attempts.
#pragma once
#include <functional>
#include <mutex>
#include <vector>

#include "Clock.h"

namespace cv7::app {

class FakeClock : public Clock {
 public:
  // Called with the number of the wait (1, 2, ...) before it returns.
  void onSleep(std::function<void(int)> hook) { hook_ = std::move(hook); }
  std::vector<std::chrono::milliseconds> sleeps() const {
    std::lock_guard lock(mutex_);
    return sleeps_;
  }

  void sleepFor(std::chrono::milliseconds duration) override {
    int number;
    {
      std::lock_guard lock(mutex_);
      sleeps_.push_back(duration);
      number = int(sleeps_.size());
    }
    if (hook_) hook_(number);
  }

 private:
  mutable std::mutex mutex_;
  std::vector<std::chrono::milliseconds> sleeps_;
  std::function<void(int)> hook_;
};

}  // namespace cv7::app
