// The satellite list and the TV application's values in the shared configuration store
// (docs/configuration.md), as the TV application reads and writes them.
#pragma once
#include <optional>
#include <string>
#include <vector>

#include "Registry.h"

namespace cv7tv {

struct Satellite {
  std::string name;
  std::string file;  // its satellite data file (.cvd)
};

class SharedSatellites {
 public:
  explicit SharedSatellites(const cv7::registry::Registry& registry) : registry_(registry) {}

  // "Satellite Name%d" and "Satellite File%d" for 1.."Satellite Num".
  std::vector<Satellite> list() const;
  // Satellite `index` (1-based) when its name and file are both set.
  std::optional<Satellite> at(int index) const;
  // The 1-based index of the first satellite named `name`, or 0.
  int indexOf(const std::string& name) const;
  // Writes the list (names, files, then the number), as the applications do.
  bool write(const std::vector<Satellite>& satellites) const;
  // "TV SateName", "TV Frequency" and "TV Symbol Rate".
  void rememberTuning(const std::string& satellite, uint32_t frequency, uint32_t symbolRate) const;

 private:
  const cv7::registry::Registry& registry_;
};

}  // namespace cv7tv
