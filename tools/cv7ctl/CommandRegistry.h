// Command groups of cv7ctl register themselves with a static CommandRegistration, so each
// group lives in its own file:
//   static cv7ctl::CommandRegistration reg("info", "print versions", runInfo);
#pragma once
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace cv7ctl {

using Arguments = std::vector<std::string>;
// Returns the process exit status.
using CommandFunction = std::function<int(const Arguments& args)>;

struct Command {
  std::string usage;
  CommandFunction run;
};

std::map<std::string, Command>& commands();

struct CommandRegistration {
  CommandRegistration(const std::string& name, const std::string& usage, CommandFunction run) {
    commands()[name] = Command{usage, std::move(run)};
  }
};

}  // namespace cv7ctl
