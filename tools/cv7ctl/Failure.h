// A failure of a command: its message and its exit status. Commands throw one; main prints
// "cv7ctl: MESSAGE" once and exits with the status. The factory functions keep the message
// of each kind the same in every command.
#pragma once
#include <stdexcept>
#include <string>

#include "ExitStatus.h"

namespace cv7ctl {

class Failure : public std::runtime_error {
 public:
  Failure(ExitStatus status, const std::string& message) : std::runtime_error(message), status_(status) {}
  ExitStatus status() const { return status_; }

  static Failure badArgument(const std::string& what);
  static Failure cardError(const std::string& what);
  static Failure noSignal(const std::string& what);
  static Failure file(const std::string& path, const std::string& reason);
  static Failure daemonNotRunning();
  static Failure noPermission();
  // The failure for a socket that could not be connected, from its errno.
  static Failure unreachable(int error);
  // A request through the library failed: when the control socket no longer answers the
  // daemon is not running (or refuses this user); otherwise the card or the driver refused.
  static Failure diagnose(const std::string& cardWhat);

 private:
  ExitStatus status_;
};

// The control socket: $CV7_DEVICE, else /run/cv7/Cv7Dev. The admin socket is beside it.
std::string devicePath();
std::string adminPath();

// Connects a Unix socket of the given type; -1 with errno set when it cannot.
int connectUnix(const std::string& path, int type);

}  // namespace cv7ctl
