#include <gtest/gtest.h>

#include <algorithm>

#include "sky/Sky.h"
#include "tuner/Tuner.h"

namespace cv7::sim {
namespace {

// The tune command the receiver library sends for a transponder of a satellite data file.
TuneRequest libraryRequest(const DefaultFileSettings& lnb, const Transponder& t) {
  TuneRequest r;
  r.frequencyKHz = t.frequencyKHz;
  r.symbolRate = t.symbolRateKsps;
  if (lnb.localOscillatorKHz != 0) {
    r.localOscillatorKHz = lnb.localOscillatorKHz;
    r.band = lnb.tone22k == 0 ? 1 : 0;
  } else {
    const uint32_t f = t.frequencyKHz, low = f - 9'750'000u, high = f - 10'600'000u;
    auto fits = [](uint32_t ifreq) { return ifreq > 950'000u && ifreq < 2'150'000u; };
    auto off = [](uint32_t ifreq) { return ifreq > 1'550'000u ? ifreq - 1'550'000u : 1'550'000u - ifreq; };
    bool highBand = !fits(low) || (fits(high) && off(low) > off(high));
    r.localOscillatorKHz = highBand ? 10'600'000u : 9'750'000u;
    r.band = highBand ? 1 : 0;
  }
  const uint32_t polarity = needsHighVoltage(t.polarisation) ? 1 : 0;  // TrInfo.Polarity of the file
  r.polarity = polarity == 0 ? 1 : 2;
  r.lnbPower = lnb.lnbPower == 0 ? 1 : 0;
  r.toneBurst = lnb.toneBurst;
  r.diseqc = lnb.diseqc;
  return r;
}

TEST(TunerDefaultSkyTest, HoldsTheFourDefaultSatellitesWithTheirFiles) {
  const Sky& sky = defaultSky();
  ASSERT_EQ(sky.satellites().size(), 4u);
  const char* names[] = {"HOTBIRD", "ASTRA", "ASIA SAT 2", "KOREA SAT"};
  const char* files[] = {"HotBird.cvd", "Astra.cvd", "AsiaSat2.cvd", "KoreaSat.cvd"};
  for (size_t i = 0; i < 4; ++i) {
    const Satellite* s = sky.satelliteNamed(names[i]);
    ASSERT_NE(s, nullptr) << names[i];
    EXPECT_EQ(s->defaultFile.fileName, files[i]);
    EXPECT_GE(s->transponders.size(), 8u);
    EXPECT_LE(s->transponders.size(), 25u);
  }
  EXPECT_EQ(sky.satelliteNamed("ASIA SAT 2")->defaultFile.localOscillatorKHz, 5'150'000u);
  EXPECT_EQ(sky.satelliteNamed("HOTBIRD")->defaultFile.localOscillatorKHz, 0u);
}

TEST(TunerDefaultSkyTest, EveryDefaultTransponderLocksWithItsFileSettings) {
  VirtualClock clock;
  std::shared_ptr<const Sky> sky(&defaultSky(), [](const Sky*) {});
  Tuner tuner(sky, clock);
  for (const Satellite& s : sky->satellites()) {
    for (const Transponder& t : s.transponders) {
      tuner.tune(libraryRequest(s.defaultFile, t));
      clock.advance(150'000);
      TunerStatus status = tuner.status();
      EXPECT_TRUE(status.locked) << s.name << " " << t.frequencyKHz << ": " << tuner.diagnostics();
      EXPECT_EQ(status.lockedTransponder, &t) << s.name << " " << t.frequencyKHz;
    }
  }
}

TEST(TunerDefaultSkyTest, FirstTransponderOfEachSatelliteCarriesASelectedBeacon) {
  for (const Satellite& s : defaultSky().satellites()) {
    const Transponder& first = s.transponders.front();
    ASSERT_FALSE(first.stream.sources.empty()) << s.name;
    const DataSourceConfig& beacon = first.stream.sources.front();
    EXPECT_EQ(beacon.kind, DataSourceConfig::Kind::Generator);
    EXPECT_EQ(beacon.encapsulation, Encapsulation::Mpe);
    EXPECT_EQ(beacon.destinationAddress >> 8, 0xEFFF07u) << s.name;  // 239.255.7.x
    EXPECT_EQ(beacon.destinationPort, 5000);
    EXPECT_DOUBLE_EQ(beacon.datagramsPerSecond, 1.0);
    EXPECT_NE(std::find(first.selectedDataPids.begin(), first.selectedDataPids.end(), beacon.pid),
              first.selectedDataPids.end());
    // Its own service: a data stream only, no audio or video.
    bool announced = false;
    for (const ServiceConfig& svc : first.stream.services) {
      bool carries = std::any_of(svc.streams.begin(), svc.streams.end(),
                                 [&](const ElementaryStream& e) { return e.pid == beacon.pid; });
      if (!carries) continue;
      announced = std::all_of(svc.streams.begin(), svc.streams.end(), [](const ElementaryStream& e) {
        return e.streamType == kStreamDsmccTypeD || e.streamType == kStreamPrivateSections;
      });
    }
    EXPECT_TRUE(announced) << s.name;
  }
}

}  // namespace
}  // namespace cv7::sim
