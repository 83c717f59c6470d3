// Keeps a kind of log line that clients can provoke (malformed requests, refused or dropped
// connections) from flooding the log: at most kBurst lines per kInterval; the first line
// after a quiet spell tells how many were left out.
#pragma once
#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>

namespace cv7::host {

class LogLimiter {
 public:
  static constexpr unsigned kBurst = 5;
  static constexpr std::chrono::seconds kInterval{10};

  // True when a line may be written now; `suppressed` then holds how many lines were left
  // out since the last one written.
  bool allow(uint64_t& suppressed, std::chrono::steady_clock::time_point now = std::chrono::steady_clock::now());
  // "" or " (N similar lines left out)", to end the line with.
  static std::string leftOut(uint64_t suppressed);

 private:
  std::mutex mutex_;
  std::chrono::steady_clock::time_point windowStart_{};
  unsigned inWindow_ = 0;
  uint64_t suppressed_ = 0;
};

}  // namespace cv7::host
