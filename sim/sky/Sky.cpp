#include "sky/Sky.h"

#include "sky/SkyParser.h"

namespace cv7::sim {

extern const char* const kDefaultSkyJson;  // made by the build from data/default-sky.json

const Satellite* Sky::satelliteBehind(uint8_t diseqcPort, uint8_t toneBurst) const {
  for (const Satellite& s : satellites_)
    if (s.dish.diseqcPort == diseqcPort && s.dish.toneBurst == toneBurst) return &s;
  return nullptr;
}

const Satellite* Sky::satelliteNamed(const std::string& name) const {
  for (const Satellite& s : satellites_)
    if (s.name == name) return &s;
  return nullptr;
}

const char* defaultSkyText() { return kDefaultSkyJson; }

const Sky& defaultSky() {
  static const Sky sky = parseSky(kDefaultSkyJson, "default-sky.json");
  return sky;
}

}  // namespace cv7::sim
