#include "SystemClock.h"

#include <thread>

namespace cv7::app {

void SystemClock::sleepFor(std::chrono::milliseconds duration) { std::this_thread::sleep_for(duration); }

}  // namespace cv7::app
