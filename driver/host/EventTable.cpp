#include "EventTable.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

namespace cv7::host {

EventTable::Descriptor::~Descriptor() { ::close(fd); }

// The kernel names the file of an eventfd "anon_inode:[eventfd]".
bool EventTable::isEventfd(int fd) {
  if (fd < 0) return false;
  std::string link = "/proc/self/fd/" + std::to_string(fd);
  char target[64];
  ssize_t length = ::readlink(link.c_str(), target, sizeof target - 1);
  if (length < 0) return false;
  target[length] = '\0';
  return std::strcmp(target, "anon_inode:[eventfd]") == 0;
}

core::EventObject EventTable::add(int fd) {
  if (!isEventfd(fd)) return 0;
  int copy = ::fcntl(fd, F_DUPFD_CLOEXEC, 3);
  if (copy < 0) return 0;
  auto descriptor = std::make_shared<const Descriptor>(copy);
  // The flag belongs to the open file the client shares; a waiter polls it anyway.
  int flags = ::fcntl(copy, F_GETFL);
  if (flags < 0 || ::fcntl(copy, F_SETFL, flags | O_NONBLOCK) != 0) return 0;
  std::lock_guard guard(mutex_);
  core::EventObject object = next_++;
  fds_[object] = std::move(descriptor);
  return object;
}

bool EventTable::signal(core::EventObject object) {
  std::shared_ptr<const Descriptor> descriptor;
  {
    std::lock_guard guard(mutex_);
    auto found = fds_.find(object);
    if (found == fds_.end()) return false;
    descriptor = found->second;
  }
  uint64_t one = 1;
  ssize_t written;
  do {
    written = ::write(descriptor->fd, &one, sizeof one);
  } while (written < 0 && errno == EINTR);
  // EAGAIN: the counter is at its maximum, the waiter has plenty to read.
  return written == sizeof one || (written < 0 && errno == EAGAIN);
}

void EventTable::release(core::EventObject object) {
  std::shared_ptr<const Descriptor> descriptor;
  std::lock_guard guard(mutex_);
  auto found = fds_.find(object);
  if (found == fds_.end()) return;
  descriptor = std::move(found->second);
  fds_.erase(found);
  // Closed after the lock is left (the descriptor is destroyed last), or by a signal still
  // writing to it.
}

size_t EventTable::size() const {
  std::lock_guard guard(mutex_);
  return fds_.size();
}

}  // namespace cv7::host
