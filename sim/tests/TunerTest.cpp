#include <gtest/gtest.h>

#include "sky/SkyParser.h"
#include "tuner/DecoderState.h"
#include "tuner/LinkModel.h"
#include "tuner/Tuner.h"

namespace cv7::sim {
namespace {

// Port A: universal LNB; port B: C band; burst A behind no DiSEqC: fixed 10750 MHz.
const char* kSky = R"({"satellites": [
  {"name": "KU", "dish": {"diseqcPort": 1, "lnb": {"type": "universal"}}, "transponders": [
    {"frequencyKHz": 10928000, "polarisation": "V", "symbolRateKsps": 27500, "transportStreamId": 10},
    {"frequencyKHz": 11150000, "polarisation": "H", "symbolRateKsps": 22000, "transportStreamId": 11},
    {"frequencyKHz": 11778000, "polarisation": "V", "symbolRateKsps": 27500, "transportStreamId": 12},
    {"frequencyKHz": 12100000, "polarisation": "H", "symbolRateKsps": 27500, "transportStreamId": 13,
     "link": {"levelPercent": 15, "cnDb": 4.5}},
    {"frequencyKHz": 12300000, "polarisation": "H", "symbolRateKsps": 27500, "transportStreamId": 14,
     "link": {"levelPercent": 8, "cnDb": 1.0}}]},
  {"name": "C", "dish": {"diseqcPort": 2, "lnb": {"type": "c-band"}}, "transponders": [
    {"frequencyKHz": 3660000, "polarisation": "V", "symbolRateKsps": 27500, "transportStreamId": 20}]},
  {"name": "K", "dish": {"toneBurst": 1, "lnb": {"type": "fixed", "localOscillatorKHz": 10750000}}, "transponders": [
    {"frequencyKHz": 11747000, "polarisation": "L", "symbolRateKsps": 23800, "transportStreamId": 30}]}]})";

TuneRequest request(uint32_t lo, uint32_t f, uint32_t sr, uint8_t polarity, uint8_t band, uint8_t diseqc,
                    uint8_t burst = 0) {
  TuneRequest r;
  r.localOscillatorKHz = lo;
  r.frequencyKHz = f;
  r.symbolRate = sr;
  r.polarity = polarity;
  r.band = band;
  r.lnbPower = 1;
  r.toneBurst = burst;
  r.diseqc = diseqc;
  return r;
}

