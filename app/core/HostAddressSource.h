// The computer's own IPv4 addresses, which the card's adapter takes as its address. Each is
// a 32-bit value with the first octet in the least significant byte, as the library takes it.
#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace cv7::app {

class HostAddressSource {
 public:
  static constexpr size_t kMaxAddresses = 20;

  virtual ~HostAddressSource() = default;
  // The addresses in the order in which they became known (an address that goes away and
  // comes back counts as new), at most kMaxAddresses; nothing when they cannot be read.
  virtual std::optional<std::vector<uint32_t>> lookUp() = 0;
};

}  // namespace cv7::app
