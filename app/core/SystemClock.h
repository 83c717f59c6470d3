// The real clock: a wait blocks the calling thread.
#pragma once
#include "Clock.h"

namespace cv7::app {

class SystemClock : public Clock {
 public:
  void sleepFor(std::chrono::milliseconds duration) override;
};

}  // namespace cv7::app
