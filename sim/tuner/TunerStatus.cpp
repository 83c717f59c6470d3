#include "tuner/TunerStatus.h"

namespace cv7::sim {

std::array<uint8_t, 4> TunerStatus::reply() const {
  uint8_t b0 = uint8_t(levelBytes[0] & 0x0F);
  for (int i = 0; i < 4; ++i)
    if (indicators[size_t(i)]) b0 = uint8_t(b0 | (0x80 >> i));
  return {b0, levelBytes[1], uint8_t(errorCount >> 8), uint8_t(errorCount & 0xFF)};
}

}  // namespace cv7::sim
