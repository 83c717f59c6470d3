#include "TunerReport.h"

#include <cmath>
#include <cstdio>

#include "Failure.h"

namespace cv7ctl {
namespace {

std::string transponderText(const TrInfo& tr) {
  char text[96];
  std::snprintf(text, sizeof text, "%u kHz, %u ksym/s, %s", tr.Frequency, tr.SymbolRate,
                tr.Polarity ? "horizontal" : "vertical");
  return text;
}

}  // namespace

TunerStatus TunerStatus::read() {
  uint8_t info[8] = {};
  if (!Cvn_GetTunerInformation(info)) throw Failure::diagnose("the card did not answer the tuner information");
  TunerStatus s;
  for (int i = 0; i < 4; ++i) s.indicators[i] = info[i];
  s.locked = info[0] && info[1] && info[2] && info[3];
  s.level = info[4];
  s.quality = info[5];
  s.errorRate = info[6] * std::pow(10.0, -(int(info[7]) + 1));
  return s;
}

std::string TunerStatus::text() const {
  char line[160];
  std::snprintf(line, sizeof line, "lock %s (indicators %u %u %u %u)  level %u  quality %u  error rate %.1e",
                locked ? "yes" : "no", indicators[0], indicators[1], indicators[2], indicators[3], level, quality,
                errorRate);
  return line;
}

nlohmann::json TunerStatus::json() const {
  return {{"locked", locked},
          {"indicators", {indicators[0], indicators[1], indicators[2], indicators[3]}},
          {"level", level},
          {"quality", quality},
          {"errorRate", errorRate}};
}

LockReport LockReport::run(const LnbInfo& lnb, const TrInfo& tr) {
  LockReport report;
  report.tr = tr;
  report.result = Cvn_TunerLockTest(lnb, tr);
  if (report.result == CVN_ERROR) throw Failure::diagnose("the card refused the tune command");
  report.status = TunerStatus::read();
  return report;
}

std::string LockReport::text() const {
  return "lock test " + transponderText(tr) + ": " + (locked() ? "locked" : "no lock") + "\n" + status.text();
}

nlohmann::json LockReport::json() const {
  return {{"transponder",
           {{"number", tr.TransponderNumber},
            {"frequencyKHz", tr.Frequency},
            {"symbolRateKsps", tr.SymbolRate},
            {"polarity", tr.Polarity ? "horizontal" : "vertical"}}},
          {"locked", locked()},
          {"tuner", status.json()}};
}

void LockReport::requireLock() const {
  if (!locked())
    throw Failure::noSignal("the tuner did not lock on " + transponderText(tr) +
                            " (check the dish, the LNB settings and the polarity)");
}

}  // namespace cv7ctl
