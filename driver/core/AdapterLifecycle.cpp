// Adapter start, halt, reset and shutdown.
#include "Miniport.h"

namespace cv7::core {

Status Miniport::initialize(const uint32_t*, uint32_t, uint32_t&) { return NDIS_STATUS_FAILURE; }
void Miniport::halt() {}
Status Miniport::reset(bool& addressingReset) {
  addressingReset = false;
  return NDIS_STATUS_SUCCESS;
}
void Miniport::shutdown() {}

}  // namespace cv7::core
