// The control device's request dispatcher. Input and output share one buffer: a handler reads
// its input fields first and then writes its answer over the same bytes from offset 0.
//
// Every request names the input and output sizes it needs; a shorter buffer is refused with
// STATUS_BUFFER_TOO_SMALL before anything is read or changed, so no handler ever touches a
// byte past either length. The dispatcher keeps no state of its own: everything lives in the
// driver-global DriverState, shared with the receive path and the command channel.
#pragma once
#include <cstdint>

#include "CommandChannel.h"
#include "DriverState.h"
#include "platform.h"

namespace cv7::core {

class ControlDispatcher {
 public:
  ControlDispatcher(Platform& platform, DriverState& state, CommandChannel& channel)
      : platform_(platform), state_(state), channel_(channel) {}

  // `buffer` holds max(inputLength, outputLength) bytes. Returns the request's status;
  // bytesReturned is its transfer count.
  Status dispatch(uint32_t code, uint8_t* buffer, uint32_t inputLength, uint32_t outputLength,
                  uint32_t& bytesReturned);

 private:
  struct Request {
    uint8_t* buffer;
    uint32_t inputLength;
    uint32_t outputLength;
    uint32_t bytesReturned = 0;
    uint32_t word(uint32_t index) const;
    void answer(uint32_t index, uint32_t value);  // writes word `index`, returns index+1 words
  };
  using Handler = Status (ControlDispatcher::*)(Request&);
  struct Entry {
    uint32_t code;
    uint32_t inputNeeded;
    uint32_t outputNeeded;
    Handler handler;
  };
  static const Entry* find(uint32_t code);

  Status reserved(Request&);
  Status interfaceVersion(Request&);
  Status registerBase(Request&);
  Status writeRegister(Request&);
  Status readRegister(Request&);
  Status addPid(Request&);
  Status removePid(Request&);
  Status setIpAddress(Request&);
  Status clearPids(Request&);
  Status macAddress(Request&);
  Status driverVersion(Request&);
  Status openClient(Request&);
  Status closeClient(Request&);
  Status acquireChannel(Request&);
  Status releaseChannel(Request&);
  Status queryClient1Open(Request&);
  Status sendCommand(Request&);
  Status programTable(Request&);
  Status openDataPath(Request&);
  Status closeDataPath(Request&);
  Status enableDataPath(Request&);
  Status dataPositions(Request&);
  Status setDataReadPosition(Request&);
  Status readDataHeader(Request&);
  Status readData(Request&);
  Status pidChanges(Request&);

  // The mapped window when `offset` names a register inside it, else nullptr.
  RegisterWindow* registerAt(uint32_t offset) const;
  // Replaces a held event reference by a new one for `handle`; returns the referencing status.
  Status referenceInto(uint32_t handle, std::atomic<uint32_t>& heldHandle, std::atomic<EventObject>& held);
  void releaseFrom(std::atomic<uint32_t>& heldHandle, std::atomic<EventObject>& held);

  static const Entry kTable[];
  Platform& platform_;
  DriverState& state_;
  CommandChannel& channel_;
};

}  // namespace cv7::core
