// Two other processes write the store at the same time while this one reads it.
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "Registry.h"

extern char** environ;

namespace cv7::registry {
namespace {

namespace fs = std::filesystem;

pid_t spawnWriter(const std::string& store, const std::string& tag, int count) {
  std::vector<std::string> args = {CV7_REGISTRY_WRITER, store, tag, std::to_string(count)};
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = -1;
  if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return -1;
  return pid;
}

std::string sharedText(const std::string& tag) {
  std::string text;
  while (text.size() < 4000) text += tag;
  return text;
}

TEST(RegistryConcurrencyTest, TwoWritingProcessesLoseNothingAndReadersSeeWholeValues) {
  fs::path dir = fs::temp_directory_path() / ("cv7-registry-concurrent-" + std::to_string(::getpid()));
  fs::remove_all(dir);
  const std::string store = (dir / "registry.sqlite").string();
  const int count = 150;
  pid_t a = spawnWriter(store, "alpha", count);
  pid_t b = spawnWriter(store, "omega", count);
  ASSERT_GT(a, 0);
  ASSERT_GT(b, 0);

  Registry registry(store);
  const std::string alpha = sharedText("alpha"), omega = sharedText("omega");
  int reads = 0, torn = 0;
  for (int done = 0; done < 2;) {
    std::string seen = registry.readText("Concurrency", "Shared", "");
    ++reads;
    if (!seen.empty() && seen != alpha && seen != omega) ++torn;
    done = 0;
    for (pid_t* p : {&a, &b}) {
      int status = 0;
      if (*p < 0 || ::waitpid(*p, &status, WNOHANG) == *p) {
        EXPECT_TRUE(*p < 0 || (WIFEXITED(status) && WEXITSTATUS(status) == 0)) << "a writer failed";
        *p = -1;
        ++done;
      }
    }
  }
  EXPECT_EQ(torn, 0) << "of " << reads << " reads";
  for (const char* tag : {"alpha", "omega"})
    for (int i = 0; i < count; ++i)
      ASSERT_EQ(registry.readInteger("Concurrency", std::string(tag) + " " + std::to_string(i), -1), i) << tag << i;
  fs::remove_all(dir);
}

}  // namespace
}  // namespace cv7::registry
