#include "CommandChannel.h"

#include "ControlCodes.h"

namespace cv7::core {

void CommandChannel::relay(uint8_t* block) {
  block[ctl::kCommandResultOffset] = 0;
  block[ctl::kCommandResultOffset + 1] = 0;
  state_.channelOwner = 0;
}
void CommandChannel::readProgramTable(uint8_t* table) {
  table[ctl::kTableResult] = 0;
  table[ctl::kTableResult + 1] = 0;
  state_.channelOwner = 0;
}
bool CommandChannel::readStationAddress(std::array<uint8_t, 6>&) { return false; }
bool CommandChannel::setMulticastList(const std::array<uint8_t, 6>*, uint32_t) { return false; }

}  // namespace cv7::core
