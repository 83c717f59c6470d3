// Which connection holds each driver-global registration that clients make: the client
// numbers, the data path (its capture and event), the command channel a connection was
// granted, and the PIDs of the data path (record kinds 10 to 12) it added. The driver's own
// records do not say who made them, so the control server routes every request through
// here; those that register or unregister are served one at a time, so that this record and
// the driver's state change together.
//
// When a connection ends, release() undoes exactly what that connection still holds,
// whatever numbers it used (a channel granted under a number it never opened, a client
// registered without an event), and nothing that another connection holds.
#pragma once
#include <array>
#include <cstdint>
#include <map>
#include <mutex>

#include "platform.h"

namespace cv7::core {
class Miniport;
}

namespace cv7::host {

class RegistrationLedger {
 public:
  explicit RegistrationLedger(core::Miniport& miniport) : miniport_(miniport) {}
  RegistrationLedger(const RegistrationLedger&) = delete;
  RegistrationLedger& operator=(const RegistrationLedger&) = delete;

  // One request of `connection`, as Miniport::control.
  core::Status dispatch(uint64_t connection, uint32_t code, uint8_t* buffer, uint32_t inputLength,
                        uint32_t outputLength, uint32_t& bytesReturned);
  // The connection has ended: undo what it holds.
  void release(uint64_t connection);

 private:
  struct Request {
    uint32_t code;
    uint32_t word0;   // client number, acquiring number; the kind of an added PID (byte 0)
    uint16_t pid;     // ADD_PID / REMOVE_PID
  };
  struct Grant {
    uint64_t connection = 0;
    uint32_t number = 0;
  };
  struct HeldPid {
    uint64_t connection;
    uint8_t kind;
  };

  static bool changesRegistrations(uint32_t code);
  void note(uint64_t connection, const Request& request, core::Status status, const uint8_t* output,
            uint32_t returned);
  // A request of the daemon itself; its first answer word (0 without one or on failure).
  uint32_t call(uint32_t code, uint32_t word0, uint32_t word1 = 0);

  core::Miniport& miniport_;
  std::mutex mutex_;
  std::array<uint64_t, 4> clients_{};  // client number 1..3 -> the connection that opened it
  uint64_t dataPath_ = 0;              // the connection that enabled or opened the data path
  Grant grant_;                        // the last grant of the command channel
  std::map<uint16_t, HeldPid> pids_;   // data-path PIDs by the connection that added them
};

}  // namespace cv7::host
