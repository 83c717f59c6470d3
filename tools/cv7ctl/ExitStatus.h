// The exit statuses of cv7ctl: one per kind of failure, the same in every command, listed
// in `cv7ctl --help` and in the manual page (docs/man/cv7ctl.1.scd).
#pragma once

namespace cv7ctl {

enum ExitStatus : int {
  kExitOk = 0,
  kExitCardError = 1,         // the card or the driver refused or failed the request
  kExitBadArgument = 2,       // a command, option or value that cv7ctl does not accept
  kExitDaemonNotRunning = 3,  // nothing answers on the control socket (or the daemon went away)
  kExitNoPermission = 4,      // the control socket refuses this user (not in group cv7)
  kExitFileError = 5,         // a file cannot be read or written, or is not of its format
  kExitNoSignal = 6,          // the tuner did not lock on the transponder
};

// "N  meaning" lines for the help text, in the order of the values.
const char* exitStatusTable();

}  // namespace cv7ctl
