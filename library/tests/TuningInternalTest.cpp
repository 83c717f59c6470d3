// The lock test's oscillator and band choice and the tuner information's error-rate
// conversion.
#include <gtest/gtest.h>

#include "Tuning.h"

namespace corvane::tuning {
namespace {

LnbInfo universal() {
  LnbInfo lnb{};
  lnb.LocalOscillator = 0;
  return lnb;
}

TEST(OscillatorChoice, UniversalLnbTakesTheBandWhoseIfIsNearerTheMiddle) {
  struct Case {
    uint32_t frequency, oscillator;
    uint8_t band;
  };
  for (Case c : {Case{11778000, 10600000, 1},   // both fit, the high band is nearer 1550 MHz
                 Case{11150000, 9750000, 0},    // the high band's IF (550 MHz) is too low
                 Case{12750000, 10600000, 1},   // the low band's IF (3000 MHz) is too high
                 Case{11700000, 9750000, 0},    // 400 MHz against 450 MHz from the middle
                 Case{11725000, 9750000, 0},    // a tie (425 MHz either way) goes to the low band
                 Case{5000000, 10600000, 1}}) { // below both oscillators: a huge unsigned IF
    Oscillator o = chooseOscillator(universal(), c.frequency);
    EXPECT_EQ(o.localOscillator, c.oscillator) << c.frequency;
    EXPECT_EQ(o.band, c.band) << c.frequency;
  }
}

TEST(OscillatorChoice, FixedOscillatorTakesTheToneFromTheSettings) {
  LnbInfo lnb{};
  lnb.LocalOscillator = 5150000;
  lnb.Tone22k = 1;
  EXPECT_EQ(chooseOscillator(lnb, 3900000).localOscillator, 5150000u);
  EXPECT_EQ(chooseOscillator(lnb, 3900000).band, 0);
  lnb.Tone22k = 0;
  EXPECT_EQ(chooseOscillator(lnb, 3900000).band, 1);
}

TEST(ErrorRate, RawCountBecomesMantissaAndExponent) {
  struct Case {
    uint16_t count;
    uint8_t mantissa, exponent;
  };
  for (Case c : {Case{262, 9, 3}, Case{1, 3, 5}, Case{65535, 2, 0}, Case{0, 0, 0}, Case{26214, 9, 1}}) {
    uint8_t mantissa = 0xEE, exponent = 0xEE;
    convertErrorRate(c.count, mantissa, exponent);
    EXPECT_EQ(mantissa, c.mantissa) << c.count;
    EXPECT_EQ(exponent, c.exponent) << c.count;
  }
}

}  // namespace
}  // namespace corvane::tuning
