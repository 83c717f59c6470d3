// The PID-already-active mark: set when the driver's add check answers 0 (the PID was
// already in its table, or the table was full); the data path's registration reads and
// clears it.
#pragma once

namespace corvane::network {

bool pidAlreadyActive();
void clearPidAlreadyActive();

}  // namespace corvane::network
