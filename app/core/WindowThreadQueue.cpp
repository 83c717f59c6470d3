#include "WindowThreadQueue.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdint>

namespace cv7::app {

WindowThreadQueue::WindowThreadQueue() : wakeFd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
  if (wakeFd_ < 0) return;
  notifier_ = std::make_unique<QSocketNotifier>(wakeFd_, QSocketNotifier::Read);
  connect(notifier_.get(), &QSocketNotifier::activated, this, &WindowThreadQueue::runQueued);
}

WindowThreadQueue::~WindowThreadQueue() {
  notifier_.reset();
  if (wakeFd_ >= 0) ::close(wakeFd_);
}

void WindowThreadQueue::post(std::function<void()> work) {
  {
    std::lock_guard lock(mutex_);
    queued_.push_back(std::move(work));
  }
  const uint64_t one = 1;
  [[maybe_unused]] ssize_t written = ::write(wakeFd_, &one, sizeof one);
}

void WindowThreadQueue::runQueued() {
  uint64_t count;
  [[maybe_unused]] ssize_t read = ::read(wakeFd_, &count, sizeof count);
  for (;;) {
    std::function<void()> work;
    {
      std::lock_guard lock(mutex_);
      if (queued_.empty()) return;
      work = std::move(queued_.front());
      queued_.pop_front();
    }
    work();
  }
}

}  // namespace cv7::app
