#include <gtest/gtest.h>

#include "sky/Lnb.h"
#include "sky/Transponder.h"

namespace cv7::sim {
namespace {

TEST(SkyLnbTest, UniversalLnbSwitchesOscillatorWithTheTone) {
  Lnb lnb = Lnb::universal();
  EXPECT_EQ(lnb.oscillatorKHz(false), 9'750'000u);
  EXPECT_EQ(lnb.oscillatorKHz(true), 10'600'000u);
  // Low band below the tone, high band above it.
  EXPECT_EQ(lnb.intermediateKHz(11'150'000, false), 1'400'000u);
  EXPECT_EQ(lnb.intermediateKHz(11'778'000, true), 1'178'000u);
  EXPECT_EQ(lnb.intermediateKHz(11'778'000, false), 2'028'000u);
}

TEST(SkyLnbTest, FixedLnbIgnoresTheToneAndCBandInvertsTheSpectrum) {
  Lnb ku = Lnb::fixed(10'750'000);
  EXPECT_EQ(ku.intermediateKHz(11'747'000, false), 997'000u);
  EXPECT_EQ(ku.intermediateKHz(11'747'000, true), 997'000u);
  Lnb c = Lnb::fixed(Lnb::kCBandKHz);
  EXPECT_EQ(c.intermediateKHz(3'660'000, false), 1'490'000u);  // LO − F
  EXPECT_EQ(c.intermediateKHz(4'148'000, false), 1'002'000u);
}

TEST(SkyLnbTest, OscillatorOffsetShiftsEveryIntermediateFrequency) {
  Lnb lnb = Lnb::universal();
  lnb.setOscillatorOffsetKHz(-2'000);
  EXPECT_EQ(lnb.oscillatorKHz(true), 10'598'000u);
  EXPECT_EQ(lnb.intermediateKHz(11'778'000, true), 1'180'000u);
}

TEST(SkyLnbTest, PolarisationsMapOntoTheTwoSupplyVoltages) {
  EXPECT_TRUE(needsHighVoltage(Polarisation::Horizontal));
  EXPECT_TRUE(needsHighVoltage(Polarisation::CircularRight));
  EXPECT_FALSE(needsHighVoltage(Polarisation::Vertical));
  EXPECT_FALSE(needsHighVoltage(Polarisation::CircularLeft));
}

TEST(SkyLnbTest, UsefulBitRateFollowsSymbolRateAndCodeRate) {
  // The classic 27.5 Msymbol/s, rate 3/4 transponder carries 38.01 Mbit/s.
  EXPECT_NEAR(double(usefulBitRate(27'500, CodeRate::R3_4)), 38'014'705.0, 1.0);
  EXPECT_LT(usefulBitRate(27'500, CodeRate::R1_2), usefulBitRate(27'500, CodeRate::R7_8));
}

}  // namespace
}  // namespace cv7::sim
