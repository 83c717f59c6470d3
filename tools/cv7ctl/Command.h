// The commands of cv7ctl. Each command (or group of subcommands) lives in a file of its own
// and registers itself with one static CommandRegistration; main builds the command line
// from the registrations, parses it with CLI11 and runs the command that was given.
//
// Adding a command:
//
//   namespace {
//   cv7ctl::CommandRegistration mac{"mac", "Print the card's station address", kGroupNetwork,
//                                   [](CLI::App& command) {
//     auto json = cv7ctl::addJsonFlag(command);          // options, as CLI11 takes them
//     cv7ctl::setRun(command, [json] { ...; return cv7ctl::kExitOk; });
//   }};
//   }
//
// A group of subcommands ("cvd new", "cvd show") adds them with command.add_subcommand()
// and calls setRun on each. A run returns the exit status of success; failures are thrown
// as cv7ctl::Failure (Failure.h) so that every command reports them alike. The file is
// picked up by tools/cv7ctl/CMakeLists.txt; bash completion lists commands in
// tools/cv7ctl/cv7ctl.bash-completion and the manual page in docs/man/cv7ctl.1.scd.
#pragma once
#include <CLI/CLI.hpp>
#include <functional>
#include <nlohmann/json_fwd.hpp>
#include <memory>
#include <string>

namespace cv7ctl {

using Run = std::function<int()>;
using Define = std::function<void(CLI::App& command)>;

// Help groups, in the order in which `cv7ctl --help` lists them.
inline constexpr const char* kGroupFiles = "Satellite and favourite files";
inline constexpr const char* kGroupTuning = "Tuning and search";
inline constexpr const char* kGroupNetwork = "Network data and raw data";
inline constexpr const char* kGroupDiagnostics = "Diagnostics";

struct CommandRegistration {
  CommandRegistration(std::string name, std::string description, std::string group, Define define);
};

// The run of a command (one that has no subcommands of its own).
void setRun(CLI::App& command, Run run);

// Adds --json ("print the result as one JSON object") and returns where its value lands.
std::shared_ptr<bool> addJsonFlag(CLI::App& command);

// One line of JSON; bytes of names that are not UTF-8 become U+FFFD.
std::string jsonText(const nlohmann::json& value);

// Builds the whole command line (for main and for tests of the help).
void defineCommands(CLI::App& app);
// The run of the deepest subcommand that the parse selected; empty when there is none.
Run selectedRun(const CLI::App& app);

}  // namespace cv7ctl
