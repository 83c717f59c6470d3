// One-shot timers on their own thread. A timer set again before it fires is re-armed; the
// callback runs on the timer thread without any lock held.
#pragma once
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <thread>

#include "platform.h"

namespace cv7::host {

class TimerThread {
 public:
  using Callback = std::function<void(core::TimerId)>;
  explicit TimerThread(Callback callback);
  ~TimerThread();
  TimerThread(const TimerThread&) = delete;
  TimerThread& operator=(const TimerThread&) = delete;

  void set(core::TimerId timer, uint32_t milliseconds);
  // True when the timer was pending and will not fire.
  bool cancel(core::TimerId timer);
  // Ends the thread; pending timers do not fire. Waits for a running callback.
  void stop();
  uint64_t fired() const;

 private:
  void run();

  Callback callback_;
  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::map<core::TimerId, std::chrono::steady_clock::time_point> due_;
  bool stopping_ = false;
  uint64_t fired_ = 0;
  std::thread thread_;
};

}  // namespace cv7::host
