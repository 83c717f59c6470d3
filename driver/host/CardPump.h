// Runs the simulated card in real time: every millisecond the card's receive side produces
// what its multiplex carried meanwhile (DMA entries, interrupts). Frames the kernel sends out
// of the TAP interface are taken here too and handed to the miniport's send, which drops them.
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
  CardPump(sim::SimulatedCard& card, core::Miniport& miniport, TapInterface* tap)
      : card_(card), miniport_(miniport), tap_(tap) {}
  ~CardPump() { stop(); }
  CardPump(const CardPump&) = delete;
  CardPump& operator=(const CardPump&) = delete;

  void start();
  void stop();
  uint64_t framesSent() const { return sent_.load(std::memory_order_relaxed); }

 private:
  void run();
  void drainTap();

  sim::SimulatedCard& card_;
  core::Miniport& miniport_;
  TapInterface* tap_;
  std::atomic<bool> running_{false};
  std::atomic<uint64_t> sent_{0};
  std::thread thread_;
};

}  // namespace cv7::host
