// The card's IP or MAC filter between the demultiplexer and the DMA engine, for the
// datagrams of kinds 3 (MPE sections) and 5 (the byte-stuffed stream). Raw kinds pass.
//   mode 0  every datagram passes (the card's state after power-on);
//   mode 1  IP filter: datagrams to the card's IP address (command 7), and every IPv4
//           multicast and broadcast datagram;
//   mode 2  MAC filter: MPE sections whose MAC address is the station address, broadcast, or
//           a group of the card's multicast list (command 16); the stuffed stream carries
//           no MAC and is filtered as in mode 1.
// Other mode values act as mode 0.
#pragma once
#include <array>
#include <cstdint>
#include <vector>

#include "RingEntry.h"

namespace cv7::sim {

struct AddressFilterSettings {
  uint8_t mode = 0;
  std::array<uint8_t, 4> ipAddress{};
  std::array<uint8_t, 6> stationAddress{};
  std::vector<std::array<uint8_t, 6>> multicastList;
};

class AddressFilter final : public EntrySink {
 public:
  explicit AddressFilter(EntrySink& next) : next_(next) {}
  void setSettings(const AddressFilterSettings& settings) { settings_ = settings; }
  void submit(const EntryView& entry) override;
  uint64_t filtered() const { return filtered_; }

 private:
  bool passes(const EntryView& entry) const;
  bool ipPasses(const uint8_t* destination) const;
  bool macPasses(const std::array<uint8_t, 6>& mac) const;

  EntrySink& next_;
  AddressFilterSettings settings_;
  uint64_t filtered_ = 0;
};

}  // namespace cv7::sim
