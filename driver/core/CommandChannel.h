// The card's command channel over the mailbox: relay of command blocks, the program table
// read, and the driver's own commands, which take the channel as owner 5.
#pragma once
#include <array>
#include <cstdint>

#include "DriverState.h"
#include "Mailbox.h"
#include "platform.h"

namespace cv7::core {

class CommandChannel {
 public:
  CommandChannel(Platform& platform, DriverState& state) : platform_(platform), state_(state) {}

  // Relays one 32-byte command block: parameters from byte 8, reply into it, the 16-bit
  // result at bytes 28..29. ChannelOwner is 0 afterwards in every case.
  void relay(uint8_t* block);
  // Command 13 read into the 43972-byte program table, result at offset 43968.
  void readProgramTable(uint8_t* table);

  // The driver's own commands. Each takes the channel (owner 5) first; false = failure.
  bool readStationAddress(std::array<uint8_t, 6>& address);
  bool setMulticastList(const std::array<uint8_t, 6>* list, uint32_t count);
  // Command 6 for a PID whose client is gone, so the card stops filtering it.
  bool releaseNetworkPid(uint16_t pid, uint8_t kind);

 private:
  // Counts the card interrupts the exchange's reset-channel acknowledged and, with
  // `tellClients`, signals the card events of clients 1 and 2.
  void passOnCardEvents(const Mailbox& mailbox, bool tellClients);

  Platform& platform_;
  DriverState& state_;
};

}  // namespace cv7::core
