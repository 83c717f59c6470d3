// Client events held by the driver: eventfds received with a control request. A referenced
// event is a dup of the received fd under a fresh object number; signalling writes 1 to it,
// releasing closes it. Unknown or already released objects are ignored, because the core may
// signal an event while its client is closing it.
#pragma once
#include <cstdint>
#include <map>
#include <mutex>

#include "platform.h"

namespace cv7::host {

class EventTable {
 public:
  EventTable() = default;
  ~EventTable();
  EventTable(const EventTable&) = delete;
  EventTable& operator=(const EventTable&) = delete;

  // Keeps a duplicate of fd; returns its object number, 0 when the fd cannot be duplicated.
  core::EventObject add(int fd);
  bool signal(core::EventObject object);
  void release(core::EventObject object);
  size_t size() const;

 private:
  mutable std::mutex mutex_;
  std::map<core::EventObject, int> fds_;
  core::EventObject next_ = 1;
};

}  // namespace cv7::host
