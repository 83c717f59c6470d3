// The open connection as the other parts of the library see it.
#pragma once
#include <memory>

#include "Session.h"

namespace corvane::connection {

// True between a successful Cvn_OpenSystem and the end of a successful Cvn_CloseSystem.
bool isOpen();
// The open connection's session; null when none is open. Holding it keeps its events
// valid, also across a concurrent close.
std::shared_ptr<Session> currentSession();

}  // namespace corvane::connection
