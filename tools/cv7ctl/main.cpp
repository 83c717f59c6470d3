// cv7ctl: the Corvane-7 receiver from the shell: satellite files, tuning, search, network
// data, raw data and diagnostics. Commands register themselves (Command.h).
#include <cstdio>
#include <string>
#include <vector>

#include "Command.h"
#include "Failure.h"

namespace {

constexpr const char* kDescription =
    "cv7ctl: the Corvane-7 satellite data receiver from the shell.\n"
    "Talks to the cv7 daemon over its control socket through the receiver library.";

std::string footer() {
  return std::string(
             "\nGetting started (a universal LNB on DiSEqC port B, one transponder):\n"
             "  cv7ctl cvd new astra.cvd --name ASTRA --lnb universal --diseqc B\n"
             "  cv7ctl cvd add-transponder astra.cvd --freq 11778 --pol v --sr 27500\n"
             "  cv7ctl lock astra.cvd 1            is there a signal?\n"
             "  cv7ctl scan astra.cvd 1 --save     search it and keep what was found\n"
             "  cv7ctl cvd select-data astra.cvd 101\n"
             "  cv7ctl pid add 0x500 --kind mpe    receive that data PID on cv7-0\n"
             "  cv7ctl stats                       watch the counters\n"
             "Or start from a scan table: cv7ctl cvd import /usr/share/dvb/dvb-s/Astra-19.2E astra.cvd\n"
             "\n'cv7ctl COMMAND --help' lists a command's options and the values they accept.\n"
             "Environment: CV7_DEVICE, the control socket (default /run/cv7/Cv7Dev).\n"
             "\nExit status:\n") +
         cv7ctl::exitStatusTable();
}

// The deepest command that the parse reached, for the hint after a bad argument.
std::string commandPath(const CLI::App& app) {
  std::string path = "cv7ctl";
  const CLI::App* current = &app;
  while (!current->get_subcommands().empty()) {
    current = current->get_subcommands().front();
    path += " " + current->get_name();
  }
  return path;
}

// cv7ctl help [COMMAND [SUBCOMMAND]]: the help of the tool or of a command.
void defineHelp(CLI::App& app) {
  auto names = std::make_shared<std::vector<std::string>>();
  CLI::App* help = app.add_subcommand("help", "Print the help of cv7ctl or of a command");
  help->group(cv7ctl::kGroupDiagnostics);
  help->add_option("COMMAND", *names, "The command (and subcommand) to explain");
  cv7ctl::setRun(*help, [&app, names] {
    const CLI::App* target = &app;
    std::string path = app.get_name();
    for (const std::string& name : *names) {
      try {
        target = target->get_subcommand(name);
      } catch (const CLI::OptionNotFound&) {
        throw cv7ctl::Failure::badArgument("no command '" + name + "' (see cv7ctl --help)");
      }
      path += " " + name;
    }
    // The formatter itself: App::help() would explain the help command that was parsed.
    std::fputs(target->get_formatter()->make_help(target, path, CLI::AppFormatMode::Normal).c_str(), stdout);
    return int(cv7ctl::kExitOk);
  });
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{kDescription, "cv7ctl"};
  app.require_subcommand(1);
  app.get_formatter()->column_width(34);
  app.footer("\nExit statuses and a first session: cv7ctl --help");
  cv7ctl::defineCommands(app);
  defineHelp(app);
  app.footer(footer());
  if (argc < 2) {
    std::fputs(app.help().c_str(), stderr);
    return cv7ctl::kExitBadArgument;
  }
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    if (error.get_exit_code() == 0) return app.exit(error);  // --help
    std::fprintf(stderr, "cv7ctl: bad argument: %s\nSee '%s --help' for the accepted values.\n", error.what(),
                 commandPath(app).c_str());
    return cv7ctl::kExitBadArgument;
  }
  try {
    cv7ctl::Run run = cv7ctl::selectedRun(app);
    if (!run) throw cv7ctl::Failure::badArgument("a command is needed (see cv7ctl --help)");
    return run();
  } catch (const cv7ctl::Failure& failure) {
    std::fprintf(stderr, "cv7ctl: %s\n", failure.what());
    return failure.status();
  } catch (const std::exception& error) {
    std::fprintf(stderr, "cv7ctl: card error: %s\n", error.what());
    return cv7ctl::kExitCardError;
  }
}
