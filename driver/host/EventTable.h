// Client events held by the driver: eventfds received with a control request. A referenced
// event is a non-blocking dup of the received fd under a fresh object number; signalling
// writes 1 to it, releasing closes it. Unknown or already released objects are ignored,
// because the core may signal an event while its client is closing it.
//
// Signalling never blocks and never writes while the table's lock is held: the interrupt
// thread signals card and data events, and a client must not be able to stop it. An eventfd
// whose counter is at its maximum cannot take another 1; its waiter is awake anyway, so
// that counts as signalled.
#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>

#include "platform.h"

namespace cv7::host {

class EventTable {
 public:
  EventTable() = default;
  EventTable(const EventTable&) = delete;
  EventTable& operator=(const EventTable&) = delete;

  // True when fd is an eventfd (any other descriptor is refused as an event).
  static bool isEventfd(int fd);

  // Keeps a non-blocking duplicate of an eventfd; returns its object number, 0 when fd is
  // no eventfd or cannot be duplicated.
  core::EventObject add(int fd);
  bool signal(core::EventObject object);
  void release(core::EventObject object);
  size_t size() const;

 private:
  // Closes its descriptor when the last user (table or a signal in progress) lets go.
  struct Descriptor {
    int fd;
    explicit Descriptor(int f) : fd(f) {}
    ~Descriptor();
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
  };

  mutable std::mutex mutex_;
  std::map<core::EventObject, std::shared_ptr<const Descriptor>> fds_;
  core::EventObject next_ = 1;
};

}  // namespace cv7::host
