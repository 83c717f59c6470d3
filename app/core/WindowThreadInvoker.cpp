#include "WindowThreadInvoker.h"

#include <QThread>
#include <algorithm>

namespace cv7::app {

struct WindowThreadInvoker::Call {
  enum class State { Waiting, Running, Done, Refused };
  explicit Call(const std::function<void()>& w) : work(w) {}
  const std::function<void()>& work;
  State state = State::Waiting;
};

WindowThreadInvoker::WindowThreadInvoker() = default;

WindowThreadInvoker::~WindowThreadInvoker() { close(); }

bool WindowThreadInvoker::onWindowThread() const { return QThread::currentThread() == thread(); }

bool WindowThreadInvoker::closed() const {
  std::lock_guard lock(mutex_);
  return closed_;
}

bool WindowThreadInvoker::call(const std::function<void()>& work) {
  if (onWindowThread()) {
    if (closed()) return false;
    work();
    return true;
  }
  auto call = std::make_shared<Call>(work);
  {
    std::lock_guard lock(mutex_);
    if (closed_) return false;
    waiting_.push_back(call);
  }
  queue_.post([this, call] { run(call); });
  std::unique_lock lock(mutex_);
  finished_.wait(lock, [&] { return call->state == Call::State::Done || call->state == Call::State::Refused; });
  return call->state == Call::State::Done;
}

void WindowThreadInvoker::run(const std::shared_ptr<Call>& call) {
  {
    std::lock_guard lock(mutex_);
    if (call->state != Call::State::Waiting) return;
    call->state = Call::State::Running;
    std::erase(waiting_, call);
  }
  call->work();
  {
    std::lock_guard lock(mutex_);
    call->state = Call::State::Done;
  }
  finished_.notify_all();
}

void WindowThreadInvoker::close() {
  {
    std::lock_guard lock(mutex_);
    closed_ = true;
    for (const auto& call : waiting_) call->state = Call::State::Refused;
    waiting_.clear();
  }
  finished_.notify_all();
}

}  // namespace cv7::app
