// Dialog timers for tests: nothing fires by itself; the test sees which timers run with
// which period and fires them by hand.
#pragma once
#include <chrono>
#include <map>

#include "DialogTimers.h"

namespace cv7::app {

class FakeDialogTimers : public DialogTimers {
 public:
  void setTimer(int id, std::chrono::milliseconds period) override { running_[id] = period; }
  void killTimer(int id) override { running_.erase(id); }

  bool runs(int id) const { return running_.count(id) != 0; }
  // The period of a running timer (0 when it does not run).
  std::chrono::milliseconds period(int id) const {
    auto found = running_.find(id);
    return found == running_.end() ? std::chrono::milliseconds(0) : found->second;
  }

 private:
  std::map<int, std::chrono::milliseconds> running_;
};

}  // namespace cv7::app
