// The computer's addresses read from its network interfaces: the IPv4 addresses of every
// interface that is up, is not a loopback interface and is not the card's own adapter (the
// interface that carries the card's station address, or by name the card's default TAP
// interface). A host-name look-up would give a loopback address on this platform, to which
// no datagram is ever sent.
//
// Addresses keep the order in which this source first saw them, so that a look-up lists an
// address that appeared later behind the older ones. Used by one thread at a time (the address
// upkeep serialises the network worker's and the network card page's look-ups).
#pragma once
#include <array>
#include <string>

#include "HostAddressSource.h"

namespace cv7::app {

class InterfaceAddressSource : public HostAddressSource {
 public:
  static constexpr const char* kCardInterface = "cv7-0";

  explicit InterfaceAddressSource(std::string cardInterface = kCardInterface);

  std::optional<std::vector<uint32_t>> lookUp() override;

  // The card's station address; until it is set it is asked of the library at each look-up.
  void setCardStationAddress(const std::array<uint8_t, 6>& address);

 private:
  // The current addresses in the interfaces' order, each once.
  std::optional<std::vector<uint32_t>> readInterfaces();
  void learnStationAddress();

  std::string cardInterface_;
  std::optional<std::array<uint8_t, 6>> station_;
  std::vector<uint32_t> known_;  // every current address, oldest first
};

}  // namespace cv7::app
