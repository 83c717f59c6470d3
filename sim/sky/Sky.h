// The sky the simulated card looks at: satellites, each seen through its own dish.
#pragma once
#include <cstdint>
#include <vector>

#include "sky/Satellite.h"

namespace cv7::sim {

class Sky {
 public:
  Sky() = default;
  explicit Sky(std::vector<Satellite> satellites) : satellites_(std::move(satellites)) {}

  const std::vector<Satellite>& satellites() const { return satellites_; }
  // The satellite whose dish answers to this DiSEqC port and tone burst, or nullptr.
  const Satellite* satelliteBehind(uint8_t diseqcPort, uint8_t toneBurst) const;
  const Satellite* satelliteNamed(const std::string& name) const;

 private:
  std::vector<Satellite> satellites_;
};

// The four satellites the build ships (HOTBIRD, ASTRA, ASIA SAT 2, KOREA SAT), parsed
// from the compiled-in copy of the default sky file.
const Sky& defaultSky();
// The text of that file.
const char* defaultSkyText();

}  // namespace cv7::sim
