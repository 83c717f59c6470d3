// The control request being dispatched on this thread: the fds that came with it and the
// handle numbers that name them. Platform::referenceEvent looks the handle words up here,
// as the kernel resolves a handle in the context of the calling process.
#pragma once
#include <cstdint>
#include <vector>

#include "platform.h"

namespace cv7::host {

struct RequestContext {
  const uint32_t* handles = nullptr;  // sender-side handle numbers, one per fd
  const int* fds = nullptr;
  uint32_t count = 0;
  std::vector<core::EventObject> referenced;  // objects made from these fds

  // The fd that the sender called `handle`, or -1.
  int fdFor(uint32_t handle) const {
    if (handle == 0) return -1;
    for (uint32_t i = 0; i < count; ++i)
      if (handles[i] == handle) return fds[i];
    return -1;
  }

  static RequestContext*& current() {
    static thread_local RequestContext* context = nullptr;
    return context;
  }
};

// Installs a context as the current one for the lifetime of the scope.
class RequestScope {
 public:
  explicit RequestScope(RequestContext& context) : previous_(RequestContext::current()) {
    RequestContext::current() = &context;
  }
  ~RequestScope() { RequestContext::current() = previous_; }
  RequestScope(const RequestScope&) = delete;
  RequestScope& operator=(const RequestScope&) = delete;

 private:
  RequestContext* previous_;
};

}  // namespace cv7::host
