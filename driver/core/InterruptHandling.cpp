// The interrupt routine and the deferred routine.
#include "Miniport.h"
#include "ReceivePath.h"

namespace cv7::core {

void Miniport::isr(bool& recognised, bool& queueDeferred) {
  recognised = queueDeferred = false;
  AdapterContext* adapter = adapters_;
  if (adapter == nullptr || adapter->registers == nullptr) return;
  recognised = queueDeferred = ReceivePath(platform_, state_, *adapter).interruptRoutine();
}

void Miniport::handleInterrupt() {
  AdapterContext* adapter = adapters_;
  if (adapter == nullptr || adapter->registers == nullptr) return;
  ReceivePath(platform_, state_, *adapter).deferredRoutine();
}

Status Miniport::transferData(uint32_t offset, uint32_t count, PacketBuffer* buffers, uint32_t bufferCount,
                              uint32_t& bytesTransferred) {
  bytesTransferred = 0;
  AdapterContext* adapter = adapters_;
  if (adapter == nullptr || adapter->frameBuffer == nullptr) return NDIS_STATUS_FAILURE;
  return ReceivePath(platform_, state_, *adapter).transferData(offset, count, buffers, bufferCount, bytesTransferred);
}

}  // namespace cv7::core
