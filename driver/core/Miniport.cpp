#include "Miniport.h"

#include "ControlDispatcher.h"

namespace cv7::core {

Miniport::Miniport(Platform& platform) : platform_(platform) {}
Miniport::~Miniport() = default;

Status Miniport::driverEntry() {
  state_.pidTable.clear();
  return NDIS_STATUS_SUCCESS;
}

// isr() and handleInterrupt() are in InterruptHandling.cpp, timerFired() in the adapter's
// network information.
void Miniport::timerFired(TimerId) {}

Status Miniport::control(uint32_t code, uint8_t* buffer, uint32_t inputLength, uint32_t outputLength,
                         uint32_t& bytesReturned) {
  return ControlDispatcher(platform_, state_, channel_).dispatch(code, buffer, inputLength, outputLength, bytesReturned);
}

Status Miniport::queryInformation(uint32_t, void*, uint32_t, uint32_t& bytesWritten, uint32_t& bytesNeeded) {
  bytesWritten = bytesNeeded = 0;
  return NDIS_STATUS_NOT_SUPPORTED;
}
Status Miniport::setInformation(uint32_t, const void*, uint32_t, uint32_t& bytesRead, uint32_t& bytesNeeded) {
  bytesRead = bytesNeeded = 0;
  return NDIS_STATUS_INVALID_OID;
}
Status Miniport::send(const uint8_t*, uint32_t) { return NDIS_STATUS_SUCCESS; }
bool Miniport::checkForHang() { return false; }
Status Miniport::transferData(uint32_t, uint32_t, PacketBuffer*, uint32_t, uint32_t& bytesTransferred) {
  bytesTransferred = 0;
  return NDIS_STATUS_FAILURE;
}

}  // namespace cv7::core
