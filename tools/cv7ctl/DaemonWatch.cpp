#include "DaemonWatch.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#include "Failure.h"

namespace cv7ctl {

DaemonWatch::DaemonWatch() {
  fd_ = connectUnix(devicePath(), SOCK_SEQPACKET);
  if (fd_ < 0) throw Failure::unreachable(errno);
}

DaemonWatch::~DaemonWatch() {
  if (fd_ >= 0) ::close(fd_);
}

void DaemonWatch::check() {
  pollfd watched{fd_, POLLIN, 0};
  if (::poll(&watched, 1, 0) <= 0) return;  // nothing sent to an idle client: still there
  ::close(fd_);
  fd_ = connectUnix(devicePath(), SOCK_SEQPACKET);
  if (fd_ < 0) throw Failure::daemonNotRunning();
}

}  // namespace cv7ctl
