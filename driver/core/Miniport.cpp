#include "Miniport.h"

#include "ControlDispatcher.h"

namespace cv7::core {

Miniport::Miniport(Platform& platform) : platform_(platform) {}
Miniport::~Miniport() = default;

Status Miniport::driverEntry() {
  state_.pidTable.clear();
  return NDIS_STATUS_SUCCESS;
}

// isr() and handleInterrupt() are in InterruptHandling.cpp.

Status Miniport::control(uint32_t code, uint8_t* buffer, uint32_t inputLength, uint32_t outputLength,
                         uint32_t& bytesReturned) {
  return ControlDispatcher(platform_, state_, channel_).dispatch(code, buffer, inputLength, outputLength, bytesReturned);
}

// queryInformation(), setInformation(), send(), checkForHang() and timerFired() are in
// NetworkInformation.cpp; transferData() is in InterruptHandling.cpp.

}  // namespace cv7::core
