// The process-global state of the connection (one per process).
#pragma once
#include <atomic>
#include <cstdint>
#include <mutex>
#include <thread>

#include "AutoResetEvent.h"
#include "corvane.h"

namespace corvane::connection {

struct State {
  std::mutex lifecycle;  // open and close do not overlap
  std::atomic<uint8_t> clientMode{0};
  std::atomic<bool> open{false};
  std::atomic<CvnWindow*> window{nullptr};
  std::atomic<uint32_t> eventMessage{0}, searchMessage{0}, statusMessage{0};
  std::atomic<uint32_t> closing{0};
  std::atomic<uint32_t> eventThreadBusy{0};
  std::atomic<bool> stopThreads{false};
  AutoResetEvent cardEvent, searchEvent, statusEvent;
  std::thread eventThread, searchThread, statusThread;
  CvnStatusRecord statusRecord{};  // written only by the status thread
};

State& state();

// Thread bodies (ConnectionThreads.cpp).
void eventThreadMain();
void statusThreadMain();
void searchThreadMain();
// The window message parameter for a card event code in a client mode; 0 = no message.
intptr_t mapCardEvent(uint8_t clientMode, uint8_t eventCode);
// Copies a PID change report (up to 24 words) into the status record; false when the
// report says nothing changed (word 0 = 0).
bool copyStatusReport(const uint8_t* reply, uint32_t length, CvnStatusRecord& record);

}  // namespace corvane::connection
