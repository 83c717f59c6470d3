#include "InterruptThread.h"

#include <chrono>

#include "RealtimePriority.h"

namespace cv7::host {

InterruptThread::~InterruptThread() { stop(); }

void InterruptThread::start(Isr isr, Deferred deferred, bool realtime) {
  isr_ = std::move(isr);
  deferred_ = std::move(deferred);
  thread_ = std::thread([this, realtime] {
    if (realtime) askRealtimePriority("interrupt");
    run();
  });
}

void InterruptThread::stop() {
  {
    std::lock_guard guard(mutex_);
    stopping_ = true;
    wake_.notify_all();
  }
  if (thread_.joinable()) thread_.join();
}

void InterruptThread::connect() {
  std::lock_guard guard(mutex_);
  connected_ = true;
  wake_.notify_all();
}

void InterruptThread::disconnect() {
  std::unique_lock lock(mutex_);
  connected_ = false;
  if (thread_.get_id() == std::this_thread::get_id()) return;
  idle_.wait(lock, [this] { return !running_; });
}

void InterruptThread::setLevel(bool asserted) {
  std::lock_guard guard(mutex_);
  if (asserted && !asserted_) ++edges_;
  asserted_ = asserted;
  wake_.notify_all();
}

uint64_t InterruptThread::interrupts() const {
  std::lock_guard guard(mutex_);
  return interrupts_;
}

uint64_t InterruptThread::unrecognised() const {
  std::lock_guard guard(mutex_);
  return unrecognised_;
}

void InterruptThread::run() {
  std::unique_lock lock(mutex_);
  uint64_t servedEdge = 0;
  while (!stopping_) {
    // A line the routine did not claim is served again only on a new edge (or after a
    // short pause, as a shared line would be polled again by the next interrupt).
    bool ready = connected_ && asserted_;
    if (!ready) {
      wake_.wait(lock);
      continue;
    }
    running_ = true;
    uint64_t edge = edges_;
    lock.unlock();
    bool recognised = false, queueDeferred = false;
    isr_(recognised, queueDeferred);
    if (queueDeferred) deferred_();
    lock.lock();
    running_ = false;
    idle_.notify_all();
    ++interrupts_;
    if (!recognised) {
      ++unrecognised_;
      servedEdge = edge;
      wake_.wait_for(lock, std::chrono::milliseconds(10), [&] { return stopping_ || edges_ != servedEdge; });
    }
  }
  running_ = false;
  idle_.notify_all();
}

}  // namespace cv7::host
