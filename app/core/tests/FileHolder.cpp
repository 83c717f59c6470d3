// A second client of the library that holds a satellite data file open, so that the file
// carries its owner stamp (client mode 1) until told to let go:
//   cv7-file-holder PATH
// prints "held" once the file is open, closes it when a line arrives on standard input,
// then prints "released" and ends. The daemon's socket comes from CV7_DEVICE.
#include <cstdio>
#include <cstring>

#include "corvane.h"

namespace {
intptr_t ignoreMessage(CvnWindow*, uint32_t, uintptr_t, intptr_t) { return 0; }
}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: cv7-file-holder PATH\n");
    return 2;
  }
  CvnWindow window{&ignoreMessage};
  if (!Cvn_OpenSystem(1, &window, 0, 0, 0)) {
    std::printf("no system\n");
    return 1;
  }
  const int32_t opened = Cvn_ChannelFileOpen(argv[1]);
  std::printf("%s\n", opened == FILE_OPEN_OK ? "held" : "not held");
  std::fflush(stdout);
  char line[16];
  if (!std::fgets(line, sizeof line, stdin)) std::strcpy(line, "eof");
  Cvn_ChannelFileClose();
  Cvn_CloseSystem();
  std::printf("released\n");
  std::fflush(stdout);
  return opened == FILE_OPEN_OK ? 0 : 1;
}
