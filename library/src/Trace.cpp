#include "Trace.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace corvane {

namespace {
bool traceEnabled() {
  static const bool enabled = [] {
    const char* value = std::getenv("CORVANE_TRACE");
    return value != nullptr && std::strcmp(value, "1") == 0;
  }();
  return enabled;
}
}  // namespace

void trace(const char* format, ...) {
  if (!traceEnabled()) return;
  va_list args;
  va_start(args, format);
  std::vfprintf(stderr, format, args);
  va_end(args);
}

}  // namespace corvane
