#include "tuner/Tuner.h"

#include <algorithm>
#include <cstdio>

#include "tuner/LinkModel.h"

namespace cv7::sim {

namespace {
uint32_t distance(uint32_t a, uint32_t b) { return a > b ? a - b : b - a; }
}  // namespace

Tuner::Tuner(std::shared_ptr<const Sky> sky, const Clock& clock) : sky_(std::move(sky)), clock_(clock) {}

uint32_t Tuner::carrierToleranceKHz(uint32_t symbolRateKsps) {
  return std::clamp<uint32_t>(symbolRateKsps / 8, 1'000, 4'000);
}

uint32_t Tuner::symbolRateToleranceKsps(uint32_t symbolRateKsps) {
  return std::max<uint32_t>(1, symbolRateKsps / 200);  // ± 0.5 %
}

Tuner::Acquisition Tuner::acquire(const TuneRequest& r) const {
  Acquisition a;
  a.tuned = true;
  a.request = r;
  a.startMicroseconds = clock_.nowMicroseconds();
  a.synthesiserKHz = distance(r.frequencyKHz, r.localOscillatorKHz);
  a.synthesiserInRange = a.synthesiserKHz >= kMinIfKHz && a.synthesiserKHz <= kMaxIfKHz;
  a.satellite = sky_->satelliteBehind(r.diseqc, r.toneBurst);
  if (!a.synthesiserInRange || r.lnbPower == 0 || a.satellite == nullptr) return a;
  const bool toneOn = r.band != 0, highVoltage = r.polarity == 2;
  uint32_t best = UINT32_MAX;
  for (const Transponder& t : a.satellite->transponders) {
    if (needsHighVoltage(t.polarisation) != highVoltage) continue;
    uint32_t offset = distance(a.satellite->dish.lnb.intermediateKHz(t.frequencyKHz, toneOn), a.synthesiserKHz);
    if (offset <= carrierToleranceKHz(t.symbolRateKsps) && offset < best) {
      best = offset;
      a.carrier = &t;
    }
  }
  if (a.carrier)
    a.symbolRateMatches = distance(r.symbolRate, a.carrier->symbolRateKsps) <=
                          symbolRateToleranceKsps(a.carrier->symbolRateKsps);
  return a;
}

void Tuner::tune(const TuneRequest& request) {
  Acquisition a = acquire(request);
  std::lock_guard lock(mutex_);
  now_ = a;
}

void Tuner::setSignalLost(bool lost) {
  std::lock_guard lock(mutex_);
  if (signalLost_ && !lost) now_.startMicroseconds = clock_.nowMicroseconds();
  signalLost_ = lost;
}

TunerStatus Tuner::status() const {
  std::lock_guard lock(mutex_);
  return statusLocked();
}

TunerStatus Tuner::statusLocked() const {
  TunerStatus s;
  if (!now_.tuned || now_.request.lnbPower == 0) return s;  // no supply: nothing at the input
  const Transponder* t = signalLost_ ? nullptr : now_.carrier;
  if (t == nullptr) {
    s.levelBytes[0] = LinkModel::levelNibble(LinkModel::kNoiseFloorPercent);
    return s;
  }
  const uint64_t elapsed = clock_.nowMicroseconds() - now_.startMicroseconds;
  const uint64_t settle = LinkModel::settleMicroseconds(t->symbolRateKsps);
  const bool fecPossible = t->link.cnDb >= viterbiThresholdDb(t->codeRate);
  s.indicators[TunerStatus::kCarrier] = elapsed >= settle / 4;
  s.indicators[TunerStatus::kTiming] = now_.symbolRateMatches && elapsed >= settle / 2;
  s.indicators[TunerStatus::kViterbi] = s.indicators[TunerStatus::kTiming] && fecPossible && elapsed >= settle * 3 / 4;
  s.indicators[TunerStatus::kSync] = s.indicators[TunerStatus::kViterbi] && elapsed >= settle;
  s.levelBytes[0] = LinkModel::levelNibble(s.indicators[TunerStatus::kCarrier] ? t->link.levelPercent
                                                                              : LinkModel::kNoiseFloorPercent);
  if (s.indicators[TunerStatus::kTiming]) s.levelBytes[1] = LinkModel::qualityPercent(t->link.cnDb);
  if (s.indicators[TunerStatus::kViterbi]) s.errorCount = LinkModel::errorCount(t->link.cnDb);
  s.locked = s.indicators[TunerStatus::kSync];
  if (s.locked) s.lockedTransponder = t;
  return s;
}

const TransportStreamConfig* Tuner::tunedStream() const {
  std::lock_guard lock(mutex_);
  TunerStatus s = statusLocked();
  return s.lockedTransponder ? &s.lockedTransponder->stream : nullptr;
}

uint64_t Tuner::lockDue() const {
  std::lock_guard lock(mutex_);
  const Transponder* t = now_.carrier;
  if (!now_.tuned || now_.request.lnbPower == 0 || signalLost_ || t == nullptr || !now_.symbolRateMatches ||
      t->link.cnDb < viterbiThresholdDb(t->codeRate))
    return kNever;
  return now_.startMicroseconds + LinkModel::settleMicroseconds(t->symbolRateKsps);
}

std::string Tuner::diagnostics() const {
  std::lock_guard lock(mutex_);
  if (!now_.tuned) return "tuner: not tuned";
  const TuneRequest& r = now_.request;
  TunerStatus s = statusLocked();
  char line[256];
  std::snprintf(line, sizeof line,
                "tuner: F %u kHz LO %u kHz SR %u ks/s %s %s LNB %s burst %u DiSEqC %u; IF %u kHz%s; %s; %s",
                r.frequencyKHz, r.localOscillatorKHz, r.symbolRate, r.polarity == 2 ? "18V" : "13V",
                r.band ? "22k on" : "22k off", r.lnbPower ? "on" : "off", unsigned(r.toneBurst),
                unsigned(r.diseqc), now_.synthesiserKHz, now_.synthesiserInRange ? "" : " (out of range)",
                now_.satellite ? now_.satellite->name.c_str() : "no dish",
                s.locked ? ("locked on " + std::to_string(s.lockedTransponder->frequencyKHz) + " kHz").c_str()
                         : "no lock");
  return line;
}

}  // namespace cv7::sim
