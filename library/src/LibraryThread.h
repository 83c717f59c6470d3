// The library's threads carry names beginning with "cvn-" (cvn-event, cvn-search,
// cvn-status, cvn-data), so that they can be told apart in a debugger, in top -H, and by
// tests that check that none is left.
#pragma once
#include <pthread.h>

namespace corvane {

inline void nameLibraryThread(const char* name) { pthread_setname_np(pthread_self(), name); }

}  // namespace corvane
