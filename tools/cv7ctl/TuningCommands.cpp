// cv7ctl tune and signal: a lock test with explicit LNB and transponder values, and the
// live tuner status.
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <thread>

#include "Command.h"
#include "Failure.h"
#include "LibrarySession.h"
#include "TunerReport.h"
#include "Vocabulary.h"

namespace cv7ctl {
namespace {

struct TuneOptions {
  uint32_t frequency = 0, symbolRate = 0, polarity = 0, oscillator = 0;
  uint32_t tone = 0, power = 1, burst = 0, diseqc = 0;
  bool toneGiven = false, json = false;
};

int runTune(const TuneOptions& o) {
  if (o.oscillator == 0 && o.toneGiven)
    throw Failure::badArgument("--tone: the 22 kHz tone of a universal LNB is chosen per transponder");
  LnbInfo lnb{};
  std::strcpy(lnb.SatelliteName, "cv7ctl");
  lnb.LocalOscillator = o.oscillator;
  lnb.Tone22k = o.tone ? 0 : 1;
  lnb.LnbPower = o.power ? 0 : 1;
  lnb.ToneBurst = uint8_t(o.burst);
  lnb.DiSEqC = uint8_t(o.diseqc);
  TrInfo tr{};
  tr.Frequency = o.frequency;
  tr.SymbolRate = o.symbolRate;
  tr.Polarity = o.polarity;
  LibrarySession session;
  LockReport report = LockReport::run(lnb, tr);
  std::printf("%s\n", o.json ? jsonText(report.json()).c_str() : report.text().c_str());
  report.requireLock();
  return kExitOk;
}

volatile std::sig_atomic_t interrupted = 0;

int runSignal(uint32_t interval, uint32_t count, bool json) {
  LibrarySession session;
  std::signal(SIGINT, [](int) { interrupted = 1; });
  for (uint32_t i = 0; (count == 0 || i < count) && !interrupted; ++i) {
    if (i > 0) std::this_thread::sleep_for(std::chrono::milliseconds(interval));
    TunerStatus status = TunerStatus::read();
    std::printf("%s\n", json ? jsonText(status.json()).c_str() : status.text().c_str());
    std::fflush(stdout);
  }
  return kExitOk;
}

CommandRegistration tune{
    "tune", "Lock test with LNB and transponder values given on the command line", kGroupTuning,
    [](CLI::App& command) {
      auto o = std::make_shared<TuneOptions>();
      command.add_option("--freq", o->frequency, "Transponder frequency")->required()->transform(accept::frequency())->type_name("FREQ");
      command.add_option("--sr", o->symbolRate, "Symbol rate")->required()->transform(accept::symbolRate())->type_name("RATE");
      command.add_option("--pol", o->polarity, "Polarity")->transform(accept::polarity())->type_name("POL")->default_str("v");
      command.add_option("--lnb", o->oscillator, "LNB type")->transform(accept::lnb())->type_name("LNB")->default_str("universal");
      command.add_option("--tone", o->tone, "22 kHz tone of a fixed LNB (on = high band)")
          ->transform(accept::onOff())->type_name("SWITCH")
          ->default_str("off")
          ->each([o](const std::string&) { o->toneGiven = true; });
      command.add_option("--power", o->power, "LNB power")->transform(accept::onOff())->type_name("SWITCH")->default_str("on");
      command.add_option("--burst", o->burst, "Tone burst")->transform(accept::toneBurst())->type_name("BURST")->default_str("none");
      command.add_option("--diseqc", o->diseqc, "DiSEqC port")->transform(accept::diseqc())->type_name("PORT")->default_str("none");
      command.add_flag("--json", o->json, "Print the result as one JSON object (for scripts)");
      setRun(command, [o] { return runTune(*o); });
    }};

struct SignalOptions {
  uint32_t interval = 500, count = 0;
  bool json = false;
};

CommandRegistration signal{"signal", "Print the tuner status repeatedly (lock, level, quality, error rate)",
                           kGroupTuning, [](CLI::App& command) {
                             auto o = std::make_shared<SignalOptions>();
                             command.add_option("--interval", o->interval, "Milliseconds between readings")
                                 ->capture_default_str()
                                 ->check(CLI::Range(10u, 3600000u));
                             command.add_option("--count", o->count, "Readings to print (0 = until Ctrl-C)")
                                 ->capture_default_str();
                             command.add_flag("--json", o->json, "One JSON object per reading");
                             setRun(command, [o] { return runSignal(o->interval, o->count, o->json); });
                           }};

}  // namespace
}  // namespace cv7ctl
