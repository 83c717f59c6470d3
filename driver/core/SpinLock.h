// A lock for the few read-modify-writes of a card register that the interrupt routine and the
// command channel both make (what NdisMSynchronizeWithInterrupt gives a kernel driver). It is
// held across one register read and one write, never while waiting for the card.
#pragma once
#include <atomic>

namespace cv7::core {

class SpinLock {
 public:
  void lock() {
    while (flag_.test_and_set(std::memory_order_acquire)) {
      while (flag_.test(std::memory_order_relaxed)) {
      }
    }
  }
  bool try_lock() { return !flag_.test_and_set(std::memory_order_acquire); }
  void unlock() { flag_.clear(std::memory_order_release); }
  bool locked() const { return flag_.test(std::memory_order_relaxed); }

 private:
  std::atomic_flag flag_;
};

}  // namespace cv7::core
