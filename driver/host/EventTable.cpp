#include "EventTable.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace cv7::host {

EventTable::~EventTable() {
  for (auto& [object, fd] : fds_) ::close(fd);
}

core::EventObject EventTable::add(int fd) {
  int copy = ::fcntl(fd, F_DUPFD_CLOEXEC, 3);
  if (copy < 0) return 0;
  std::lock_guard guard(mutex_);
  core::EventObject object = next_++;
  fds_[object] = copy;
  return object;
}

bool EventTable::signal(core::EventObject object) {
  std::lock_guard guard(mutex_);
  auto found = fds_.find(object);
  if (found == fds_.end()) return false;
  uint64_t one = 1;
  // An eventfd at its maximum count would block or fail; either way the waiter is awake.
  ssize_t written;
  do {
    written = ::write(found->second, &one, sizeof one);
  } while (written < 0 && errno == EINTR);
  return written == sizeof one;
}

void EventTable::release(core::EventObject object) {
  int fd = -1;
  {
    std::lock_guard guard(mutex_);
    auto found = fds_.find(object);
    if (found == fds_.end()) return;
    fd = found->second;
    fds_.erase(found);
  }
  ::close(fd);
}

size_t EventTable::size() const {
  std::lock_guard guard(mutex_);
  return fds_.size();
}

}  // namespace cv7::host
