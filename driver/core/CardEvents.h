// The card events of clients 1 and 2: a card event tells them to ask the card what happened
// (command 19). Signalled by the deferred routine for a mailbox interrupt it saw, and by the
// command channel for one that its own reset-channel acknowledged first.
#pragma once
#include "DriverState.h"
#include "platform.h"

namespace cv7::core {

class CardEvents {
 public:
  CardEvents(Platform& platform, DriverState& state) : platform_(platform), state_(state) {}

  // Signals the card event of each active client 1 and 2 that gave one.
  void signal();

 private:
  Platform& platform_;
  DriverState& state_;
};

}  // namespace cv7::core
