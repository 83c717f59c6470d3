// The open connection as the other parts of the library see it: its client mode, the
// window and message ids given to Cvn_OpenSystem, the closing flag and the search thread.
#pragma once
#include <atomic>
#include <cstdint>

#include "corvane.h"

namespace corvane::connection {

// True between a successful Cvn_OpenSystem and the end of Cvn_CloseSystem.
bool isOpen();
// 1 from the start of Cvn_CloseSystem.
bool closing();
uint32_t searchMessage();
// Sends a message to the window synchronously; nothing (0) when there is no window.
intptr_t sendToWindow(uint32_t message, uintptr_t wParam, intptr_t lParam);
// Wakes the search thread (Cvn_SearchChannel).
void wakeSearchThread();
// The stop flag of the library's threads, for commands they send (CommandChannel.h).
const std::atomic<bool>* threadStopFlag();

// What the search thread does when woken and not closing: the channel search. The default
// does nothing; the search defines the real one (a strong definition replaces it).
void runSearchRequest();

}  // namespace corvane::connection
