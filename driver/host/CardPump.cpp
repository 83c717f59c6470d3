#include "CardPump.h"

#include <chrono>

#include "Miniport.h"
#include "SimulatedCard.h"
#include "TapInterface.h"

namespace cv7::host {

void CardPump::start() {
  running_ = true;
  thread_ = std::thread([this] { run(); });
}

void CardPump::stop() {
  running_ = false;
  if (thread_.joinable()) thread_.join();
}

void CardPump::run() {
  auto next = std::chrono::steady_clock::now();
  while (running_.load()) {
    card_.advance();
    if (tap_) drainTap();
    next += std::chrono::milliseconds(1);
    auto now = std::chrono::steady_clock::now();
    if (next < now) next = now;  // fell behind: no burst of catch-up steps
    std::this_thread::sleep_until(next);
  }
}

// The adapter receives only: what the kernel sends (ARP, IGMP reports, ...) is dropped.
void CardPump::drainTap() {
  uint8_t frame[2048];
  for (int i = 0; i < 64; ++i) {
    long n = tap_->read(frame, sizeof frame);
    if (n <= 0) return;
    miniport_.send(frame, uint32_t(n));
    sent_.fetch_add(1, std::memory_order_relaxed);
  }
}

}  // namespace cv7::host
