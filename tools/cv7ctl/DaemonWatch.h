// Tells a command that waits (dump, signal) that the cv7 daemon went away: it holds a
// connection to the control socket and looks for its end without blocking. A connection
// that the daemon closed while a fresh one is still answered is replaced, not reported.
#pragma once

namespace cv7ctl {

class DaemonWatch {
 public:
  DaemonWatch();
  ~DaemonWatch();
  DaemonWatch(const DaemonWatch&) = delete;
  DaemonWatch& operator=(const DaemonWatch&) = delete;

  // Throws Failure::daemonNotRunning() once the daemon is gone.
  void check();

 private:
  int fd_ = -1;
};

}  // namespace cv7ctl
