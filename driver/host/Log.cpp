#include "Log.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>

namespace cv7::host {

namespace {
std::mutex logMutex;
const char* levelName(LogLevel level) {
  switch (level) {
    case LogLevel::Error: return "error";
    case LogLevel::Warn: return "warning";
    case LogLevel::Info: return "info";
    case LogLevel::Debug: return "debug";
  }
  return "";
}
}  // namespace

bool Log::parseLevel(const char* text, LogLevel& level) {
  static const struct {
    const char* name;
    LogLevel level;
  } names[] = {{"error", LogLevel::Error}, {"warn", LogLevel::Warn}, {"info", LogLevel::Info}, {"debug", LogLevel::Debug}};
  for (const auto& entry : names) {
    if (std::strcmp(text, entry.name) == 0) {
      level = entry.level;
      return true;
    }
  }
  return false;
}

void logLine(LogLevel level, const char* format, ...) {
  if (!Log::enabled(level)) return;
  char text[512];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  std::lock_guard guard(logMutex);
  std::fprintf(stderr, "cv7: %s: %s\n", levelName(level), text);
  std::fflush(stderr);
}

}  // namespace cv7::host
