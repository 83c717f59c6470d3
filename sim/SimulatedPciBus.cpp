#include "SimulatedPciBus.h"

#include <algorithm>
#include <cstring>

#include "SimulatedCard.h"

namespace cv7::sim {

uint32_t SimulatedPciBus::readConfig(uint32_t slot, uint8_t* buffer, uint32_t length) const {
  if (slot >= kSlots || buffer == nullptr) return 0;
  uint32_t count = std::min(length, kConfigSize);
  {
    std::lock_guard guard(lock_);
    auto limit = readLimit_.find(slot);
    if (limit != readLimit_.end()) count = std::min(count, limit->second);
  }
  if (card_ != nullptr && card_->config().slot == slot) {
    auto space = card_->configSpace();
    std::memcpy(buffer, space.data(), count);
  } else {
    std::memset(buffer, 0xFF, count);
  }
  return count;
}

std::optional<SlotResources> SimulatedPciBus::resources(uint32_t slot) const {
  if (card_ == nullptr || slot >= kSlots || card_->config().slot != slot) return std::nullopt;
  const CardConfig& config = card_->config();
  return SlotResources{config.memoryBase, config.memoryLength, config.interruptLevel};
}

void SimulatedPciBus::limitConfigRead(uint32_t slot, uint32_t bytes) {
  std::lock_guard guard(lock_);
  readLimit_[slot] = bytes;
}

void SimulatedPciBus::clearFaults() {
  std::lock_guard guard(lock_);
  readLimit_.clear();
}

}  // namespace cv7::sim
