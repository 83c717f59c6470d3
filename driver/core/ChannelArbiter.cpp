#include "ChannelArbiter.h"

namespace cv7::core {

namespace {
bool isClient(uint32_t number) { return number >= 1 && number <= 3; }
}  // namespace

bool ChannelArbiter::acquire(uint32_t requester) {
  uint32_t owner = state_.channelOwner.load();
  // A free channel goes to whoever asks, whatever number it passes. The exchange makes two
  // simultaneous requesters see one grant.
  while (owner == 0) {
    if (state_.channelOwner.compare_exchange_weak(owner, requester)) {
      clearRefusals();
      return true;
    }
  }
  if (!isClient(owner) || !isClient(requester) || requester == owner) return false;
  ClientRecord& record = *state_.clientRecord(requester);
  if (record.refusals.fetch_add(1) + 1 <= kRefusalsBeforeTakeover) return false;
  state_.channelOwner.store(requester);
  clearRefusals();
  return true;
}

bool ChannelArbiter::releaseHeldBy(uint32_t owner) {
  if (owner == 0) return false;
  return state_.channelOwner.compare_exchange_strong(owner, 0);
}

void ChannelArbiter::clearRefusals() {
  for (auto& record : state_.client) record.refusals.store(0);
}

}  // namespace cv7::core
