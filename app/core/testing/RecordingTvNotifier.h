// A TV notifier for tests: records every (code, value) in order; a hook may act on each (a
// test can change the world between the announcement of a lock test and the test itself).
#pragma once
#include <functional>
#include <mutex>
#include <utility>
#include <vector>

#include "TvNotifier.h"

namespace cv7::app {

class RecordingTvNotifier : public TvNotifier {
 public:
  using Notice = std::pair<int, int>;
  std::function<void(int code, int value)> hook;  // set before the notices come

  void notifyTv(int code, int value) override {
    {
      std::lock_guard lock(mutex_);
      notices_.emplace_back(code, value);
    }
    if (hook) hook(code, value);
  }
  std::vector<Notice> notices() const {
    std::lock_guard lock(mutex_);
    return notices_;
  }
  void clear() {
    std::lock_guard lock(mutex_);
    notices_.clear();
  }

 private:
  mutable std::mutex mutex_;
  std::vector<Notice> notices_;
};

}  // namespace cv7::app
