// The command line as a user meets it: help on every command, the same words for kinds
// everywhere, and one message and exit status per kind of failure.
#include <gtest/gtest.h>

#include <cctype>
#include <iterator>
#include <set>

#include "CtlRun.h"

namespace cv7ctl::test {
namespace {

// "  name   description": a command line of a help text (std::regex is avoided: GCC 12 warns
// inside it in the sanitizer builds).
bool commandLine(const std::string& line, std::string& name) {
  if (line.size() < 4 || line.compare(0, 2, "  ") != 0 || !std::islower(static_cast<unsigned char>(line[2]))) return false;
  size_t end = line.find_first_not_of("abcdefghijklmnopqrstuvwxyz-", 2);
  if (end == std::string::npos || line.compare(end, 2, "  ") != 0) return false;
  name = line.substr(2, end - 2);
  return true;
}

// The command names that a help text lists under its command groups or "Subcommands:".
std::vector<std::string> listedCommands(const std::string& help) {
  std::vector<std::string> names;
  std::istringstream in(help);
  std::string line, name;
  bool inList = false;
  while (std::getline(in, line)) {
    if (line.empty()) inList = false;
    if (!line.empty() && line.back() == ':' && line[0] != ' ')
      inList = line != "Options:" && line != "Positionals:" && line.rfind("Getting started", 0) != 0 &&
               line != "Exit status:";
    if (inList && commandLine(line, name)) names.push_back(name);
  }
  return names;
}

TEST(CommandLineTest, EveryCommandAndSubcommandHasHelp) {
  CtlRun ctl;
  CtlResult top = ctl({"--help"});
  ASSERT_EQ(top.status, 0);
  EXPECT_EQ(ctl({"help"}).out, top.out);
  auto commands = listedCommands(top.out);
  ASSERT_GE(commands.size(), 15u) << top.out;
  size_t subcommands = 0;
  for (const std::string& command : commands) {
    CtlResult help = ctl({command, "--help"});
    EXPECT_EQ(help.status, 0) << command;
    EXPECT_NE(help.out.find("Usage: cv7ctl " + command), std::string::npos) << help.out;
    EXPECT_EQ(ctl({"help", command}).out, help.out) << command;
    for (const std::string& sub : listedCommands(help.out)) {
      CtlResult subHelp = ctl({command, sub, "--help"});
      EXPECT_EQ(subHelp.status, 0) << command << " " << sub;
      EXPECT_NE(subHelp.out.find("Usage: cv7ctl " + command + " " + sub), std::string::npos) << subHelp.out;
      ++subcommands;
    }
  }
  EXPECT_GE(subcommands, 12u);  // cvd, pid and fch
  EXPECT_EQ(ctl({"no-such-command"}).status, 2);
  EXPECT_EQ(ctl({"help", "no-such-command"}).status, 2);
  EXPECT_EQ(ctl({}).status, 2);
}

TEST(CommandLineTest, HelpSpellsOutTheAcceptedValues) {
  CtlRun ctl;
  std::string pid = ctl({"pid", "add", "--help"}).out;
  for (const char* kind : {"mpe|3", "stream|5", "ts|10", "pes|11", "section|12"}) EXPECT_NE(pid.find(kind), std::string::npos) << pid;
  std::string dump = ctl({"dump", "--help"}).out;
  EXPECT_NE(dump.find("section|12"), std::string::npos) << dump;
  std::string tune = ctl({"tune", "--help"}).out;
  for (const char* word : {"h|horizontal", "v|vertical", "universal", "c-band", "A|1"}) EXPECT_NE(tune.find(word), std::string::npos) << tune;
  std::string cvdNew = ctl({"cvd", "new", "--help"}).out;
  for (const char* word : {"universal", "c-band", "none|0, A|1, B|2"}) EXPECT_NE(cvdNew.find(word), std::string::npos) << cvdNew;
}

// With no daemon, a value the command line accepts gets as far as the connection (exit 3);
// one it refuses is a bad argument (exit 2) before any connection.
TEST(CommandLineTest, EveryKindNameAndNumberIsAcceptedWherePidsAreTaken) {
  CtlRun ctl;
  for (const char* kind : {"mpe", "3", "stream", "5", "ts", "10", "pes", "11", "section", "12", "MPE", "0xA"}) {
    EXPECT_EQ(ctl({"pid", "add", "0x500", "--kind", kind}).status, 3) << kind;
    EXPECT_EQ(ctl({"pid", "remove", "1280", "--kind", kind}).status, 3) << kind;
  }
  for (const char* kind : {"ts", "10", "pes", "11", "section", "12"})
    EXPECT_EQ(ctl({"dump", "0x101", "--kind", kind, "--seconds", "1"}).status, 3) << kind;
  for (const char* kind : {"mpe", "5"}) {
    CtlResult r = ctl({"dump", "0x101", "--kind", kind});
    EXPECT_EQ(r.status, 2) << kind;
    EXPECT_NE(r.err.find("dump takes ts, pes or section"), std::string::npos) << r.err;
  }
  for (const char* kind : {"4", "mpeg", "", "-3"}) {
    CtlResult r = ctl({"pid", "add", "0x500", "--kind", kind});
    EXPECT_EQ(r.status, 2) << kind;
    EXPECT_NE(r.err.find("is not a record kind (mpe|3, stream|5, ts|10, pes|11, section|12)"), std::string::npos) << r.err;
  }
  EXPECT_EQ(ctl({"pid", "add", "0x2000"}).status, 2);
  EXPECT_EQ(ctl({"tune", "--freq", "11778", "--sr", "27500", "--pol", "x"}).status, 2);
}

TEST(CommandLineTest, DaemonDownIsOneMessageAndOneStatusInEveryCommand) {
  CtlRun ctl;
  std::string file = ctl.path("s.cvd");
  ASSERT_EQ(ctl({"cvd", "new", file, "--lnb", "universal"}).status, 0);
  ASSERT_EQ(ctl({"cvd", "add-transponder", file, "--freq", "11778", "--sr", "27500", "--pol", "v"}).status, 0);
  const std::vector<std::vector<std::string>> commands = {
      {"info"}, {"stats"}, {"lock", file, "1"}, {"scan", file, "1"}, {"tune", "--freq", "11778", "--sr", "27500"},
      {"signal", "--count", "1"}, {"pid", "add", "0x500"}, {"pid", "list"}, {"pid", "clear"}, {"mac"},
      {"ip", "192.0.2.1"}, {"filter", "ip"}, {"raw", "0x172000"}, {"dump", "0x101"}, {"info", "--json"}};
  std::string first;
  for (const auto& command : commands) {
    CtlResult r = ctl(command);
    EXPECT_EQ(r.status, 3) << command[0] << ": " << r.err;
    EXPECT_EQ(r.out, "") << command[0];
    if (first.empty()) first = r.err;
    EXPECT_EQ(r.err, first) << command[0];
  }
  EXPECT_EQ(first, "cv7ctl: the cv7 daemon is not running (nothing answers on " + ctl.dir() +
                       "/run/Cv7Dev; start cv7, or set CV7_DEVICE to its socket)\n");
}

// The bash completion offers every command that --help lists (a new command goes there too).
TEST(CommandLineTest, BashCompletionKnowsEveryCommand) {
  CtlRun ctl;
  auto listed = listedCommands(ctl({"--help"}).out);
  std::string completion = CtlRun::read(CV7_SOURCE_DIR "/tools/cv7ctl/cv7ctl.bash-completion");
  size_t list = completion.find("local commands=\"");
  ASSERT_NE(list, std::string::npos);
  list += std::string("local commands=\"").size();
  std::istringstream words(completion.substr(list, completion.find('"', list) - list));
  std::set<std::string> offered{std::istream_iterator<std::string>(words), std::istream_iterator<std::string>()};
  EXPECT_EQ(offered, std::set<std::string>(listed.begin(), listed.end()));
}

// The statuses that --help lists are the ones the manual page's EXIT STATUS section lists.
TEST(CommandLineTest, ExitStatusesOfTheHelpAreTheManualPages) {
  CtlRun ctl;
  std::string help = ctl({"--help"}).out;
  std::string manual = CtlRun::read(CV7_SOURCE_DIR "/docs/man/cv7ctl.1.scd");
  size_t section = manual.find("# EXIT STATUS");
  ASSERT_NE(section, std::string::npos);
  std::string statuses = manual.substr(section, manual.find("\n# ", section + 1) - section);
  std::set<std::string> fromHelp, fromManual;
  std::istringstream h(help.substr(help.find("Exit status:"))), m(statuses);
  std::string line;
  while (std::getline(h, line))
    if (line.size() > 5 && line.compare(0, 2, "  ") == 0 && std::isdigit(static_cast<unsigned char>(line[2])) &&
        line.compare(3, 2, "  ") == 0)
      fromHelp.insert(line.substr(2, 1));
  while (std::getline(m, line))
    if (line.size() == 3 && line[0] == '*' && std::isdigit(static_cast<unsigned char>(line[1])) && line[2] == '*')
      fromManual.insert(line.substr(1, 1));
  EXPECT_EQ(fromHelp.size(), 7u);
  EXPECT_EQ(fromHelp, fromManual);
}

}  // namespace
}  // namespace cv7ctl::test