class TunerTest : public ::testing::Test {
 protected:
  // Tunes and waits as long as the library's three polls do.
  TunerStatus tuneAndWait(const TuneRequest& r) {
    tuner.tune(r);
    clock.advance(150'000);
    return tuner.status();
  }
  uint16_t lockedStreamId() {
    const TransportStreamConfig* s = tuner.tunedStream();
    return s ? s->transportStreamId : 0;
  }

  VirtualClock clock;
  Tuner tuner{std::make_shared<Sky>(parseSky(kSky, "test")), clock};
};

TEST_F(TunerTest, UniversalHighBandChoiceLocksTheAskedTransponder) {
  TunerStatus s = tuneAndWait(request(10'600'000, 11'778'000, 27500, 1, 1, 1));
  EXPECT_TRUE(s.locked);
  ASSERT_NE(s.lockedTransponder, nullptr);
  EXPECT_EQ(s.lockedTransponder->frequencyKHz, 11'778'000u);
  EXPECT_EQ(lockedStreamId(), 12);
}

TEST_F(TunerTest, UniversalLowBandChoiceLocksTheAskedTransponder) {
  EXPECT_TRUE(tuneAndWait(request(9'750'000, 11'150'000, 22000, 2, 0, 1)).locked);
  EXPECT_EQ(lockedStreamId(), 11);
}

TEST_F(TunerTest, WrongBandPolarityPortOrPowerDoesNotLock) {
  EXPECT_FALSE(tuneAndWait(request(9'750'000, 11'150'000, 22000, 2, 1, 1)).locked);   // tone on: 10600 runs
  EXPECT_FALSE(tuneAndWait(request(9'750'000, 11'150'000, 22000, 1, 0, 1)).locked);   // 13 V: vertical
  EXPECT_FALSE(tuneAndWait(request(9'750'000, 11'150'000, 22000, 2, 0, 2)).locked);   // the C-band dish
  EXPECT_FALSE(tuneAndWait(request(9'750'000, 11'150'000, 22000, 2, 0, 0)).locked);   // no DiSEqC
  EXPECT_FALSE(tuneAndWait(request(9'750'000, 11'150'000, 22000, 2, 0, 1, 1)).locked);  // burst A too
  TuneRequest off = request(9'750'000, 11'150'000, 22000, 2, 0, 1);
  off.lnbPower = 0;
  TunerStatus s = tuneAndWait(off);
  EXPECT_FALSE(s.locked);
  EXPECT_EQ(s.levelBytes[0], 0);
  EXPECT_EQ(tuner.tunedStream(), nullptr);
}

TEST_F(TunerTest, WrongSymbolRateFindsTheCarrierButNoTiming) {
  TunerStatus s = tuneAndWait(request(9'750'000, 11'150'000, 27500, 2, 0, 1));
  EXPECT_TRUE(s.indicators[TunerStatus::kCarrier]);
  EXPECT_FALSE(s.indicators[TunerStatus::kTiming]);
  EXPECT_FALSE(s.locked);
  EXPECT_TRUE(tuneAndWait(request(9'750'000, 11'150'000, 22100, 2, 0, 1)).locked);  // within 0.5 %
  EXPECT_FALSE(tuneAndWait(request(9'750'000, 11'150'000, 22200, 2, 0, 1)).locked);
}

TEST_F(TunerTest, WrongBandLocksWhereThePhysicsPutsAnotherTransponder) {
  // Host asks 11778 with LO 10600 but no tone: the LNB runs 9750, and 10928 V lands at 1178 MHz.
  TunerStatus s = tuneAndWait(request(10'600'000, 11'778'000, 27500, 1, 0, 1));
  ASSERT_TRUE(s.locked);
  EXPECT_EQ(s.lockedTransponder->frequencyKHz, 10'928'000u);
  EXPECT_EQ(lockedStreamId(), 10);
}

TEST_F(TunerTest, SynthesiserOutsideItsRangeFindsNothing) {
  EXPECT_FALSE(tuneAndWait(request(9'750'000, 12'100'000, 27500, 2, 0, 1)).locked);  // IF 2350 MHz
  EXPECT_FALSE(tuneAndWait(request(0, 11'778'000, 27500, 1, 1, 1)).locked);
}

TEST_F(TunerTest, CBandInvertedIntermediateFrequencyLocks) {
  EXPECT_TRUE(tuneAndWait(request(5'150'000, 3'660'000, 27500, 1, 0, 2)).locked);
  EXPECT_EQ(lockedStreamId(), 20);
  EXPECT_FALSE(tuneAndWait(request(5'150'000, 3'660'000, 27500, 2, 0, 2)).locked);
}

TEST_F(TunerTest, FixedKuLnbBehindToneBurstIgnoresTheTone) {
  EXPECT_TRUE(tuneAndWait(request(10'750'000, 11'747'000, 23800, 1, 0, 0, 1)).locked);
  EXPECT_TRUE(tuneAndWait(request(10'750'000, 11'747'000, 23800, 1, 1, 0, 1)).locked);
  EXPECT_FALSE(tuneAndWait(request(10'750'000, 11'747'000, 23800, 1, 0, 0, 2)).locked);
}

TEST_F(TunerTest, LocksOnlyAfterTheSettleTimeAndRetuneDropsTheLock) {
  const TuneRequest r = request(10'600'000, 11'778'000, 27500, 1, 1, 1);
  tuner.tune(r);
  EXPECT_FALSE(tuner.status().indicators[TunerStatus::kCarrier]);
  const uint64_t settle = LinkModel::settleMicroseconds(27500);
  EXPECT_GE(settle, 30'000u);
  EXPECT_LE(settle, 80'000u);
  clock.advance(settle - 1);
  TunerStatus early = tuner.status();
  EXPECT_TRUE(early.indicators[TunerStatus::kCarrier]);
  EXPECT_TRUE(early.indicators[TunerStatus::kViterbi]);
  EXPECT_FALSE(early.locked);
  EXPECT_EQ(tuner.tunedStream(), nullptr);
  clock.advance(1);
  EXPECT_TRUE(tuner.status().locked);
  tuner.tune(r);
  EXPECT_FALSE(tuner.status().locked);
  clock.advance(settle);
  EXPECT_TRUE(tuner.status().locked);
}

TEST_F(TunerTest, LowSymbolRatesSettleSlower) {
  EXPECT_GT(LinkModel::settleMicroseconds(3000), LinkModel::settleMicroseconds(27500));
  EXPECT_LE(LinkModel::settleMicroseconds(1000), 80'000u);
}

TEST_F(TunerTest, WeakTransponderShowsLowLevelAndHighErrorCount) {
  TunerStatus strong = tuneAndWait(request(10'600'000, 11'778'000, 27500, 1, 1, 1));
  TunerStatus weak = tuneAndWait(request(10'600'000, 12'100'000, 27500, 2, 1, 1));
  ASSERT_TRUE(weak.locked);
  EXPECT_LT(weak.levelBytes[0], strong.levelBytes[0]);
  EXPECT_LT(weak.levelBytes[1], strong.levelBytes[1]);
  EXPECT_GT(weak.errorCount, 1000);  // rate above 4e-3
  EXPECT_LT(strong.errorCount, 100);
}

TEST_F(TunerTest, CarrierBelowTheViterbiThresholdNeverLocks) {
  TunerStatus s = tuneAndWait(request(10'600'000, 12'300'000, 27500, 2, 1, 1));
  EXPECT_TRUE(s.indicators[TunerStatus::kTiming]);
  EXPECT_FALSE(s.indicators[TunerStatus::kViterbi]);
  EXPECT_FALSE(s.locked);
  EXPECT_EQ(s.errorCount, 0xFFFF);
}

TEST_F(TunerTest, LostSignalDropsTheLockUntilItReturnsAndResettles) {
  tuneAndWait(request(10'600'000, 11'778'000, 27500, 1, 1, 1));
  tuner.setSignalLost(true);
  EXPECT_FALSE(tuner.status().locked);
  tuner.setSignalLost(false);
  EXPECT_FALSE(tuner.status().locked);
  clock.advance(100'000);
  EXPECT_TRUE(tuner.status().locked);
}

TEST(TunerStatusTest, ReplyPacksIndicatorsLevelQualityAndErrorCount) {
  TunerStatus s;
  s.indicators = {true, true, true, false};
  s.levelBytes = {0x0B, 60};
  s.errorCount = 0x1234;
  EXPECT_EQ(s.reply(), (std::array<uint8_t, 4>{0xEB, 60, 0x12, 0x34}));
}

TEST(LinkModelTest, ErrorCountFallsWithCarrierToNoise) {
  EXPECT_EQ(LinkModel::errorCount(-10), 0xFFFF);  // saturated
  EXPECT_GT(LinkModel::errorCount(4), LinkModel::errorCount(8));
  EXPECT_GT(LinkModel::errorCount(8), LinkModel::errorCount(12));
  EXPECT_EQ(LinkModel::errorCount(16), 0);
  EXPECT_EQ(LinkModel::levelNibble(100), 15);
  EXPECT_EQ(LinkModel::qualityPercent(25), 100);
}

TEST(DecoderStateTest, KeepsProgramAndAudioSelections) {
  DecoderState d;
  EXPECT_FALSE(d.running());
  d.setChannel({0x0101, 0x0102, 0, 0, 0, 0});
  d.setAudioPid(0x0102);
  d.setAudioControl({1, 2, 3});
  EXPECT_TRUE(d.running());
  d.stopChannel({0x0202, 0, 0, 0, 0, 0});  // another program: this one keeps running
  EXPECT_TRUE(d.running());
  d.stopChannel({0x0101, 0, 0, 0, 0, 0});
  EXPECT_FALSE(d.running());
  EXPECT_EQ(d.stoppedChannel()[0], 0x0101);
  EXPECT_EQ(d.audioPid(), 0x0102);
  EXPECT_NE(d.diagnostics().find("program 0101 stopped"), std::string::npos);
  EXPECT_NE(d.diagnostics().find("audio PID 0102, audio control 01 02 03"), std::string::npos);
}

}  // namespace
}  // namespace cv7::sim
