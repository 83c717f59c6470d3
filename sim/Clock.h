// Time as the card model sees it. The daemon runs the card on the steady clock; tests run it
// on a virtual clock that they step, so time-outs of seconds take microseconds.
#pragma once
#include <atomic>
#include <chrono>
#include <cstdint>

namespace cv7::sim {

class Clock {
 public:
  virtual ~Clock() = default;
  virtual uint64_t nowMicroseconds() const = 0;
};

class SteadyClock final : public Clock {
 public:
  uint64_t nowMicroseconds() const override {
    using namespace std::chrono;
    return uint64_t(duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count());
  }
};

class VirtualClock final : public Clock {
 public:
  uint64_t nowMicroseconds() const override { return now_.load(std::memory_order_acquire); }
  void advance(uint64_t microseconds) { now_.fetch_add(microseconds, std::memory_order_acq_rel); }

 private:
  std::atomic<uint64_t> now_{1'000'000};
};

}  // namespace cv7::sim
