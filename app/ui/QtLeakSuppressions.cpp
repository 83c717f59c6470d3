// In the ASan build: fontconfig (under Qt's font database) keeps its configuration cache, and
// libdbus (under Qt's notification area code, which asks the session bus for a tray watcher)
// a connection buffer, to the end of the process without freeing them. That is those
// libraries' way, not a leak of ours, so the leak check leaves them out (for Cv7d and the
// widget tests alike).
#if defined(__SANITIZE_ADDRESS__)
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\nleak:libdbus-1.so\n"; }
#endif
