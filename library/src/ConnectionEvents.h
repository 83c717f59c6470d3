// What the connection's threads make of the driver's answers.
#pragma once
#include <cstdint>

#include "corvane.h"

namespace corvane::connection {

// The window message parameter for a card event code in a client mode; 0 = no message.
intptr_t mapCardEvent(uint8_t clientMode, uint8_t eventCode);
// Copies a PID change report (up to 24 words) into the status record; false when the
// report says nothing changed (word 0 = 0).
bool copyStatusReport(const uint8_t* reply, uint32_t length, CvnStatusRecord& record);

}  // namespace corvane::connection
