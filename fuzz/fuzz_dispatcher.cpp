// Random control requests into the dispatcher: a code, input and output lengths and the
// buffer's bytes, several per input so state carries over. The buffer is exactly
// max(input, output) bytes long, so any access past a length is caught.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "ControlCodes.h"
#include "FakePlatform.h"
#include "Miniport.h"

namespace {

struct Input {
  const uint8_t* data;
  size_t size;
  uint32_t take(size_t n) {
    uint32_t v = 0;
    for (size_t i = 0; i < n && size > 0; ++i, ++data, --size) v |= uint32_t(*data) << (8 * i);
    return v;
  }
};

cv7::sim::CardConfig config() {
  cv7::sim::CardConfig c;
  c.firmwareRunning = true;
  return c;
}

uint32_t codeFrom(uint32_t selector) {
  // Mostly codes of the table's range, sometimes anything.
  if (selector & 0x80) return 0x172000 + (selector & 0x7F) * 1 + ((selector >> 8) & 0xFF) * 0x100;
  return 0x172000 + 4 * (selector & 0x3F);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static std::vector<uint8_t> ring(cv7::ctl::kDataRingSize);
  auto platform = std::make_unique<cv7::test::FakePlatform>(config());
  platform->addEventHandle(1);
  platform->addEventHandle(2);
  cv7::core::Miniport miniport(*platform);
  miniport.driverEntry();
  Input in{data, size};
  cv7::core::DriverState& state = miniport.state();
  if (in.take(1) & 1) {
    cv7::core::RegisterWindow* window = nullptr;
    platform->mapIoSpace(platform->card().config().memoryBase, platform->card().config().memoryLength, window);
    state.registers = window;
    state.registerWindowLength = platform->card().config().memoryLength;
    state.data.ring = ring.data();
  }
  state.data.writePosition = in.take(4);
  state.data.readPosition = in.take(4);
  state.pidChanges.leftCount = uint8_t(in.take(1));
  state.pidChanges.joinedCount = uint8_t(in.take(1));
  state.pidChanges.changeCounter = uint8_t(in.take(1));
  for (int request = 0; request < 8 && in.size > 0; ++request) {
    uint32_t code = codeFrom(in.take(2));
    uint32_t inputLength = in.take(2) % 50000;
    uint32_t outputLength = in.take(2) % 50000;
    size_t length = inputLength > outputLength ? inputLength : outputLength;
    std::unique_ptr<uint8_t[]> buffer(new uint8_t[length ? length : 1]);
    size_t fill = length < in.size ? length : in.size;
    std::memset(buffer.get(), 0, length);
    std::memcpy(buffer.get(), in.data, fill);
    in.data += fill;
    in.size -= fill;
    uint32_t returned = 0;
    miniport.control(code, length ? buffer.get() : nullptr, inputLength, outputLength, returned);
    if (returned > outputLength) __builtin_trap();
  }
  state.data.ring = nullptr;
  state.registers = nullptr;
  return 0;
}
