// The adapter's information requests as the network stack makes them: one at a time, and
// a pending set (the multicast list) completes before the next request starts.
#pragma once
#include <condition_variable>
#include <cstdint>
#include <mutex>

#include "NdisStatus.h"

namespace cv7::core {
class Miniport;
}

namespace cv7::host {

class AdapterRequests {
 public:
  explicit AdapterRequests(core::Miniport& miniport) : miniport_(miniport) {}

  core::Status query(uint32_t oid, void* buffer, uint32_t length, uint32_t& written, uint32_t& needed);
  // A set that pends is waited for (its completion's status is returned).
  core::Status set(uint32_t oid, const void* buffer, uint32_t length, uint32_t& read, uint32_t& needed);
  // The platform's set-information completion.
  void completed(core::Status status);

 private:
  core::Miniport& miniport_;
  std::mutex serial_;  // one request at a time
  std::mutex lock_;
  std::condition_variable done_;
  bool pending_ = false;
  core::Status completion_ = core::NDIS_STATUS_SUCCESS;
};

}  // namespace cv7::host
