// cv7-gendefaults: makes the shipped default satellite data files and the simulator's
// default sky file from the one readable description of the default satellites.
//
//   cv7-gendefaults SKY.json DEFAULT_FILE_DIR SKY_OUT.json
//
// SKY.json describes the satellites; DEFAULT_FILE_DIR receives one satellite data file per
// satellite with a "defaultFile"; SKY_OUT.json is where the simulator's default sky (a copy
// of SKY.json) goes. Satellite files for a user's own dish are made with cv7ctl cvd new.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "SatelliteFileImage.h"
#include "sky/SkyParser.h"

namespace {

bool writeFile(const std::filesystem::path& path, const void* data, size_t size) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(static_cast<const char*>(data), std::streamsize(size));
  out.close();
  if (!out) std::fprintf(stderr, "cv7-gendefaults: cannot write %s\n", path.c_str());
  return bool(out);
}

bool copyFile(const std::string& from, const std::filesystem::path& to) {
  std::error_code ec;
  std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing, ec);
  if (ec) std::fprintf(stderr, "cv7-gendefaults: cannot copy %s to %s: %s\n", from.c_str(), to.c_str(), ec.message().c_str());
  return !ec;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr,
                 "usage: cv7-gendefaults SKY.json DEFAULT_FILE_DIR SKY_OUT.json\n"
                 "  SKY.json          the description of the default satellites (data/default-sky.json)\n"
                 "  DEFAULT_FILE_DIR  where the satellite data files (DefaultFile/*.cvd) are written\n"
                 "  SKY_OUT.json      where the simulator's default sky, a copy of SKY.json, is written\n"
                 "A satellite data file for one's own dish: cv7ctl cvd new (cv7ctl cvd --help).\n");
    return 2;
  }
  try {
    cv7::sim::Sky sky = cv7::sim::loadSky(argv[1]);
    std::filesystem::path dir(argv[2]), skyOut(argv[3]);
    std::filesystem::create_directories(dir);
    if (skyOut.has_parent_path()) std::filesystem::create_directories(skyOut.parent_path());
    for (const cv7::sim::Satellite& s : sky.satellites()) {
      if (s.defaultFile.fileName.empty()) continue;
      std::vector<uint8_t> bytes = cv7::data::SatelliteFileImage::bytes(s);
      if (!writeFile(dir / s.defaultFile.fileName, bytes.data(), bytes.size())) return 1;
    }
    return copyFile(argv[1], skyOut) ? 0 : 1;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "cv7-gendefaults: %s\n", e.what());
    return 1;
  }
}
