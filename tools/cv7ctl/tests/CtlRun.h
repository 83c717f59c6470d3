// Runs cv7ctl as a process in a temporary directory, with its standard output and error
// kept apart, and CV7_DEVICE pointing at a socket path of that directory where nothing
// listens.
#pragma once
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace cv7ctl::test {

struct CtlResult {
  int status = -1;
  std::string out, err;
};

class CtlRun {
 public:
  CtlRun() {
    char pattern[] = "/tmp/cv7ctl-test-XXXXXX";
    dir_ = ::mkdtemp(pattern);
    device_ = dir_ + "/run/Cv7Dev";
  }
  ~CtlRun() {
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
  }
  CtlRun(const CtlRun&) = delete;
  CtlRun& operator=(const CtlRun&) = delete;

  const std::string& dir() const { return dir_; }
  std::string path(const std::string& name) const { return dir_ + "/" + name; }

  CtlResult operator()(const std::vector<std::string>& args) const {
    std::string out = path("stdout"), err = path("stderr");
    pid_t child = ::fork();
    if (child == 0) {
      ::setenv("CV7_DEVICE", device_.c_str(), 1);
      int o = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      int e = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      ::dup2(o, 1);
      ::dup2(e, 2);
      std::vector<char*> argv{const_cast<char*>(CV7CTL_PATH)};
      for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
      argv.push_back(nullptr);
      ::execv(argv[0], argv.data());
      ::_exit(127);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, read(out), read(err)};
  }

  static std::string read(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }

 private:
  std::string dir_, device_;
};

}  // namespace cv7ctl::test
