// Runs the simulated card in real time: the thread sleeps until the card's next work is due
// (SimulatedCard::advance says when: a few hundred microseconds to 1 ms while a multiplex
// runs, never while nothing is tuned) and then lets the card produce what its multiplex
// carried meanwhile (DMA entries, interrupts). A tune wakes it early. Frames the kernel sends
// out of the TAP interface wake it too; they are handed to the miniport's send, which drops
// them.
#pragma once
#include <atomic>
#include <thread>

namespace cv7::core {
class Miniport;
}
namespace cv7::sim {
class SimulatedCard;
}

namespace cv7::host {

class TapInterface;

class CardPump {
 public:
  // realtime: the thread asks for real-time priority first.
  CardPump(sim::SimulatedCard& card, core::Miniport& miniport, TapInterface* tap, bool realtime = false);
  ~CardPump();
  CardPump(const CardPump&) = delete;
  CardPump& operator=(const CardPump&) = delete;

  void start();
  void stop();
  uint64_t framesSent() const { return sent_.load(std::memory_order_relaxed); }
  // Times the thread woke up to run the card or to drain the TAP interface.
  uint64_t wakeUps() const { return wakeUps_.load(std::memory_order_relaxed); }

 private:
  void run();
  // Sleeps until the card time `due` (the steady clock's microseconds), a wake-up or a frame.
  void sleepUntil(uint64_t due);
  void drainTap();
  void wake();

  sim::SimulatedCard& card_;
  core::Miniport& miniport_;
  TapInterface* tap_;
  bool realtime_;
  int wakeFd_;  // an eventfd: the card's new work and stop()
  std::atomic<bool> running_{false};
  std::atomic<uint64_t> sent_{0};
  std::atomic<uint64_t> wakeUps_{0};
  std::thread thread_;
};

}  // namespace cv7::host
