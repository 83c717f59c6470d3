// What the demodulator reports for the tuner information query.
#pragma once
#include <array>
#include <cstdint>

#include "sky/Transponder.h"

namespace cv7::sim {

struct TunerStatus {
  enum Indicator : uint8_t { kCarrier, kTiming, kViterbi, kSync };

  bool locked = false;                 // all four indicators set
  std::array<bool, 4> indicators{};    // carrier, symbol timing, Viterbi (FEC), sync byte
  // Tuner information bytes 4 and 5: signal level in 16 steps (0..15), signal quality 0..100 %.
  std::array<uint8_t, 2> levelBytes{};
  // Raw bit-error count: error rate = errorCount / 262144; 65535 without a FEC lock.
  uint16_t errorCount = 0xFFFF;
  const Transponder* lockedTransponder = nullptr;

  // The four reply bytes of the query: b0 = indicators in bits 7..4 and the level nibble
  // in bits 3..0, b1 = quality, b2 b3 = error count, high byte first.
  std::array<uint8_t, 4> reply() const;
};

}  // namespace cv7::sim
