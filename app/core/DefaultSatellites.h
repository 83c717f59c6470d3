// The four satellites that the application ships a default data file for, with the file
// names that the first-run defaults register and that the DefaultFile directory holds.
// Names are compared exactly, letter case included.
#pragma once
#include <array>

namespace cv7::app {

struct DefaultSatellite {
  const char* name;
  const char* fileName;
};

inline constexpr std::array<DefaultSatellite, 4> kDefaultSatellites = {{
    {"HOTBIRD", "HotBird.cvd"},
    {"ASTRA", "Astra.cvd"},
    {"ASIA SAT 2", "AsiaSat2.cvd"},
    {"KOREA SAT", "KoreaSat.cvd"},
}};

inline constexpr const char* kDefaultFileDir = "DefaultFile";
inline constexpr const char* kDataFileDir = "Datafile";
inline constexpr const char* kFavoriteFileName = "Cv7p.fch";
inline constexpr const char* kTemporaryFileName = "DataTemp.cvt";

}  // namespace cv7::app
