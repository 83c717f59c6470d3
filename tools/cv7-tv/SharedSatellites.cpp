#include "SharedSatellites.h"

namespace cv7tv {
namespace {

constexpr const char* kSection = "Satellite";
// A damaged count does not make the TV application read millions of values.
constexpr int kMaxSatellites = 1000;

std::string numbered(const char* prefix, int index) { return prefix + std::to_string(index); }

}  // namespace

std::vector<Satellite> SharedSatellites::list() const {
  std::vector<Satellite> satellites;
  const int count = std::min(registry_.readInteger(kSection, "Satellite Num", 0), kMaxSatellites);
  for (int i = 1; i <= count; ++i)
    satellites.push_back({registry_.readText(kSection, numbered("Satellite Name", i), ""),
                          registry_.readText(kSection, numbered("Satellite File", i), "")});
  return satellites;
}

std::optional<Satellite> SharedSatellites::at(int index) const {
  Satellite satellite{registry_.readText(kSection, numbered("Satellite Name", index), ""),
                      registry_.readText(kSection, numbered("Satellite File", index), "")};
  if (index < 1 || satellite.name.empty() || satellite.file.empty()) return std::nullopt;
  return satellite;
}

int SharedSatellites::indexOf(const std::string& name) const {
  const std::vector<Satellite> satellites = list();
  for (size_t i = 0; i < satellites.size(); ++i)
    if (satellites[i].name == name) return int(i + 1);
  return 0;
}

bool SharedSatellites::write(const std::vector<Satellite>& satellites) const {
  bool ok = true;
  for (size_t i = 0; i < satellites.size(); ++i) {
    ok &= registry_.writeText(kSection, numbered("Satellite Name", int(i + 1)), satellites[i].name);
    ok &= registry_.writeText(kSection, numbered("Satellite File", int(i + 1)), satellites[i].file);
  }
  return ok && registry_.writeInteger(kSection, "Satellite Num", int32_t(satellites.size()));
}

void SharedSatellites::rememberTuning(const std::string& satellite, uint32_t frequency, uint32_t symbolRate) const {
  registry_.writeText(kSection, "TV SateName", satellite);
  registry_.writeText(kSection, "TV Frequency", std::to_string(frequency));
  registry_.writeText(kSection, "TV Symbol Rate", std::to_string(symbolRate));
}

}  // namespace cv7tv
