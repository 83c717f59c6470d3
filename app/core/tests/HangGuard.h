// Ends the test process with a message when a step that must not hang (an exit, a close)
// has not finished within its bound, instead of leaving it to the test runner's time-out.
#pragma once
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>

namespace cv7::app::test {

class HangGuard {
 public:
  HangGuard(std::string what, std::chrono::seconds bound = std::chrono::seconds(30))
      : what_(std::move(what)), watcher_([this, bound] {
          std::unique_lock lock(mutex_);
          if (!finished_.wait_for(lock, bound, [this] { return done_; })) {
            std::fprintf(stderr, "HANG: %s did not finish within %lld s\n", what_.c_str(),
                         static_cast<long long>(bound.count()));
            std::abort();
          }
        }) {}
  ~HangGuard() {
    {
      std::lock_guard lock(mutex_);
      done_ = true;
    }
    finished_.notify_all();
    watcher_.join();
  }
  HangGuard(const HangGuard&) = delete;
  HangGuard& operator=(const HangGuard&) = delete;

 private:
  std::string what_;
  std::mutex mutex_;
  std::condition_variable finished_;
  bool done_ = false;
  std::thread watcher_;  // last: it uses the members above
};

}  // namespace cv7::app::test
