#include "TimerThread.h"

namespace cv7::host {

TimerThread::TimerThread(Callback callback) : callback_(std::move(callback)), thread_([this] { run(); }) {}

TimerThread::~TimerThread() { stop(); }

void TimerThread::set(core::TimerId timer, uint32_t milliseconds) {
  std::lock_guard guard(mutex_);
  due_[timer] = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  wake_.notify_all();
}

bool TimerThread::cancel(core::TimerId timer) {
  std::lock_guard guard(mutex_);
  return due_.erase(timer) > 0;
}

void TimerThread::stop() {
  {
    std::lock_guard guard(mutex_);
    stopping_ = true;
    due_.clear();
    wake_.notify_all();
  }
  if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
}

uint64_t TimerThread::fired() const {
  std::lock_guard guard(mutex_);
  return fired_;
}

void TimerThread::run() {
  std::unique_lock lock(mutex_);
  while (!stopping_) {
    if (due_.empty()) {
      wake_.wait(lock);
      continue;
    }
    auto next = due_.begin();
    for (auto it = due_.begin(); it != due_.end(); ++it)
      if (it->second < next->second) next = it;
    if (std::chrono::steady_clock::now() < next->second) {
      wake_.wait_until(lock, next->second);
      continue;
    }
    core::TimerId timer = next->first;
    due_.erase(next);
    ++fired_;
    lock.unlock();
    callback_(timer);
    lock.lock();
  }
}

}  // namespace cv7::host
