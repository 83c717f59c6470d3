// The library's trace hook. Trace texts go to a function that prints nothing, unless the
// environment sets CORVANE_TRACE=1, when they go to standard error.
#pragma once

namespace corvane {

void trace(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace corvane
