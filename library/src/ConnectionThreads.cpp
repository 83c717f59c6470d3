// The library's threads of a connection: the event thread (card events to window messages)
// and the status thread (client mode 3: PID change lists to the status message). The
// search thread is the channel search's (Search.cpp).
#include <cstring>

#include "CommandChannel.h"
#include "CommandCodes.h"
#include "ConnectionEvents.h"
#include "ControlCodes.h"
#include "Device.h"
#include "LibraryThread.h"
#include "Session.h"

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

void handleCardEvent(Session& s) {
  uint8_t mode = s.mode();
  if (mode == 2 && clientOneOpen()) return;
  CommandBlock block(cv7::cmd::CMD_GET_EVENT);
  if (sendCommand(block, &s.stopFlag()) != cv7::ctl::kResultSuccess) return;
  intptr_t parameter = mapCardEvent(mode, block.parameters()[0]);
  if (parameter != 0) s.deliver(s.messages().event, 0, parameter);
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

// The card event is waited for without time-out: the session's stop signals it.
void eventThreadMain(std::shared_ptr<Session> session) {
  nameLibraryThread("cvn-event");
  Session& s = *session;
  for (;;) {
    s.cardEvent().wait(-1);
    if (s.stopping()) return;
    handleCardEvent(s);
  }
}

void statusThreadMain(std::shared_ptr<Session> session) {
  nameLibraryThread("cvn-status");
  Session& s = *session;
  for (;;) {
    s.statusEvent().wait(kStatusWaitMilliseconds);
    if (s.stopping()) return;
    uint8_t reply[kStatusReplySize] = {};
    uint32_t returned = 0;
    if (!device().request(cv7::ctl::IOCTL_CV7_GET_PID_CHANGES, nullptr, 0, reply, kStatusReplySize, &returned))
      continue;
    if (!copyStatusReport(reply, returned, s.statusRecord())) continue;
    s.deliver(s.messages().status, 0, reinterpret_cast<intptr_t>(&s.statusRecord()));
  }
}

}  // namespace corvane::connection
