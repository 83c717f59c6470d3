// The computer's addresses as a test sets them; a look-up can be made to fail, or to wait
// until the test lets it go (to see what happens while a check runs).
#pragma once
#include <condition_variable>
#include <functional>
#include <mutex>

#include "HostAddressSource.h"

namespace cv7::app {

class FakeHostAddressSource : public HostAddressSource {
 public:
  void set(std::vector<uint32_t> addresses) {
    std::lock_guard lock(mutex_);
    addresses_ = std::move(addresses);
    failing_ = false;
  }
  void fail() {
    std::lock_guard lock(mutex_);
    failing_ = true;
  }
  // Each look-up first runs `hook` (on the caller's thread).
  void onLookUp(std::function<void()> hook) {
    std::lock_guard lock(mutex_);
    hook_ = std::move(hook);
  }
  int lookUps() const {
    std::lock_guard lock(mutex_);
    return lookUps_;
  }

  std::optional<std::vector<uint32_t>> lookUp() override {
    std::function<void()> hook;
    {
      std::lock_guard lock(mutex_);
      hook = hook_;
    }
    if (hook) hook();
    std::lock_guard lock(mutex_);
    ++lookUps_;
    if (failing_) return std::nullopt;
    return addresses_;
  }

 private:
  mutable std::mutex mutex_;
  std::vector<uint32_t> addresses_;
  bool failing_ = false;
  int lookUps_ = 0;
  std::function<void()> hook_;
};

}  // namespace cv7::app
