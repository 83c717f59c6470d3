// A window as a Qt application makes one: its send is a blocking call queued to the
// window's own thread. The sending thread waits until the window thread has run the
// message, or until the window drops it (as Qt releases a caller whose pending call is
// deleted). Tasks can be run on the window thread too, as the application's own code.
#pragma once
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "corvane.h"

namespace cv7::itest {

class QueuedWindow {
 public:
  using Handler = std::function<intptr_t(uint32_t message, uintptr_t wParam, intptr_t lParam)>;

  explicit QueuedWindow(Handler handler) : handler_(std::move(handler)) {
    bridge_.window.send = &QueuedWindow::send;
    bridge_.owner = this;
    thread_ = std::thread([this] { run(); });
  }
  ~QueuedWindow() {
    {
      std::lock_guard guard(lock_);
      ending_ = true;
    }
    changed_.notify_all();
    thread_.join();
    dropPending();
  }
  QueuedWindow(const QueuedWindow&) = delete;
  QueuedWindow& operator=(const QueuedWindow&) = delete;

  CvnWindow* window() { return &bridge_.window; }
  std::thread::id threadId() const { return thread_.get_id(); }

  // Runs a task on the window thread and waits until it has run.
  void runOnWindowThread(std::function<void()> task) {
    auto call = post([task = std::move(task)] { task(); }, true);
    wait(*call);
  }
  // Messages sent and not yet run.
  size_t pending() {
    std::lock_guard guard(lock_);
    size_t count = 0;
    for (const auto& call : queue_) count += !call->task;
    return count;
  }
  // Drops the messages not yet run; their senders return 0.
  void dropPending() {
    {
      std::lock_guard guard(lock_);
      for (auto it = queue_.begin(); it != queue_.end();) {
        if ((*it)->task) {
          ++it;
          continue;
        }
        (*it)->done = true;
        it = queue_.erase(it);
      }
    }
    changed_.notify_all();
  }

 private:
  struct Call {
    std::function<void()> run;
    bool task = false;
    bool done = false;
  };
  struct Bridge {
    CvnWindow window;
    QueuedWindow* owner;
  };

  static intptr_t send(CvnWindow* self, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    QueuedWindow* me = reinterpret_cast<Bridge*>(self)->owner;
    auto result = std::make_shared<intptr_t>(0);
    auto call = me->post([me, result, message, wParam, lParam] { *result = me->handler_(message, wParam, lParam); },
                         false);
    me->wait(*call);
    return *result;
  }

  std::shared_ptr<Call> post(std::function<void()> run, bool task) {
    auto call = std::make_shared<Call>();
    call->run = std::move(run);
    call->task = task;
    {
      std::lock_guard guard(lock_);
      if (ending_ && !task) {
        call->done = true;  // a window that has ended drops what comes
        return call;
      }
      queue_.push_back(call);
    }
    changed_.notify_all();
    return call;
  }
  void wait(Call& call) {
    std::unique_lock held(lock_);
    changed_.wait(held, [&] { return call.done; });
  }
  void run() {
    std::unique_lock held(lock_);
    for (;;) {
      changed_.wait(held, [&] { return ending_ || !queue_.empty(); });
      if (queue_.empty()) return;
      auto call = queue_.front();
      queue_.pop_front();
      held.unlock();
      call->run();
      held.lock();
      call->done = true;
      changed_.notify_all();
    }
  }

  Handler handler_;
  Bridge bridge_{};
  std::mutex lock_;
  std::condition_variable changed_;
  std::deque<std::shared_ptr<Call>> queue_;
  bool ending_ = false;
  std::thread thread_;
};

}  // namespace cv7::itest
