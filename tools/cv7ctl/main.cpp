// cv7ctl: raw control requests, diagnostics and the receiver's functions from the shell.
#include <cstdio>

#include "CommandRegistry.h"

namespace cv7ctl {
std::map<std::string, Command>& commands() {
  static std::map<std::string, Command> table;
  return table;
}
}  // namespace cv7ctl

namespace {
void usage() {
  std::fprintf(stderr, "usage: cv7ctl COMMAND [ARGS...]\ncommands:\n");
  for (const auto& [name, command] : cv7ctl::commands()) std::fprintf(stderr, "  %s\n", command.usage.c_str());
}
}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    usage();
    return 2;
  }
  auto found = cv7ctl::commands().find(argv[1]);
  if (found == cv7ctl::commands().end()) {
    std::fprintf(stderr, "cv7ctl: unknown command '%s'\n", argv[1]);
    usage();
    return 2;
  }
  cv7ctl::Arguments args(argv + 2, argv + argc);
  return found->second.run(args);
}
