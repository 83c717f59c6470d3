// Network PIDs as the rest of the library changes them. Each change is the driver's check
// request (outside the command channel) and, when the driver's table changed, the card's
// command; a refused command undoes the check, so the driver's table never holds a PID
// that the card was not given, nor lacks one that the card still receives.
#pragma once
#include "corvane.h"

namespace corvane::network {

enum class PidChange {
  Changed,    // the driver's table and the card were changed
  Unchanged,  // the check answered 0: the PID was already there (add: or the table is full)
              // or was not there (remove); nothing was sent to the card
  Failed,     // a request failed or the card refused; the driver's table is as it was
};

// The outcome belongs to this call alone: concurrent changes on other threads cannot
// change what it reports.
PidChange addPid(const NetPid& pid);
PidChange removePid(const NetPid& pid);

}  // namespace corvane::network
