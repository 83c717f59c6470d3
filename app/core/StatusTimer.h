// The main frame's status timer (timer 10): a tick every 2000 ms on the window thread.
//
// The network worker stops it before each address check and starts it again afterwards, so
// that no tick comes during a check and the next comes a full interval after the check
// ended. start() and stop() may be called from any thread: once stop() has returned no
// further tick is delivered until start(), even when the window thread has not yet taken the
// request, and a tick of the interval before a start() is never delivered after it.
#pragma once
#include <QObject>
#include <QTimer>
#include <chrono>
#include <cstdint>
#include <mutex>

#include "WindowThreadQueue.h"

namespace cv7::app {

class StatusTimer : public QObject {
  Q_OBJECT

 public:
  static constexpr std::chrono::milliseconds kInterval{2000};

  // Lives on the constructing thread, which must run an event loop.
  explicit StatusTimer(std::chrono::milliseconds interval = kInterval);

  void start();
  void stop();
  // Stops the timer for good: later starts (a worker's check that ends after the shut-down)
  // are ignored.
  void close();
  bool running() const;

 Q_SIGNALS:
  void tick();

 private:
  // Carries out the request of `generation` on the window thread, unless a later one came.
  void apply(uint64_t generation);
  void expired();
  void request(bool run);

  QTimer timer_;
  WindowThreadQueue requests_;
  mutable std::mutex mutex_;
  bool running_ = false;        // what the last request asked
  bool closed_ = false;
  uint64_t requested_ = 0;      // number of the last request
  uint64_t applied_ = 0;        // number of the request the QTimer follows
};

}  // namespace cv7::app
