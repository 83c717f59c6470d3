#include "sky/Lnb.h"

namespace cv7::sim {

uint32_t Lnb::oscillatorKHz(bool toneOn) const {
  uint32_t nominal = fixedKHz_;
  if (kind_ == Kind::Universal) nominal = toneOn ? kUniversalHighKHz : kUniversalLowKHz;
  return uint32_t(int64_t(nominal) + offsetKHz_);
}

uint32_t Lnb::intermediateKHz(uint32_t downlinkKHz, bool toneOn) const {
  const uint32_t lo = oscillatorKHz(toneOn);
  return downlinkKHz >= lo ? downlinkKHz - lo : lo - downlinkKHz;
}

}  // namespace cv7::sim
