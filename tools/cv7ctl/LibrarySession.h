// A connection of the receiver library for one cv7ctl command, and small argument helpers
// shared by the command groups.
#pragma once
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include "CommandRegistry.h"
#include "corvane.h"

namespace cv7ctl {

// Opens the library in a client mode (default 2: a client that does not own the data
// reception) and closes it at the end of the command.
class LibrarySession {
 public:
  explicit LibrarySession(uint8_t clientMode = 2, CvnWindow* window = nullptr, uint32_t searchMessage = 0)
      : open_(Cvn_OpenSystem(clientMode, window, 0, searchMessage, 0) == 1) {
    if (!open_) std::fprintf(stderr, "cv7ctl: the library cannot reach the cv7 daemon (is it running? CV7_DEVICE?)\n");
  }
  ~LibrarySession() {
    if (open_) Cvn_CloseSystem();
  }
  LibrarySession(const LibrarySession&) = delete;
  LibrarySession& operator=(const LibrarySession&) = delete;
  bool ok() const { return open_; }

 private:
  bool open_;
};

// A decimal or 0x-prefixed number within [0, max].
inline std::optional<uint32_t> number(const std::string& text, uint64_t max = 0xFFFFFFFFu) {
  if (text.empty()) return std::nullopt;
  char* end = nullptr;
  errno = 0;
  unsigned long long value = std::strtoull(text.c_str(), &end, 0);
  if (errno != 0 || *end != '\0' || value > max || text[0] == '-') return std::nullopt;
  return uint32_t(value);
}

// The value after `--name` in args, if present.
inline std::optional<std::string> option(const Arguments& args, const std::string& name) {
  for (size_t i = 0; i + 1 < args.size(); ++i) {
    if (args[i] == name) return args[i + 1];
  }
  return std::nullopt;
}

inline int usageError(const std::string& usage) {
  std::fprintf(stderr, "usage: cv7ctl %s\n", usage.c_str());
  return 2;
}

}  // namespace cv7ctl
