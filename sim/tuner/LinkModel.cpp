#include "tuner/LinkModel.h"

#include <algorithm>
#include <cmath>

namespace cv7::sim {

double LinkModel::channelBitErrorRate(double cnDb) {
  // QPSK: Pb = ½ erfc(√(Eb/N0)) with Es/N0 = 2 Eb/N0.
  double esn0 = std::pow(10.0, cnDb / 10.0);
  return 0.5 * std::erfc(std::sqrt(esn0 / 2.0));
}

uint16_t LinkModel::errorCount(double cnDb) {
  double v = std::round(channelBitErrorRate(cnDb) * 262144.0);
  return uint16_t(std::clamp(v, 0.0, 65535.0));
}

uint8_t LinkModel::levelNibble(double levelPercent) {
  return uint8_t(std::lround(std::clamp(levelPercent, 0.0, 100.0) * 15.0 / 100.0));
}

uint8_t LinkModel::qualityPercent(double cnDb) {
  return uint8_t(std::lround(std::clamp(cnDb * 5.0, 0.0, 100.0)));
}

uint64_t LinkModel::settleMicroseconds(uint32_t symbolRateKsps) {
  double fraction = double(std::min<uint32_t>(symbolRateKsps, 30'000)) / 30'000.0;
  return 30'000 + uint64_t(50'000.0 * (1.0 - fraction));
}

}  // namespace cv7::sim
