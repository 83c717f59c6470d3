// Random bytes as the card's program-table payload, through the mailbox and the real parser
// into a table of exactly 43972 bytes: nothing may be read or written outside it.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "CommandChannel.h"
#include "ControlCodes.h"
#include "FakePlatform.h"

namespace {

struct Rig {
  Rig() {
    cv7::core::RegisterWindow* window = nullptr;
    platform.mapIoSpace(platform.card().config().memoryBase, platform.card().config().memoryLength, window);
    state.registers = window;
    state.registerWindowLength = platform.card().config().memoryLength;
  }
  static cv7::sim::CardConfig config() {
    cv7::sim::CardConfig c;
    c.firmwareRunning = true;
    return c;
  }
  cv7::test::FakePlatform platform{config()};
  cv7::core::DriverState state;
  cv7::core::CommandChannel channel{platform, state};
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Rig rig;
  if (size > 0xFFFF) size = 0xFFFF;  // the frame length is 16 bits
  rig.platform.card().setProgramTablePayload(std::vector<uint8_t>(data, data + size));
  std::vector<uint8_t> table(cv7::ctl::kProgramTableSize);
  rig.channel.readProgramTable(table.data());
  uint16_t result = uint16_t(table[cv7::ctl::kTableResult] | (table[cv7::ctl::kTableResult + 1] << 8));
  if (result > 1) __builtin_trap();
  uint32_t programs = table[cv7::ctl::kTableProgramCount];
  if (programs > cv7::ctl::kProgramEntries) __builtin_trap();
  // Entries past the announced programs are never written.
  for (uint32_t at = programs == 0 ? 0 : programs * cv7::ctl::kProgramEntrySize; at < cv7::ctl::kTableTrailer1; ++at)
    if (table[at] != 0) __builtin_trap();
  return 0;
}
