#include "RealtimePriority.h"

#include <pthread.h>
#include <sched.h>

#include <cstring>

#include "Log.h"

namespace cv7::host {

namespace {
// Low among real-time priorities: above every normal thread, below the kernel's own.
constexpr int kPriority = 10;
}  // namespace

bool askRealtimePriority(const char* threadName) {
  sched_param parameter{};
  parameter.sched_priority = kPriority;
  int error = ::pthread_setschedparam(::pthread_self(), SCHED_FIFO, &parameter);
  if (error != 0) {
    CV7_LOG_WARN("%s thread: real-time priority refused (%s); it runs at normal priority", threadName,
                 std::strerror(error));
    return false;
  }
  CV7_LOG_INFO("%s thread: real-time priority %d", threadName, kPriority);
  return true;
}

}  // namespace cv7::host
