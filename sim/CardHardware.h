// What the firmware drives on the card besides the mailbox: the tuner, the demultiplexer
// and the channel search. The card model implements it over its tuner and receive side;
// without it the firmware only keeps what the commands set.
#pragma once
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "FirmwareState.h"

namespace cv7::sim {

class CardHardware {
 public:
  virtual ~CardHardware() = default;
  virtual void tune(const TuneParameters& tune) = 0;
  // The four reply bytes of the tuner information query.
  virtual std::array<uint8_t, 4> tunerInfo() = 0;
  // False when the demultiplexer's table has no room.
  virtual bool setNetworkPid(uint16_t pid, uint8_t kind) = 0;
  virtual void releaseNetworkPid(uint16_t pid) = 0;
  virtual void releaseAllPids() = 0;
  virtual void startSearch() = 0;
  virtual void cancelSearch() = 0;
  virtual bool searchFinished() = 0;
  // The program table payload of the last finished search.
  virtual std::vector<uint8_t> programTable() = 0;
};

}  // namespace cv7::sim
