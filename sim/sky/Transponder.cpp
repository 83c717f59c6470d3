#include "sky/Transponder.h"

namespace cv7::sim {

bool needsHighVoltage(Polarisation p) {
  return p == Polarisation::Horizontal || p == Polarisation::CircularRight;
}

double codeRateValue(CodeRate r) {
  switch (r) {
    case CodeRate::R1_2: return 1.0 / 2;
    case CodeRate::R2_3: return 2.0 / 3;
    case CodeRate::R3_4: return 3.0 / 4;
    case CodeRate::R5_6: return 5.0 / 6;
    case CodeRate::R7_8: return 7.0 / 8;
  }
  return 3.0 / 4;
}

double viterbiThresholdDb(CodeRate r) {
  // About 3 dB under the quasi-error-free Es/N0 of each rate: the decoder still
  // synchronises there, though with many corrected errors.
  switch (r) {
    case CodeRate::R1_2: return 1.2;
    case CodeRate::R2_3: return 2.9;
    case CodeRate::R3_4: return 3.9;
    case CodeRate::R5_6: return 4.8;
    case CodeRate::R7_8: return 5.4;
  }
  return 3.9;
}

uint32_t usefulBitRate(uint32_t symbolRateKsps, CodeRate r) {
  return uint32_t(double(symbolRateKsps) * 1000.0 * 2.0 * codeRateValue(r) * 188.0 / 204.0);
}

}  // namespace cv7::sim
