// The waits of the application's logic (the pauses between attempts to open a file that
// another program holds), so that tests can run them on a virtual clock.
#pragma once
#include <chrono>

namespace cv7::app {

class Clock {
 public:
  virtual ~Clock() = default;
  virtual void sleepFor(std::chrono::milliseconds duration) = 0;
};

}  // namespace cv7::app
