// An auto-reset event on an eventfd: signal() sets it, a wait that sees it set also resets
// it. The fd travels to the driver, which signals it by writing 1.
#pragma once
#include <cstdint>

namespace corvane {

class AutoResetEvent {
 public:
  AutoResetEvent() = default;
  ~AutoResetEvent();
  AutoResetEvent(const AutoResetEvent&) = delete;
  AutoResetEvent& operator=(const AutoResetEvent&) = delete;

  bool create();  // not signalled
  void close();
  bool valid() const { return fd_ >= 0; }
  int fd() const { return fd_; }
  void signal();
  // Waits up to timeoutMilliseconds (-1: without time-out); true when it was signalled.
  bool wait(int timeoutMilliseconds);

 private:
  int fd_ = -1;
};

}  // namespace corvane
