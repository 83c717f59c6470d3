// cv7: the Corvane-7 adapter driver as a daemon on the simulated card.
#include <cstdio>

#include "Daemon.h"

int main(int argc, char** argv) {
  cv7::host::DaemonOptions options;
  std::string error;
  if (!options.parse(argc, argv, error)) {
    std::fprintf(stderr, "cv7: %s\n%s", error.c_str(), cv7::host::DaemonOptions::usage());
    return cv7::host::kExitUsage;
  }
  if (options.help) {
    std::fputs(cv7::host::DaemonOptions::usage(), stdout);
    return cv7::host::kExitOk;
  }
  return cv7::host::Daemon(options).run();
}
