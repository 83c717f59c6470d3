#include "LogLimiter.h"

namespace cv7::host {

bool LogLimiter::allow(uint64_t& suppressed, std::chrono::steady_clock::time_point now) {
  std::lock_guard guard(mutex_);
  if (inWindow_ == 0 || now - windowStart_ >= kInterval) {
    windowStart_ = now;
    inWindow_ = 0;
  }
  if (inWindow_ >= kBurst) {
    ++suppressed_;
    return false;
  }
  ++inWindow_;
  suppressed = suppressed_;
  suppressed_ = 0;
  return true;
}

std::string LogLimiter::leftOut(uint64_t suppressed) {
  return suppressed ? " (" + std::to_string(suppressed) + " similar lines left out)" : "";
}

}  // namespace cv7::host
