// Log lines of the daemon on standard error: "cv7: LEVEL: text". One lock keeps lines whole.
#pragma once
#include <atomic>

namespace cv7::host {

enum class LogLevel { Error = 0, Warn = 1, Info = 2, Debug = 3 };

class Log {
 public:
  static void setLevel(LogLevel level) { level_.store(level); }
  static LogLevel level() { return level_.load(); }
  // Parses "error", "warn", "info" or "debug"; false for anything else.
  static bool parseLevel(const char* text, LogLevel& level);
  static bool enabled(LogLevel level) { return int(level) <= int(level_.load()); }

 private:
  static inline std::atomic<LogLevel> level_{LogLevel::Info};
};

void logLine(LogLevel level, const char* format, ...) __attribute__((format(printf, 2, 3)));

#define CV7_LOG_ERROR(...) ::cv7::host::logLine(::cv7::host::LogLevel::Error, __VA_ARGS__)
#define CV7_LOG_WARN(...) ::cv7::host::logLine(::cv7::host::LogLevel::Warn, __VA_ARGS__)
#define CV7_LOG_INFO(...) ::cv7::host::logLine(::cv7::host::LogLevel::Info, __VA_ARGS__)
#define CV7_LOG_DEBUG(...) ::cv7::host::logLine(::cv7::host::LogLevel::Debug, __VA_ARGS__)

}  // namespace cv7::host
