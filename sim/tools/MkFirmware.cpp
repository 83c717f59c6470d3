// cv7-mkfirmware: writes the card's firmware image (corvane.bin).
//
//   cv7-mkfirmware [--version MAJOR.MINOR] [--check] FILE
//
// Without --check it writes the image with the given version (default 1.0); with --check it
// reads FILE and says whether the card's loader would start it.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "FirmwareImage.h"

using cv7::sim::FirmwareImage;

namespace {

int usage() {
  std::fprintf(stderr, "usage: cv7-mkfirmware [--version MAJOR.MINOR] [--check] FILE\n");
  return 2;
}

bool parseVersion(const char* text, int& major, int& minor) {
  char* end = nullptr;
  long a = std::strtol(text, &end, 10);
  if (end == text || *end != '.') return false;
  const char* second = end + 1;
  long b = std::strtol(second, &end, 10);
  if (end == second || *end != '\0' || a < 0 || a > 255 || b < 0 || b > 255) return false;
  major = int(a);
  minor = int(b);
  return true;
}

int check(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "cv7-mkfirmware: cannot open %s\n", path.c_str());
    return 1;
  }
  std::vector<uint8_t> image((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  auto info = FirmwareImage::inspect(image);
  if (info.check != FirmwareImage::Check::Valid) {
    std::fprintf(stderr, "%s: %s\n", path.c_str(), FirmwareImage::checkName(info.check));
    return 1;
  }
  std::printf("%s: firmware %d.%d, %u payload bytes\n", path.c_str(), info.major, info.minor, info.payloadLength);
  return 0;
}

int write(const std::string& path, int major, int minor) {
  auto image = FirmwareImage::buildDefault(uint8_t(major), uint8_t(minor));
  std::string temporary = path + ".tmp";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(image.data()), std::streamsize(image.size()));
    if (!out.flush()) {
      std::fprintf(stderr, "cv7-mkfirmware: cannot write %s\n", temporary.c_str());
      return 1;
    }
  }
  if (std::rename(temporary.c_str(), path.c_str()) != 0) {
    std::fprintf(stderr, "cv7-mkfirmware: cannot rename %s to %s\n", temporary.c_str(), path.c_str());
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  int major = 1, minor = 0;
  bool checkOnly = false;
  std::string path;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--version") == 0 && i + 1 < argc) {
      if (!parseVersion(argv[++i], major, minor)) return usage();
    } else if (std::strcmp(argv[i], "--check") == 0) {
      checkOnly = true;
    } else if (argv[i][0] == '-' || !path.empty()) {
      return usage();
    } else {
      path = argv[i];
    }
  }
  if (path.empty()) return usage();
  return checkOnly ? check(path) : write(path, major, minor);
}
