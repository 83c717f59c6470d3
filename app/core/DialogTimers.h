// The timers of a dialog's logic (the window system's SetTimer and KillTimer): a timer id
// fires every period on the window thread until it is killed. The widgets run them on Qt's
// timers (QtDialogTimers); tests fire them by hand, so that the dialogs run on a clock the
// test drives.
#pragma once
#include <chrono>

namespace cv7::app {

class DialogTimers {
 public:
  virtual ~DialogTimers() = default;
  // Starts timer `id` (or restarts it with the new period).
  virtual void setTimer(int id, std::chrono::milliseconds period) = 0;
  // Stops timer `id`; nothing when it does not run.
  virtual void killTimer(int id) = 0;
};

}  // namespace cv7::app
