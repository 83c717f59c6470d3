// A satellite data file as cvd show prints it: readable text or one JSON object. For a
// universal LNB the 22 kHz tone (the band) is chosen per transponder by the library's
// tuning, so each transponder shows the band it is received in.
#pragma once
#include <nlohmann/json.hpp>
#include <string>

#include "SatelliteFileView.h"

namespace cv7ctl {

class SatelliteFileReport {
 public:
  static std::string text(const std::string& path, const SatelliteData& file);
  static nlohmann::json json(const std::string& path, const SatelliteData& file);
  // For a universal LNB: true when the transponder is received in the high band (10600 MHz
  // oscillator, 22 kHz tone on), as the library's tuning chooses it.
  static bool universalHighBand(uint32_t frequencyKHz);
};

}  // namespace cv7ctl
