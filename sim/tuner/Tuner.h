// The card's tuner and demodulator in front of a sky. The card believes the host: it sets
// its synthesiser to IF = |F − LO| from the host's values and drives the LNB supply, the
// 22 kHz tone, the tone burst and the DiSEqC port as asked. What it then receives is what
// the selected dish's real LNB makes of its satellite under that tone and voltage; it locks
// only when a transponder really lands at that IF with the asked symbol rate, after a settle
// time on the clock. A retune drops the lock and starts the acquisition again.
#pragma once
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "Clock.h"
#include "sky/Sky.h"
#include "tuner/TuneRequest.h"
#include "tuner/TunerStatus.h"

namespace cv7::sim {

class Tuner {
 public:
  // The synthesiser's range, inclusive.
  static constexpr uint32_t kMinIfKHz = 950'000;
  static constexpr uint32_t kMaxIfKHz = 2'150'000;

  Tuner(std::shared_ptr<const Sky> sky, const Clock& clock);

  void tune(const TuneRequest& request);
  TunerStatus status() const;
  // The locked transponder's stream, or nullptr without a full lock.
  const TransportStreamConfig* tunedStream() const;
  // When the current acquisition gains its full lock (possibly past), or kNever when it
  // cannot without a new tune or the signal's return.
  static constexpr uint64_t kNever = UINT64_MAX;
  uint64_t lockDue() const;

  // Fault injection: the signal vanishes (true) and comes back with a new acquisition (false).
  void setSignalLost(bool lost);

  // Carrier search window around the synthesiser and symbol-rate capture range.
  static uint32_t carrierToleranceKHz(uint32_t symbolRateKsps);
  static uint32_t symbolRateToleranceKsps(uint32_t symbolRateKsps);

  // One line on what the tuner is doing, for the card's diagnostics.
  std::string diagnostics() const;

 private:
  struct Acquisition {
    bool tuned = false;
    TuneRequest request;
    uint32_t synthesiserKHz = 0;
    bool synthesiserInRange = false;
    const Satellite* satellite = nullptr;
    const Transponder* carrier = nullptr;  // transponder under the synthesiser, if any
    bool symbolRateMatches = false;
    uint64_t startMicroseconds = 0;
  };

  Acquisition acquire(const TuneRequest& request) const;
  TunerStatus statusLocked() const;

  std::shared_ptr<const Sky> sky_;
  const Clock& clock_;
  mutable std::mutex mutex_;
  Acquisition now_;
  bool signalLost_ = false;
};

}  // namespace cv7::sim
