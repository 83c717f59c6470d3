// A satellite data file that another client of the library really holds: a second process
// with the daemon's connection in client mode 1 keeps the file open, so its owner stamp
// says "in use" to this process.
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cstdio>

#include "AppFixture.h"
#include "ConfigurationKeys.h"
#include "DaemonHarness.h"
#include "FileUpkeep.h"
#include "StringId.h"

extern char** environ;

namespace cv7::app::test {
namespace {

// The holder process, talked to through its standard input and output.
class FileHolder {
 public:
  explicit FileHolder(const QString& path) {
    int in[2], out[2];
    if (::pipe(in) != 0 || ::pipe(out) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addclose(&actions, in[1]);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    std::string file = path.toStdString(), program = CV7_FILE_HOLDER;
    char* argv[] = {program.data(), file.data(), nullptr};
    if (posix_spawn(&pid_, argv[0], &actions, nullptr, argv, environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    ::close(in[0]);
    ::close(out[1]);
    toHolder_ = ::fdopen(in[1], "w");
    fromHolder_ = ::fdopen(out[0], "r");
  }
  ~FileHolder() {
    release();
    if (toHolder_) std::fclose(toHolder_);
    if (fromHolder_) std::fclose(fromHolder_);
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
  }
  std::string nextLine() {
    char line[64] = {};
    if (!fromHolder_ || !std::fgets(line, sizeof line, fromHolder_)) return "";
    std::string text(line);
    if (!text.empty() && text.back() == '\n') text.pop_back();
    return text;
  }
  // Tells the holder to close the file and waits until it has.
  bool release() {
    if (!toHolder_ || released_) return released_;
    std::fputs("release\n", toHolder_);
    std::fflush(toHolder_);
    released_ = nextLine() == "released";
    return released_;
  }

 private:
  pid_t pid_ = -1;
  FILE* toHolder_ = nullptr;
  FILE* fromHolder_ = nullptr;
  bool released_ = false;
};

class HeldFileTest : public AppFixture {
 protected:
  void SetUp() override {
    AppFixture::SetUp();
    ASSERT_TRUE(daemon.start()) << daemon.log();
    ::setenv("CV7_DEVICE", daemon.socketPath().c_str(), 1);
    state.m_strSateName = "HOTBIRD";
    state.m_strSateFile = base + "/HotBird.cvd";
    store.writeText(config::kSatellite, config::kSatelliteDir, base);
    fs::copy_file(std::string(CV7_DEFAULT_FILE_DIR) + "/HotBird.cvd", state.m_strSateFile.toStdString());
    // What the database held before: one transponder of another satellite.
    TrInfo before{0, 12000000, 22000, 0, 9, {}};
    Cvn_AddTransponder(&before);
  }

  itest::Daemon daemon;
  FileUpkeep upkeep{state, store, ui, clock};
};

TEST_F(HeldFileTest, AFileHeldThroughEveryAttemptIsNeitherReadNorReplaced) {
  FileHolder holder(state.m_strSateFile);
  ASSERT_EQ(holder.nextLine(), "held");
  const QByteArray held = fileBytes(state.m_strSateFile);

  EXPECT_EQ(upkeep.loadDataFile(), FileUpkeep::Result::InUse);
  EXPECT_EQ(clock.sleeps(), std::vector<std::chrono::milliseconds>(5, std::chrono::milliseconds(100)))
      << "six attempts, 100 ms apart";
  EXPECT_EQ(ui.texts(), QStringList{strings.text(StringId::FileOpenFailed) + "\n\"" + state.m_strSateFile + "\""});
  EXPECT_EQ(Cvn_GetNumOfTransponder(), 1) << "the database keeps what it held";
  TrInfo kept{};
  Cvn_GetInfoTransponder(1, &kept);
  EXPECT_EQ(kept.Frequency, 12000000u);

  ui.clear();
  EXPECT_EQ(upkeep.saveDataFile(), FileUpkeep::Result::InUse);
  EXPECT_TRUE(ui.showed(StringId::FileWriteFailed));
  EXPECT_EQ(fileBytes(state.m_strSateFile), held) << "neither written nor deleted";
  ASSERT_TRUE(holder.release());
}

TEST_F(HeldFileTest, AFileReleasedBetweenAttemptsIsRead) {
  FileHolder holder(state.m_strSateFile);
  ASSERT_EQ(holder.nextLine(), "held");
  clock.onSleep([&](int wait) {
    if (wait == 3) {
      EXPECT_TRUE(holder.release());
    }
  });
  EXPECT_EQ(upkeep.loadDataFile(), FileUpkeep::Result::Done);
  EXPECT_EQ(clock.sleeps().size(), 3u);
  EXPECT_TRUE(ui.messages().empty());
  LnbInfo lnb{};
  Cvn_GetSatelliteInformation(&lnb);
  EXPECT_STREQ(lnb.SatelliteName, "HOTBIRD");
  EXPECT_GT(Cvn_GetNumOfTransponder(), 1);
}

}  // namespace
}  // namespace cv7::app::test
