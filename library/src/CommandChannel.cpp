#include "CommandChannel.h"

#include <chrono>
#include <cstring>
#include <mutex>
#include <thread>

#include "ControlCodes.h"
#include "Device.h"

namespace corvane {

namespace {

bool acquire(uint32_t client, const std::atomic<bool>* cancel) {
  for (uint32_t attempt = 0; attempt < kAcquireAttempts; ++attempt) {
    if (attempt > 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    if (cancel && cancel->load()) return false;
    uint8_t buffer[4];
    std::memcpy(buffer, &client, 4);
    uint32_t returned = 0;
    if (!device().request(cv7::ctl::IOCTL_CV7_ACQUIRE_CHANNEL, buffer, 4, buffer, 4, &returned)) return false;
    uint32_t granted = 0;
    if (returned >= 4) std::memcpy(&granted, buffer, 4);
    if (granted != 0) return true;
  }
  return false;
}

// Never destroyed: library threads may still send commands while the process exits.
std::mutex& processTurn() {
  static std::mutex* turn = new std::mutex;
  return *turn;
}

}  // namespace

bool channelRequest(uint32_t code, void* buffer, uint32_t inputLength, uint32_t outputLength, uint32_t& returned,
                    const std::atomic<bool>* cancel) {
  returned = 0;
  std::lock_guard turn(processTurn());
  if (!acquire(channelClient(), cancel)) return false;
  bool sent = device().request(code, buffer, inputLength, buffer, outputLength, &returned);
  uint8_t release[4] = {channelClient(), 0, 0, 0};  // the driver ignores the input
  device().request(cv7::ctl::IOCTL_CV7_RELEASE_CHANNEL, release, sizeof release, nullptr, 0);
  return sent;
}

uint16_t sendCommand(uint8_t block[kCommandBlockSize], const std::atomic<bool>* cancel) {
  uint32_t returned = 0;
  if (!channelRequest(cv7::ctl::IOCTL_CV7_SEND_COMMAND, block, kCommandBlockSize, kCommandBlockSize, returned, cancel) ||
      returned < 30) {
    return 0;
  }
  return uint16_t(block[28] | (block[29] << 8));
}

}  // namespace corvane
