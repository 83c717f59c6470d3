// The interrupt line of the card and the thread that serves it: while the line is asserted
// and the interrupt is connected, the thread calls the interrupt routine and, when that asks
// for it, the deferred routine. setLevel is called by the card model from any thread (often
// under the model's own lock), so it only records the level and wakes the thread.
#pragma once
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

#include "HostInterfaces.h"

namespace cv7::host {

class InterruptThread final : public sim::InterruptLine {
 public:
  // isr(recognised, queueDeferred); deferred() runs the deferred routine.
  using Isr = std::function<void(bool& recognised, bool& queueDeferred)>;
  using Deferred = std::function<void()>;

  InterruptThread() = default;
  ~InterruptThread() override;
  InterruptThread(const InterruptThread&) = delete;
  InterruptThread& operator=(const InterruptThread&) = delete;

  // realtime: the thread asks for real-time priority first.
  void start(Isr isr, Deferred deferred, bool realtime = false);
  void stop();
  // Connects or disconnects delivery. disconnect() returns after a running routine ended.
  void connect();
  void disconnect();
  void setLevel(bool asserted) override;

  uint64_t interrupts() const;
  uint64_t unrecognised() const;

 private:
  void run();

  Isr isr_;
  Deferred deferred_;
  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::condition_variable idle_;
  bool asserted_ = false;
  bool connected_ = false;
  bool running_ = false;  // a routine is executing
  bool stopping_ = false;
  uint64_t edges_ = 0;    // counts rising edges, so an unrecognised level waits for a new one
  uint64_t interrupts_ = 0, unrecognised_ = 0;
  std::thread thread_;
};

}  // namespace cv7::host
