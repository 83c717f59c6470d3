// What the notification icon's mouse handling and menu need of the main frame.
#pragma once
#include "SetupSheet.h"

namespace cv7::app {

class TrayOwner {
 public:
  virtual ~TrayOwner() = default;
  // False until the main frame's creation has finished: the icon ignores the mouse.
  virtual bool startupDone() const = 0;
  virtual SetupSheet& setupSheet() = 0;
  // Command 32771 "Corvane-7 Data Setup".
  virtual void OnSetupCommand() = 0;
  // Command 57665 "Exit".
  virtual void OnAppExit() = 0;
};

}  // namespace cv7::app
