// Runs work on the window thread for another thread and waits for it: a message that a
// library thread sends to the main frame, a message box that the network worker shows.
//
// At exit the window thread closes it before it waits for those threads (the worker's end,
// the library's Cvn_CloseSystem): every call still waiting then returns without having run,
// and later calls return at once, so no thread stays blocked on a window thread that no
// longer serves it.
#pragma once
#include <QObject>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "WindowThreadQueue.h"

namespace cv7::app {

class WindowThreadInvoker : public QObject {
  Q_OBJECT

 public:
  // The constructing thread is the window thread; it must run an event loop.
  WindowThreadInvoker();
  ~WindowThreadInvoker() override;

  // Runs `work` on the window thread (at once when called there) and returns true when it
  // ran; false, without running it, once the invoker is closed.
  bool call(const std::function<void()>& work);
  // Window thread: refuses every waiting and later call.
  void close();
  bool closed() const;
  bool onWindowThread() const;

 private:
  struct Call;
  void run(const std::shared_ptr<Call>& call);

  WindowThreadQueue queue_;
  mutable std::mutex mutex_;
  std::condition_variable finished_;
  std::vector<std::shared_ptr<Call>> waiting_;
  bool closed_ = false;
};

}  // namespace cv7::app
