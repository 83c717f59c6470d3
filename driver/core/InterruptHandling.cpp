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

}  // namespace cv7::core
