// An event that wakes one wait and then is reset, created not signalled. A signal while
// nobody waits is kept for the next wait; several such signals count as one.
#pragma once
#include <condition_variable>
#include <mutex>

namespace cv7::app {

class AutoResetEvent {
 public:
  void signal() {
    {
      std::lock_guard lock(mutex_);
      signalled_ = true;
    }
    changed_.notify_one();
  }
  void wait() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return signalled_; });
    signalled_ = false;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  bool signalled_ = false;
};

}  // namespace cv7::app
