// The library's threads: the event thread (card events to window messages), the status
// thread (client mode 3: PID change lists to the status message) and the search thread.
#include <cstring>

#include "CommandChannel.h"
#include "CommandCodes.h"
#include "Connection.h"
#include "ConnectionState.h"
#include "ControlCodes.h"
#include "Device.h"

namespace corvane::connection {

namespace {

constexpr int kStatusWaitMilliseconds = 400;
constexpr uint32_t kStatusReplySize = 96;  // 24 words
constexpr uint32_t kStatusListMax = 16;

uint32_t word(const uint8_t* bytes, uint32_t length, uint32_t index) {
  if ((index + 1) * 4 > length) return 0;
  uint32_t value;
  std::memcpy(&value, bytes + index * 4, 4);
  return value;
}

// Client mode 2 hears of events only while no client 1 is registered.
bool clientOneOpen() {
  uint8_t reply[4] = {};
  uint32_t returned = 0;
  if (!device().request(cv7::ctl::IOCTL_CV7_QUERY_CLIENT1_OPEN, nullptr, 0, reply, 4, &returned)) return false;
  return returned >= 4 && word(reply, 4, 0) == 1;
}

void handleCardEvent(State& s) {
  uint8_t mode = s.clientMode.load();
  if (mode == 2 && clientOneOpen()) return;
  CommandBlock block(cv7::cmd::CMD_GET_EVENT);
  if (sendCommand(block, &s.stopThreads) != cv7::ctl::kResultSuccess) return;
  intptr_t parameter = mapCardEvent(mode, block.parameters()[0]);
  if (parameter != 0) sendToWindow(s.eventMessage.load(), 0, parameter);
}

}  // namespace

intptr_t mapCardEvent(uint8_t clientMode, uint8_t eventCode) {
  if (clientMode == 2) return eventCode == cv7::cmd::EVENT_CLIENT_OPENED ? 1 : 0;
  if (clientMode != 1) return 0;
  switch (eventCode) {
    case 10: return 2;
    case 11: return 3;
    case 12: return 4;
    case 13: return 5;
    case 16: return 7;
    case 21: return 1;
    case 30: return 6;
    default: return 0;
  }
}

bool copyStatusReport(const uint8_t* reply, uint32_t length, CvnStatusRecord& record) {
  if (word(reply, length, 0) == 0) return false;
  uint32_t at = 1;
  uint32_t countA = word(reply, length, at++) & 0xFF;
  record = CvnStatusRecord{};
  record.CountA = uint8_t(countA < kStatusListMax ? countA : kStatusListMax);
  for (uint32_t i = 0; i < record.CountA; ++i) record.ListA[i] = word(reply, length, at + i);
  at += countA;
  uint32_t countB = word(reply, length, at++) & 0xFF;
  record.CountB = uint8_t(countB < kStatusListMax ? countB : kStatusListMax);
  for (uint32_t i = 0; i < record.CountB; ++i) record.ListB[i] = word(reply, length, at + i);
  return true;
}

void eventThreadMain() {
  State& s = state();
  for (;;) {
    s.eventThreadBusy.store(0);
    s.cardEvent.wait(-1);
    if (s.stopThreads.load()) break;
    s.eventThreadBusy.store(1);
    if (s.closing.load() == 1) continue;
    handleCardEvent(s);
  }
  s.eventThreadBusy.store(0);
}

void statusThreadMain() {
  State& s = state();
  for (;;) {
    s.statusEvent.wait(kStatusWaitMilliseconds);
    if (s.closing.load() == 1 || s.stopThreads.load()) return;
    uint8_t reply[kStatusReplySize] = {};
    uint32_t returned = 0;
    if (!device().request(cv7::ctl::IOCTL_CV7_GET_PID_CHANGES, nullptr, 0, reply, kStatusReplySize, &returned))
      continue;
    if (!copyStatusReport(reply, returned, s.statusRecord)) continue;
    sendToWindow(s.statusMessage.load(), 0, reinterpret_cast<intptr_t>(&s.statusRecord));
  }
}

void searchThreadMain() {
  State& s = state();
  for (;;) {
    s.searchEvent.wait(-1);
    if (s.stopThreads.load()) return;
    if (s.closing.load() == 1) continue;
    runSearchRequest();
  }
}

__attribute__((weak)) void runSearchRequest() {}

}  // namespace corvane::connection
