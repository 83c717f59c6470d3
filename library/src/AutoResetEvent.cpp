#include "AutoResetEvent.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>

namespace corvane {

AutoResetEvent::~AutoResetEvent() { close(); }

bool AutoResetEvent::create() {
  close();
  int fd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (fd < 0) return false;
  // Handle 0 means "no event" to the driver, so the fd must not be 0.
  if (fd < 3) {
    int moved = ::fcntl(fd, F_DUPFD_CLOEXEC, 3);
    ::close(fd);
    if (moved < 0) return false;
    fd = moved;
  }
  fd_ = fd;
  return true;
}

void AutoResetEvent::close() {
  if (fd_ < 0) return;
  ::close(fd_);
  fd_ = -1;
}

void AutoResetEvent::signal() {
  if (fd_ < 0) return;
  uint64_t one = 1;
  while (::write(fd_, &one, sizeof one) < 0 && errno == EINTR) {
  }
}

bool AutoResetEvent::wait(int timeoutMilliseconds) {
  if (fd_ < 0) return false;
  pollfd entry{fd_, POLLIN, 0};
  int ready;
  do {
    ready = ::poll(&entry, 1, timeoutMilliseconds);
  } while (ready < 0 && errno == EINTR);
  if (ready <= 0) return false;
  uint64_t count = 0;
  return ::read(fd_, &count, sizeof count) == sizeof count;
}

}  // namespace corvane
