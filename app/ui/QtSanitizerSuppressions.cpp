// What the sanitizer builds leave out for Cv7d and the widget tests: the behaviour of the
// uninstrumented Qt and system libraries, not of our code.
//
// Leaks: fontconfig (under Qt's font database) keeps its configuration cache, and libdbus
// (under Qt's notification area code, which asks the session bus for a tray watcher) a
// connection buffer, to the end of the process.
//
// Races: Qt's own threads (the D-Bus connection thread) hand events to the window thread under
// Qt's futex-based locks, which the thread sanitizer cannot see, so their allocation on one
// thread and release on the other read as a race. The allocations and releases that Qt Core
// makes are therefore not tracked; our code hands work between threads through its own queue
// (WindowThreadQueue) under ordinary mutexes, which stay checked.
#if defined(__SANITIZE_ADDRESS__)
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\nleak:libdbus-1.so\n"; }
#endif
#if defined(__SANITIZE_THREAD__)
extern "C" const char* __tsan_default_suppressions() { return "called_from_lib:libQt6Core.so.6\n"; }
#endif
