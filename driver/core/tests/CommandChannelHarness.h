// The command channel wired to the card model with its firmware running, on the virtual
// clock: what the driver sent is read back from the card's received frames.
#pragma once
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <vector>

#include "CommandChannel.h"
#include "ControlCodes.h"
#include "FakePlatform.h"
#include "LittleEndian.h"

namespace cv7::test {

inline sim::CardConfig runningFirmware() {
  sim::CardConfig config;
  config.firmwareRunning = true;
  config.firmwareVersion = {3, 7};
  return config;
}

class CommandChannelHarness : public ::testing::Test {
 protected:
  CommandChannelHarness() {
    core::RegisterWindow* window = nullptr;
    platform.mapIoSpace(platform.card().config().memoryBase, platform.card().config().memoryLength, window);
    state.registers = window;
    state.registerWindowLength = platform.card().config().memoryLength;
  }

  using Block = std::array<uint8_t, ctl::kCommandBlockSize>;
  static Block block(uint8_t code) {
    Block b{};
    b[0] = code;
    return b;
  }
  uint16_t relay(Block& b) {
    channel.relay(b.data());
    return core::le::load16(b.data() + ctl::kCommandResultOffset);
  }
  std::vector<sim::ReceivedCommand> sent() { return platform.card().receivedCommands(); }
  void setFaults(void (*change)(sim::CardFaults&)) {
    sim::CardFaults faults = platform.card().faults();
    change(faults);
    platform.card().setFaults(faults);
  }

  FakePlatform platform{runningFirmware()};
  core::DriverState state;
  core::CommandChannel channel{platform, state};
};

}  // namespace cv7::test
