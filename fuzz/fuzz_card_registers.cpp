// Random register traffic against the simulated card: the first byte picks how much of the
// input is downloaded to the loader as a firmware image, the rest is a sequence of 32-bit
// accesses (offset selector, value) and clock steps. The card must never crash, read or
// write outside its state, or refuse a proper command afterwards when its firmware runs.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "CardRegisters.h"
#include "Clock.h"
#include "FirmwareImage.h"
#include "SimulatedCard.h"

namespace {

class NoMemory : public cv7::sim::HostMemory {
 public:
  bool write(uint64_t, const void*, size_t) override { return false; }
  bool read(uint64_t, void*, size_t) override { return false; }
};
class Line : public cv7::sim::InterruptLine {
 public:
  void setLevel(bool) override {}
};

constexpr uint32_t kOffsets[] = {
    cv7::regs::kMailboxWindow + cv7::regs::kMailboxData, cv7::regs::kMailboxWindow + cv7::regs::kMailboxControl,
    cv7::regs::kMailboxWindow + cv7::regs::kDmaStatus,  cv7::regs::kIntStatus, cv7::regs::kIntEnable,
    cv7::regs::kSetup48,                                 0x1234,                0x200000};

void post(cv7::sim::SimulatedCard& card, uint8_t byte) {
  card.mmioWrite(cv7::regs::kMailboxWindow + cv7::regs::kMailboxData, byte);
  card.mmioWrite(cv7::regs::kMailboxWindow + cv7::regs::kMailboxControl, 0);
}

// With its firmware running and no fault switched on, the card answers command 20 at once
// after a reset-channel, whatever came before.
void checkVersionCommand(cv7::sim::SimulatedCard& card) {
  constexpr uint32_t kControl = cv7::regs::kMailboxWindow + cv7::regs::kMailboxControl;
  constexpr uint32_t kData = cv7::regs::kMailboxWindow + cv7::regs::kMailboxData;
  auto control = [&] { return card.mmioRead(kControl); };
  auto put = [&](uint8_t byte) {
    if ((control() & 0xF) != 0xF) __builtin_trap();
    card.mmioWrite(kData, byte);
    card.mmioWrite(kControl, control() & 0xF0);
  };
  card.mmioWrite(kControl, 0x0F);
  put(20);
  card.mmioWrite(kControl, control() | 0x40);
  put(0);
  put(0);
  card.mmioWrite(kControl, (control() & ~0xFu) | 0x3);
  const uint8_t expected[] = {0x01, 0x00, 0x02, 20, 0x01, 0x6D, 0x00, 0x02};
  for (uint8_t want : expected) {
    if ((control() & 0xF) != 0x0 || (card.mmioRead(kData) & 0xFF) != want) __builtin_trap();
    card.mmioWrite(kControl, control() | 0xF);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  cv7::sim::VirtualClock clock;
  NoMemory memory;
  Line line;
  cv7::sim::CardConfig config;
  config.firmwareRunning = (data[0] & 0x80) != 0;
  cv7::sim::SimulatedCard card(config, clock, memory, line);
  size_t imageLength = std::min<size_t>(size - 1, data[0] & 0x7F) * 8;
  imageLength = std::min(imageLength, size - 1);
  // The loader's download of the first part as an image.
  for (uint8_t b = 1; b <= 5; ++b) post(card, b);
  for (int shift = 24; shift >= 0; shift -= 8) post(card, uint8_t(imageLength >> shift));
  for (uint32_t value : {0x2800u, 0xAF000u})
    for (int shift = 24; shift >= 0; shift -= 8) post(card, uint8_t(value >> shift));
  for (size_t i = 0; i < imageLength; ++i) post(card, data[1 + i]);
  post(card, 0);
  clock.advance(1'000'000);
  // Then random accesses.
  for (size_t i = 1 + imageLength; i + 5 <= size; i += 5) {
    uint8_t selector = data[i];
    uint32_t value = uint32_t(data[i + 1]) | uint32_t(data[i + 2]) << 8 | uint32_t(data[i + 3]) << 16 |
                     uint32_t(data[i + 4]) << 24;
    uint32_t offset = kOffsets[selector & 7];
    if (selector & 0x08) card.mmioRead(offset);
    else card.mmioWrite(offset, value);
    if (selector & 0x10) clock.advance(value & 0xFFFF);
    if ((selector & 0xE0) == 0xE0) card.raiseCardEvent(uint8_t(value));
  }
  if (card.firmwareRunning()) checkVersionCommand(card);
  (void)card.stats();
  (void)card.firmwareState();
  (void)card.loaderStatus();
  return 0;
}
