// A satellite's default data file ("CV9DAT"), made from the sky's description of it: the
// LnbInfo the host enters for its dish, then the transponders in frequency order, each with
// its TV/radio programs and its data services, in the records of corvane.h.
#pragma once
#include <corvane.h>

#include <cstdint>
#include <vector>

#include "sky/Satellite.h"

namespace cv7::data {

class SatelliteFileImage {
 public:
  static LnbInfo lnbInfo(const sim::Satellite& satellite);
  static TrInfo trInfo(const sim::Transponder& transponder, uint32_t number);
  // Services with video or audio; their ChNumber is number × 100 + place.
  static std::vector<ProgramInfo> programs(const sim::Transponder& transponder, uint32_t number);
  // One record per data source, carried by the service that announces its PID.
  static std::vector<DataInfo> dataServices(const sim::Transponder& transponder, uint32_t number);
  // The whole file with owner stamp 0.
  static std::vector<uint8_t> bytes(const sim::Satellite& satellite);
};

}  // namespace cv7::data
