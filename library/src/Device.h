// The library's connection to the driver's control device: one socket per process, one
// synchronous request at a time (the library's threads share it; a lock keeps each
// request and its answer together).
#pragma once
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

namespace corvane {

class Device {
 public:
  // The socket path: CV7_DEVICE when set, else /run/cv7/Cv7Dev.
  static std::string defaultPath();
  // The longest the driver may take to answer one request. A driver that takes longer is
  // taken to be gone: a late answer could no longer be told from the next one's.
  static constexpr int kAnswerTimeoutSeconds = 15;

  Device() = default;
  ~Device();
  Device(const Device&) = delete;
  Device& operator=(const Device&) = delete;

  bool open(const std::string& path);
  void close();
  bool isOpen() const;
  // True once a request found the driver gone (the socket closed, reset or silent beyond
  // the answer timeout): every later request fails at once, until close().
  bool gone() const { return gone_.load(); }

  // One control request. The input goes out, up to outputLength bytes come back into
  // output; events are eventfds sent with the request, each named in the input by its own
  // fd number. True when the driver completed the request with a success status.
  bool request(uint32_t code, const void* input, uint32_t inputLength, void* output, uint32_t outputLength,
               uint32_t* returned = nullptr, const int* events = nullptr, uint32_t eventCount = 0);
  // The status of the last answered request (for diagnostics).
  uint32_t lastStatus() const;

 private:
  bool exchange(uint32_t code, const void* input, uint32_t inputLength, void* output, uint32_t outputLength,
                uint32_t& returned, const int* events, uint32_t eventCount);
  // The driver is gone: the socket is shut down so that nothing more is read from it.
  void markGone();

  mutable std::mutex mutex_;
  int fd_ = -1;
  std::atomic<bool> gone_{false};
  uint32_t lastStatus_ = 0;
};

// The process's connection. Never destroyed, so that a library thread still running while
// the process exits finds it intact.
Device& device();

}  // namespace corvane
