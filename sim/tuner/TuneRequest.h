// The parameters of the card's tune command, as the host sends them.
#pragma once
#include <cstdint>

namespace cv7::sim {

struct TuneRequest {
  uint32_t localOscillatorKHz = 0;  // the host's idea of the LNB oscillator
  uint32_t frequencyKHz = 0;        // down-link frequency
  uint32_t symbolRate = 0;          // ksymbol/s
  uint8_t polarity = 1;             // 1 = vertical / 13 V, 2 = horizontal / 18 V (others: 13 V)
  uint8_t band = 0;                 // non-zero = 22 kHz tone on
  uint8_t lnbPower = 1;             // non-zero = LNB supply on
  uint8_t toneBurst = 0;            // 0 none, 1 burst A, 2 burst B
  uint8_t diseqc = 0;               // 0 no DiSEqC command, 1..4 committed port A..D
  bool operator==(const TuneRequest&) const = default;
};

}  // namespace cv7::sim
