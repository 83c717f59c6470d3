// cv7ctl tune and signal: a lock test with explicit LNB and transponder values, and the
// live tuner status.
#include <csignal>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

#include "LibrarySession.h"
#include "TunerReport.h"

namespace cv7ctl {

const char* lockResultText(int32_t result) {
  switch (result) {
    case CVN_OK:
      return "locked";
    case CVN_LOCK_ERROR:
      return "no lock";
    case CVN_ERROR:
      return "tune command refused";
    default:
      return "failed";
  }
}

void printTunerInformation(const uint8_t info[8]) {
  bool locked = info[0] && info[1] && info[2] && info[3];
  double rate = info[6] * std::pow(10.0, -(int(info[7]) + 1));
  std::printf("lock %s (indicators %u %u %u %u)  level %u  quality %u  error rate %.1e\n", locked ? "yes" : "no",
              info[0], info[1], info[2], info[3], info[4], info[5], rate);
}

int lockAndReport(const LnbInfo& lnb, const TrInfo& tr) {
  int32_t result = Cvn_TunerLockTest(lnb, tr);
  std::printf("lock test %u kHz, %u ksym/s, %s: %s\n", tr.Frequency, tr.SymbolRate, tr.Polarity ? "horizontal" : "vertical",
              lockResultText(result));
  uint8_t info[8] = {};
  if (Cvn_GetTunerInformation(info)) printTunerInformation(info);
  return result == CVN_OK ? 0 : 1;
}

namespace {

constexpr const char* kTuneUsage =
    "tune --freq KHZ --sr KSYM [--pol h|v] [--lo KHZ (0 = universal)] [--tone on|off] [--power on|off] "
    "[--burst N] [--diseqc N]";

int runTune(const Arguments& args) {
  auto frequency = number(option(args, "--freq").value_or(""));
  auto symbolRate = number(option(args, "--sr").value_or(""));
  auto oscillator = number(option(args, "--lo").value_or("0"));
  auto burst = number(option(args, "--burst").value_or("0"), 0xFF);
  auto diseqc = number(option(args, "--diseqc").value_or("0"), 0xFF);
  std::string pol = option(args, "--pol").value_or("v");
  std::string tone = option(args, "--tone").value_or("off");
  std::string power = option(args, "--power").value_or("on");
  if (!frequency || !symbolRate || !oscillator || !burst || !diseqc || (pol != "h" && pol != "v") ||
      (tone != "on" && tone != "off") || (power != "on" && power != "off")) {
    return usageError(kTuneUsage);
  }
  LnbInfo lnb{};
  std::strcpy(lnb.SatelliteName, "cv7ctl");
  lnb.LocalOscillator = *oscillator;
  lnb.Tone22k = tone == "on" ? 0 : 1;
  lnb.LnbPower = power == "on" ? 0 : 1;
  lnb.ToneBurst = uint8_t(*burst);
  lnb.DiSEqC = uint8_t(*diseqc);
  TrInfo tr{};
  tr.Frequency = *frequency;
  tr.SymbolRate = *symbolRate;
  tr.Polarity = pol == "h" ? 1 : 0;
  LibrarySession session;
  if (!session.ok()) return 1;
  return lockAndReport(lnb, tr);
}

volatile std::sig_atomic_t interrupted = 0;

int runSignal(const Arguments& args) {
  auto interval = number(option(args, "--interval").value_or("500"));
  auto count = number(option(args, "--count").value_or("0"));
  if (!interval || !count) return usageError("signal [--interval MS] [--count N]");
  LibrarySession session;
  if (!session.ok()) return 1;
  std::signal(SIGINT, [](int) { interrupted = 1; });
  for (uint32_t i = 0; (*count == 0 || i < *count) && !interrupted; ++i) {
    uint8_t info[8] = {};
    if (!Cvn_GetTunerInformation(info)) {
      std::fprintf(stderr, "cv7ctl: no tuner information\n");
      return 1;
    }
    printTunerInformation(info);
    std::fflush(stdout);
    std::this_thread::sleep_for(std::chrono::milliseconds(*interval));
  }
  return 0;
}

CommandRegistration tune("tune", kTuneUsage, runTune);
CommandRegistration signal("signal", "signal [--interval MS] [--count N]", runSignal);

}  // namespace
}  // namespace cv7ctl
