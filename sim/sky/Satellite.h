// A satellite, the dish pointed at it and the settings a host enters to receive it.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "sky/Lnb.h"
#include "sky/Transponder.h"

namespace cv7::sim {

// The dish is reached through the card's switch commands: a committed DiSEqC port
// (tune byte DiSEqC: 0 = no DiSEqC command, 1..4 = port A..D) and a tone burst
// (tune byte: 0 = none, 1 = burst A, 2 = burst B). A dish answers only to its own pair.
struct Dish {
  uint8_t diseqcPort = 0;
  uint8_t toneBurst = 0;
  Lnb lnb = Lnb::universal();
};

// What a satellite data file of this satellite holds as its LnbInfo (the host's view).
struct DefaultFileSettings {
  std::string fileName;            // e.g. "HotBird.cvd"; empty = no default file
  uint32_t localOscillatorKHz = 0; // 0 = Universal LNB
  uint32_t tone22k = 1;            // 0 = 22 kHz on, 1 = off
  uint32_t lnbPower = 0;           // 0 = on, 1 = off
  uint8_t toneBurst = 0;
  uint8_t diseqc = 0;
};

struct Satellite {
  std::string name;               // as the host names it, e.g. "HOTBIRD"
  std::string orbitalPosition;    // informational, e.g. "13.0E"
  Dish dish;
  DefaultFileSettings defaultFile;
  std::vector<Transponder> transponders;  // in frequency order
};

}  // namespace cv7::sim
