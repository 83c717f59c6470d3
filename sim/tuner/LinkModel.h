// How a transponder's link quality shows in the demodulator's figures.
#pragma once
#include <cstdint>

#include "sky/Transponder.h"

namespace cv7::sim {

class LinkModel {
 public:
  // Level the tuner's AGC reads without a carrier at its frequency (LNB noise only).
  static constexpr double kNoiseFloorPercent = 3;

  // Bit error rate before the Viterbi decoder for QPSK at this C/N (Es/N0).
  static double channelBitErrorRate(double cnDb);
  // The raw error count reported: rate × 262144, saturated at 65535.
  static uint16_t errorCount(double cnDb);
  // Level in 16 steps (0..15) from a level in percent.
  static uint8_t levelNibble(double levelPercent);
  // Quality 0..100 % from the C/N: 0 dB and below is 0, 20 dB and above 100.
  static uint8_t qualityPercent(double cnDb);
  // Time from tuning to a full lock: slower acquisition at low symbol rates (30..80 ms).
  static uint64_t settleMicroseconds(uint32_t symbolRateKsps);
};

}  // namespace cv7::sim
