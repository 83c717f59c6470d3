// Tuning state that the channel search reads: the satellite and transponder of the latest
// lock test, and the tuner information conversion.
#pragma once
#include <cstdint>

#include "corvane.h"

namespace corvane::tuning {

struct LastLockTest {
  LnbInfo lnb;
  TrInfo tr;
};
// A copy of the records given to the latest Cvn_TunerLockTest (zero before the first).
LastLockTest lastLockTest();

// The local oscillator (kHz) and band (1 = 22 kHz tone on) for a satellite and frequency.
struct Oscillator {
  uint32_t localOscillator;
  uint8_t band;
};
Oscillator chooseOscillator(const LnbInfo& lnb, uint32_t frequency);

// Error rate = mantissa x 10^-(exponent + 1), from the card's raw 16-bit error count.
void convertErrorRate(uint16_t errorCount, uint8_t& mantissa, uint8_t& exponent);

}  // namespace corvane::tuning
