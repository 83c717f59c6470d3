#include "AdapterRequests.h"

#include <chrono>

#include "Miniport.h"

namespace cv7::host {

core::Status AdapterRequests::query(uint32_t oid, void* buffer, uint32_t length, uint32_t& written, uint32_t& needed) {
  std::lock_guard serial(serial_);
  return miniport_.queryInformation(oid, buffer, length, written, needed);
}

core::Status AdapterRequests::set(uint32_t oid, const void* buffer, uint32_t length, uint32_t& read, uint32_t& needed) {
  std::lock_guard serial(serial_);
  {
    std::lock_guard guard(lock_);
    pending_ = true;
  }
  core::Status status = miniport_.setInformation(oid, buffer, length, read, needed);
  std::unique_lock guard(lock_);
  if (status != core::NDIS_STATUS_PENDING) {
    pending_ = false;
    return status;
  }
  // The multicast timer completes it within about 10 ms, plus the card command.
  if (!done_.wait_for(guard, std::chrono::seconds(5), [&] { return !pending_; })) {
    pending_ = false;
    return core::NDIS_STATUS_FAILURE;
  }
  return completion_;
}

void AdapterRequests::completed(core::Status status) {
  std::lock_guard guard(lock_);
  pending_ = false;
  completion_ = status;
  done_.notify_all();
}

}  // namespace cv7::host
