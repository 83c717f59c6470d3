// Arbitration of the card's command channel between the three clients. The owner is one
// driver-global word: 0 free, 1..3 a client, 5 the driver's own command. A client that keeps
// asking takes the channel from a holder that never releases it on its 201st request.
#pragma once
#include <cstdint>

#include "DriverState.h"

namespace cv7::core {

class ChannelArbiter {
 public:
  static constexpr uint32_t kRefusalsBeforeTakeover = 200;

  explicit ChannelArbiter(DriverState& state) : state_(state) {}

  // True when `requester` now holds the channel.
  bool acquire(uint32_t requester);
  void release() { state_.channelOwner.store(0); }
  // An open request of the holding client frees the channel (whatever number it names).
  void clientOpened(uint32_t number) { releaseHeldBy(number); }
  // Frees the channel only while `owner` holds it; true when it did.
  bool releaseHeldBy(uint32_t owner);

 private:
  void clearRefusals();
  DriverState& state_;
};

}  // namespace cv7::core
