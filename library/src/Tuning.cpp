// Tuning and lock test: the one place where the user's LNB settings become the tune
// command's local oscillator, band, polarity and LNB power.
#include "Tuning.h"

#include <chrono>
#include <cstring>
#include <mutex>
#include <thread>

#include "CommandChannel.h"
#include "CommandCodes.h"
#include "Trace.h"

namespace corvane::tuning {

namespace {

constexpr uint32_t kUniversalLow = 9750000;
constexpr uint32_t kUniversalHigh = 10600000;
constexpr uint32_t kIfMin = 950000;
constexpr uint32_t kIfMax = 2150000;
constexpr uint32_t kIfMiddle = 1550000;
constexpr auto kPollInterval = std::chrono::milliseconds(50);
constexpr int kLockAnswers = 3;
// Answers of another status are not counted; a card that gives nothing else for 5 s has not
// locked (without this bound the test would never end).
constexpr int kMaxUncountedPolls = 100;

std::mutex lastLock;
LastLockTest last{};

bool insideIfRange(uint32_t intermediate) { return intermediate > kIfMin && intermediate < kIfMax; }
uint32_t distanceFromMiddle(uint32_t intermediate) {
  return intermediate > kIfMiddle ? intermediate - kIfMiddle : kIfMiddle - intermediate;
}

void putWord(uint8_t* at, uint32_t value) { std::memcpy(at, &value, 4); }

// Polls the tuner information every 50 ms; the third status-1 answer decides. Status 0
// (or a failed request) ends the test with the lock bytes cleared; other statuses are not
// counted.
bool pollLock() {
  int answers = 0, uncounted = 0;
  uint8_t lockBytes[4] = {};
  while (answers < kLockAnswers) {
    std::this_thread::sleep_for(kPollInterval);
    CommandBlock block(cv7::cmd::CMD_GET_TUNER_INFO);
    uint16_t status = sendCommand(block);
    if (status == 0) {
      std::memset(lockBytes, 0, sizeof lockBytes);
      break;
    }
    if (status != 1) {
      if (++uncounted >= kMaxUncountedPolls) {
        std::memset(lockBytes, 0, sizeof lockBytes);
        break;
      }
      continue;
    }
    std::memcpy(lockBytes, block.parameters(), sizeof lockBytes);
    ++answers;
  }
  return lockBytes[0] && lockBytes[1] && lockBytes[2] && lockBytes[3];
}

}  // namespace

LastLockTest lastLockTest() {
  std::lock_guard guard(lastLock);
  return last;
}

Oscillator chooseOscillator(const LnbInfo& lnb, uint32_t frequency) {
  if (lnb.LocalOscillator != 0) return {lnb.LocalOscillator, uint8_t(lnb.Tone22k == 0 ? 1 : 0)};
  // Universal LNB. Unsigned arithmetic: a frequency below the oscillator gives a huge IF.
  uint32_t low = frequency - kUniversalLow;
  uint32_t high = frequency - kUniversalHigh;
  if (!insideIfRange(low)) return {kUniversalHigh, 1};
  if (!insideIfRange(high)) return {kUniversalLow, 0};
  if (distanceFromMiddle(low) > distanceFromMiddle(high)) return {kUniversalHigh, 1};
  return {kUniversalLow, 0};
}

void convertErrorRate(uint16_t errorCount, uint8_t& mantissa, uint8_t& exponent) {
  mantissa = exponent = 0;
  if (errorCount == 0) return;
  float rate = float(errorCount) / 262144.0f;
  float scale = 10.0f;
  while (scale < 10000000.0f && scale * rate < 1.0f) {
    ++exponent;
    scale *= 10.0f;
  }
  mantissa = uint8_t(uint32_t(scale * rate));
}

}  // namespace corvane::tuning

using namespace corvane;

extern "C" {

int32_t Cvn_TunerLockTest(LnbInfo lnb, TrInfo tr) {
  {
    std::lock_guard guard(tuning::lastLock);
    tuning::last = {lnb, tr};
  }
  tuning::Oscillator oscillator = tuning::chooseOscillator(lnb, tr.Frequency);
  CommandBlock tune(cv7::cmd::CMD_TUNE);
  uint8_t* p = tune.parameters();
  tuning::putWord(p, oscillator.localOscillator);
  tuning::putWord(p + 4, tr.Frequency);
  tuning::putWord(p + 8, tr.SymbolRate);
  p[12] = tr.Polarity == 0 ? 1 : 2;
  p[13] = oscillator.band;
  p[14] = lnb.LnbPower == 0 ? 1 : 0;
  p[15] = lnb.ToneBurst;
  p[16] = lnb.DiSEqC;
  if (sendCommand(tune) == 0) return CVN_ERROR;
  return tuning::pollLock() ? CVN_OK : CVN_LOCK_ERROR;
}

int32_t Cvn_GetTunerInformation(uint8_t info[8]) {
  CommandBlock block(cv7::cmd::CMD_GET_TUNER_INFO);
  uint16_t status = sendCommand(block);
  if (status == 0) return 0;
  if (status == 1 && info != nullptr) {
    const uint8_t* reply = block.parameters();
    std::memcpy(info, reply, 6);
    uint16_t errorCount = uint16_t((reply[6] << 8) | reply[7]);
    tuning::convertErrorRate(errorCount, info[6], info[7]);
  }
  return 1;
}

static int32_t sendChannel(uint8_t code, CvnChannelRequest request) {
  if (request.Word[0] == 0) request.Word[0] = 0xFFFF;
  CommandBlock block(code);
  std::memcpy(block.parameters(), request.Word, sizeof request.Word);
  return sendCommand(block) != 0 ? 1 : CVN_ERROR;
}

int32_t Cvn_SetChannel(CvnChannelRequest request) { return sendChannel(cv7::cmd::CMD_SET_CHANNEL, request); }
int32_t Cvn_StopChannel(CvnChannelRequest request) { return sendChannel(cv7::cmd::CMD_STOP_CHANNEL, request); }

int32_t Cvn_SetAudioChannel(uint16_t audioPid) {
  if (audioPid == 0 || audioPid >= 0x1FFF) return 0;
  trace("Cv7_SetAudioPID\n");
  CommandBlock block(cv7::cmd::CMD_SET_AUDIO_PID);
  std::memcpy(block.parameters(), &audioPid, 2);
  int32_t result = sendCommand(block) != 0 ? 1 : 0;
  trace("Cv7_SetAudioPID return = %d\n", result);
  return result;
}

int32_t Cvn_SetAudioControl(CvnAudioControl control) {
  CommandBlock block(cv7::cmd::CMD_SET_AUDIO_CONTROL);
  std::memcpy(block.parameters(), control.Word, sizeof control.Word);
  return sendCommand(block) != 0 ? 1 : 0;
}

}  // extern "C"
