// Random transport-stream bytes through the card's demultiplexer (every kind on a few PIDs)
// and the channel search's PSI parser: whatever a broadcast carries, nothing is read past a
// packet or a section, and every ring entry stays within its bounds.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "ts/CardDemux.h"
#include "ts/ServiceScanner.h"
#include "ts/TsFilePlayer.h"

namespace {

struct Entries final : cv7::sim::EntrySink {
  size_t count = 0, bytes = 0;
  void submit(const cv7::sim::EntryView& entry) override {
    ++count;
    bytes += entry.size();
    if (entry.length() > 0xFFFF) __builtin_trap();
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Entries entries;
  cv7::sim::CardDemux demux(entries);
  // The first byte picks the PIDs' kinds; packets follow.
  uint8_t selector = size > 0 ? data[0] : 0;
  const uint16_t kinds[] = {3, 5, 10, 11, 12, 1};
  for (uint16_t pid = 0; pid < 4; ++pid) demux.setPid(uint16_t(0x100 + pid), kinds[(selector + pid) % 6]);
  demux.setPid(0x0011, 12);
  cv7::sim::ServiceScanner scanner;
  scanner.start(0, 11778000, 27500);
  for (size_t at = 1; at + cv7::sim::kTsPacketSize <= size; at += cv7::sim::kTsPacketSize) {
    cv7::sim::TsPacket packet;
    std::memcpy(packet.data(), data + at, packet.size());
    // Keep most packets on the filtered PIDs so reassembly is exercised.
    if (selector & 1) {
      packet[0] = cv7::sim::kTsSync;
      packet[1] = uint8_t((packet[1] & 0xE0) | 0x01);
      packet[2] = uint8_t(packet[2] & 0x03);
    }
    demux.packet(packet);
    scanner.packet(packet);
  }
  demux.flush();
  scanner.finished(10'000'000);
  (void)scanner.result().encode();
  // The same bytes as a recorded file.
  cv7::sim::TsFilePlayer player(std::vector<uint8_t>(data, data + size), 1'000'000, 0);
  return 0;
}
