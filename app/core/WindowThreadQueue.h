// Work that other threads hand to the window thread, run there in order by its event loop.
//
// Deliberately not Qt's queued calls: those pass their data through Qt's own locks and
// reference counts, which the thread sanitizer cannot see in the uninstrumented Qt library,
// so every cross-thread call would read as a data race. Here the work goes through a queue
// under an ordinary mutex, and an eventfd watched by a QSocketNotifier wakes the event loop.
#pragma once
#include <QObject>
#include <QSocketNotifier>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

namespace cv7::app {

class WindowThreadQueue : public QObject {
  Q_OBJECT

 public:
  // The constructing thread is the window thread; it must run an event loop.
  WindowThreadQueue();
  ~WindowThreadQueue() override;
  WindowThreadQueue(const WindowThreadQueue&) = delete;
  WindowThreadQueue& operator=(const WindowThreadQueue&) = delete;

  // Any thread: `work` runs later on the window thread. Work still queued when the queue is
  // destroyed does not run.
  void post(std::function<void()> work);

 private:
  void runQueued();

  int wakeFd_ = -1;
  std::unique_ptr<QSocketNotifier> notifier_;
  std::mutex mutex_;
  std::deque<std::function<void()>> queued_;
};

}  // namespace cv7::app
