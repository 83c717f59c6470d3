// A connection to the control socket that speaks the request protocol itself
// (docs/control-device.md), without events: for raw requests and the interface version,
// which the library's exports do not offer.
#pragma once
#include <cstdint>
#include <vector>

namespace cv7ctl {

class ControlClient {
 public:
  static constexpr uint32_t kMaxPayload = 64 * 1024;

  // Connects to the control socket; throws a Failure when nothing answers there.
  ControlClient();
  ~ControlClient();
  ControlClient(const ControlClient&) = delete;
  ControlClient& operator=(const ControlClient&) = delete;

  // Sends {header, input} and returns the status and the returned bytes; throws
  // Failure::daemonNotRunning() when no valid answer comes.
  uint32_t request(uint32_t code, const std::vector<uint8_t>& input, uint32_t outputLength,
                   std::vector<uint8_t>& output);

 private:
  int fd_ = -1;
};

}  // namespace cv7ctl
