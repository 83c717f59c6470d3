#include "CardPump.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <chrono>
#include <ctime>

#include "Miniport.h"
#include "RealtimePriority.h"
#include "SimulatedCard.h"
#include "TapInterface.h"

namespace cv7::host {

namespace {
uint64_t steadyMicroseconds() {
  using namespace std::chrono;
  return uint64_t(duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count());
}
}  // namespace

CardPump::CardPump(sim::SimulatedCard& card, core::Miniport& miniport, TapInterface* tap, bool realtime)
    : card_(card), miniport_(miniport), tap_(tap), realtime_(realtime),
      wakeFd_(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}

CardPump::~CardPump() {
  stop();
  if (wakeFd_ >= 0) ::close(wakeFd_);
}

void CardPump::start() {
  running_ = true;
  card_.setWakeHandler([this] { wake(); });
  thread_ = std::thread([this] { run(); });
}

void CardPump::stop() {
  running_ = false;
  wake();
  if (thread_.joinable()) thread_.join();
  card_.setWakeHandler(nullptr);
}

void CardPump::wake() {
  uint64_t one = 1;
  if (wakeFd_ >= 0) (void)!::write(wakeFd_, &one, sizeof one);
}

// The card runs on the steady clock (LinuxPlatform), so its times are steady microseconds.
void CardPump::run() {
  if (realtime_) askRealtimePriority("card");
  while (running_.load()) {
    uint64_t due = card_.advance();
    if (tap_) drainTap();
    sleepUntil(due);
    wakeUps_.fetch_add(1, std::memory_order_relaxed);
  }
}

void CardPump::sleepUntil(uint64_t due) {
  pollfd fds[2] = {{wakeFd_, POLLIN, 0}, {tap_ ? tap_->fd() : -1, POLLIN, 0}};
  timespec timeout{};
  timespec* wait = nullptr;  // no work due: until woken
  if (due != sim::SimulatedCard::kNever) {
    uint64_t now = steadyMicroseconds();
    uint64_t left = due > now ? due - now : 0;
    timeout.tv_sec = time_t(left / 1'000'000);
    timeout.tv_nsec = long(left % 1'000'000) * 1000;
    wait = &timeout;
  }
  if (::ppoll(fds, 2, wait, nullptr) > 0 && (fds[0].revents & POLLIN)) {
    uint64_t count = 0;
    (void)!::read(wakeFd_, &count, sizeof count);
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
