// cv7ctl against a running daemon: scan outcomes, the PID table, dump counts, JSON output,
// and the end of a waiting command when the daemon goes away.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "SystemFixture.h"

namespace cv7::itest {
namespace {

class CtlTest : public SystemTest {
 protected:
  ProcessResult ctl(std::vector<std::string> args) {
    args.insert(args.begin(), ctlBinary());
    return runProgram(args, daemon.dir() + "/ctl.log");
  }
  std::string hotbird() const { return binDir() + "/DefaultFile/HotBird.cvd"; }
  std::string copyOfHotbird() {
    std::string copy = daemon.dir() + "/HotBird.cvd";
    std::filesystem::copy_file(hotbird(), copy, std::filesystem::copy_options::overwrite_existing);
    return copy;
  }
  static std::string fileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }
};

TEST_F(CtlTest, ScanTellsNothingFoundFromNoSignal) {
  ProcessResult found = ctl({"scan", hotbird(), "1", "--json"});
  ASSERT_EQ(found.status, 0) << found.output;
  auto result = nlohmann::json::parse(found.output);
  EXPECT_TRUE(result["locked"].get<bool>());
  EXPECT_TRUE(result["found"].get<bool>());
  EXPECT_EQ(result["data"][0]["pid"], 0x500);

  ProcessResult empty = ctl({"scan", hotbird(), "2"});
  EXPECT_EQ(empty.status, 0) << empty.output;
  EXPECT_NE(empty.output.find("nothing found: the transponder is locked"), std::string::npos) << empty.output;

  std::string dark = daemon.dir() + "/dark.cvd";
  ASSERT_EQ(ctl({"cvd", "new", dark, "--lnb", "universal", "--diseqc", "A"}).status, 0);
  ASSERT_EQ(ctl({"cvd", "add-transponder", dark, "--freq", "12000", "--sr", "27500", "--pol", "h"}).status, 0);
  ProcessResult none = ctl({"scan", dark, "1"});
  EXPECT_EQ(none.status, 6) << none.output;
  EXPECT_NE(none.output.find("cv7ctl: no signal: the tuner did not lock on 12000000 kHz"), std::string::npos) << none.output;
  EXPECT_EQ(none.output.find("nothing found"), std::string::npos) << none.output;
}

TEST_F(CtlTest, ScanSaveStoresWhatWasFoundAndKeepsTheSelection) {
  std::string file = copyOfHotbird();
  ASSERT_EQ(ctl({"cvd", "remove-transponder", file, "1"}).status, 0);
  ASSERT_EQ(ctl({"cvd", "add-transponder", file, "--freq", "10719", "--sr", "27500", "--pol", "v"}).status, 0);
  ASSERT_EQ(ctl({"cvd", "add-data", file, "1", "--pid", "0x500", "--select"}).status, 0);
  ProcessResult saved = ctl({"scan", file, "1", "--save"});
  ASSERT_EQ(saved.status, 0) << saved.output;
  ProcessResult shown = ctl({"cvd", "show", file});
  EXPECT_NE(shown.output.find("\"Meridian TV\" TV, video 0x0101"), std::string::npos) << shown.output;
  EXPECT_NE(shown.output.find("101 data PID 0x0500, mpe (3), program 1000, PMT 0x0400, selected"), std::string::npos)
      << shown.output;
  EXPECT_NE(shown.output.find("TSID 1101"), std::string::npos) << shown.output;
}

TEST_F(CtlTest, PidAddReportsAFullTableAsAnError) {
  for (int pid = 0x600; pid < 0x610; ++pid) {
    ProcessResult added = ctl({"pid", "add", std::to_string(pid)});
    ASSERT_EQ(added.status, 0) << added.output;
    EXPECT_NE(added.output.find(": done"), std::string::npos) << added.output;
  }
  ProcessResult full = ctl({"pid", "add", "0x700", "--kind", "mpe"});
  EXPECT_EQ(full.status, 1) << full.output;
  EXPECT_NE(full.output.find("cv7ctl: card error: PID 0x0700 (mpe/3): the driver's PID table is full"), std::string::npos)
      << full.output;
  EXPECT_EQ(full.output.find("done"), std::string::npos) << full.output;
  EXPECT_EQ(ctl({"pid", "add", "0x600"}).status, 0);  // already received
  EXPECT_EQ(ctl({"pid", "add", "0x600", "--kind", "ts"}).status, 1);
  auto listed = nlohmann::json::parse(ctl({"pid", "list", "--json"}).output);
  EXPECT_EQ(listed["pids"].size(), 16u);
  EXPECT_EQ(listed["pids"][0]["kind"], "mpe");
  ASSERT_EQ(ctl({"pid", "clear"}).status, 0);
  EXPECT_NE(ctl({"pid", "list"}).output.find("0 of 16 entries used"), std::string::npos);
}

TEST_F(CtlTest, DumpCountsPacketsPesPacketsAndSections) {
  ASSERT_EQ(ctl({"lock", hotbird(), "1"}).status, 0);
  std::string out = daemon.dir() + "/dump.bin";
  ProcessResult packets = ctl({"dump", "0x101", "--kind", "ts", "--count", "10", "--out", out});
  ASSERT_EQ(packets.status, 0) << packets.output;
  EXPECT_NE(packets.output.find("10 packets, 1880 bytes of PID 257 (ts)"), std::string::npos) << packets.output;
  std::string stream = fileText(out);
  ASSERT_EQ(stream.size(), 1880u);
  for (size_t i = 0; i < stream.size(); i += 188) EXPECT_EQ(stream[i], 0x47);

  ProcessResult pes = ctl({"dump", "0x101", "--kind", "pes", "--count", "3", "--out", out});
  ASSERT_EQ(pes.status, 0) << pes.output;
  EXPECT_NE(pes.output.find("3 PES packets"), std::string::npos) << pes.output;
  std::string units = fileText(out);
  size_t at = 0, count = 0;
  while (at + 6 <= units.size() && units.compare(at, 3, std::string("\0\0\1", 3)) == 0) {
    size_t length = (uint8_t(units[at + 4]) << 8) | uint8_t(units[at + 5]);
    at += length + 6;
    ++count;
  }
  EXPECT_EQ(count, 3u);
  EXPECT_EQ(at, units.size());

  ProcessResult sections = ctl({"dump", "0x100", "--kind", "section", "--count", "2", "--out", out});
  ASSERT_EQ(sections.status, 0) << sections.output;
  EXPECT_NE(sections.output.find("2 sections"), std::string::npos) << sections.output;
}

TEST_F(CtlTest, QueriesPrintJson) {
  auto info = nlohmann::json::parse(ctl({"info", "--json"}).output);
  EXPECT_EQ(info["driver"], "2.20");
  EXPECT_EQ(info["interface"], "2.0");
  auto stats = nlohmann::json::parse(ctl({"stats", "--json"}).output);
  EXPECT_EQ(stats["firmware-running"], 1);
  EXPECT_EQ(stats["pid-table"], "-");
  ProcessResult lock = ctl({"lock", hotbird(), "1", "--json"});
  ASSERT_EQ(lock.status, 0) << lock.output;
  auto locked = nlohmann::json::parse(lock.output);
  EXPECT_EQ(locked["transponder"]["frequencyKHz"], 10719000);
  EXPECT_TRUE(locked["tuner"]["locked"].get<bool>());
}

// A dump that waits for data ends with the daemon-down message when the daemon stops.
TEST_F(CtlTest, DumpEndsWhenTheDaemonGoesAway) {
  ASSERT_EQ(ctl({"lock", hotbird(), "1"}).status, 0);
  std::string out = daemon.dir() + "/endless.ts", log = daemon.dir() + "/endless.log";
  const pid_t parent = ::getpid();
  pid_t dump = ::fork();
  if (dump == 0) {
    endWithParent(parent);
    int fd = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ::dup2(fd, 2);
    ::execl(ctlBinary().c_str(), ctlBinary().c_str(), "dump", "0x101", "--out", out.c_str(), nullptr);
    ::_exit(127);
  }
  EXPECT_TRUE(eventually([&] { return std::filesystem::exists(out) && std::filesystem::file_size(out) > 0; }));
  daemon.stop();
  int status = -1;
  bool ended = eventually([&] { return ::waitpid(dump, &status, WNOHANG) == dump; }, std::chrono::milliseconds(10000));
  if (!ended) {
    ::kill(dump, SIGKILL);
    ::waitpid(dump, &status, 0);
  }
  ASSERT_TRUE(ended) << "dump went on after the daemon stopped";
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 3) << status;
  EXPECT_NE(fileText(log).find("cv7ctl: the cv7 daemon is not running"), std::string::npos) << fileText(log);
}

}  // namespace
}  // namespace cv7::itest
