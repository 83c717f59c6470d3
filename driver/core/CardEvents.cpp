#include "CardEvents.h"

namespace cv7::core {

void CardEvents::signal() {
  for (uint32_t number = 1; number <= 2; ++number) {
    ClientRecord& client = *state_.clientRecord(number);
    if (client.active.load() && client.handle.load() != 0) platform_.signalEvent(client.event.load());
  }
}

}  // namespace cv7::core
