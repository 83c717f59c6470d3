// Fuzzes the favourite file reader: the input becomes a file, which is opened, read into
// the favourite list and written back, and closed.
#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "corvane.h"

namespace {

const std::string& scratchPath() {
  static const std::string path = [] {
    char name[] = "/tmp/cv7-fuzz-fch-XXXXXX";
    int fd = mkstemp(name);
    if (fd >= 0) close(fd);
    unlink(name);  // only the unique name is kept; each input makes the file anew
    return std::string(name);
  }();
  return path;
}

bool writeInput(const uint8_t* data, size_t size) {
  FILE* file = std::fopen(scratchPath().c_str(), "wb");
  if (file == nullptr) return false;
  bool whole = std::fwrite(data, 1, size, file) == size;
  return std::fclose(file) == 0 && whole;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (!writeInput(data, size)) return 0;
  if (Cvn_FavoriteFileOpen(scratchPath().c_str()) == FILE_OPEN_OK) {
    if (Cvn_FavoriteReadFile() == 1) Cvn_FavoriteWriteFile();
    Cvn_FavoriteFileClose();
  }
  unlink(scratchPath().c_str());
  return 0;
}
