// A program run by a test (Cv7d, the X server, the tray host): started with arguments,
// environment and working directory, its standard output and error in a file, signalled and
// waited for with bounds; killed and reaped if the test ends while it runs.
#pragma once
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace cv7::app::test {

class TestProcess {
 public:
  // `extraFd`, when given, becomes the program's descriptor 3.
  TestProcess(const std::string& program, const std::vector<std::string>& args,
              const std::map<std::string, std::string>& environment, const std::string& directory, std::string logPath,
              int extraFd = -1)
      : log_(std::move(logPath)) {
    const pid_t parent = ::getpid();
    pid_ = ::fork();
    if (pid_ != 0) return;
    // The program ends with the test, also when the test aborts before its destructors run.
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (::getppid() != parent) ::_exit(125);
    const int out = ::open(log_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ::dup2(out, 1);
    ::dup2(out, 2);
    if (extraFd >= 0) ::dup2(extraFd, 3);
    if (::chdir(directory.c_str()) != 0) ::_exit(126);
    for (const auto& [name, value] : environment) ::setenv(name.c_str(), value.c_str(), 1);
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  ~TestProcess() {
    if (running()) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
  }
  TestProcess(const TestProcess&) = delete;
  TestProcess& operator=(const TestProcess&) = delete;

  pid_t pid() const { return pid_; }
  bool running() { return reap(false), !status_; }
  void signal(int number) const { ::kill(pid_, number); }
  std::string output() const {
    std::ifstream in(log_);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }
  bool waitForOutput(const std::string& text, std::chrono::milliseconds limit = std::chrono::seconds(30)) {
    return waitForOutputAfter(0, text, limit);
  }
  // The same, looking only at the output from byte `offset` on (what came after a point).
  bool waitForOutputAfter(size_t offset, const std::string& text,
                          std::chrono::milliseconds limit = std::chrono::seconds(30)) {
    auto seen = [&] { return output().find(text, offset) != std::string::npos; };
    return waitUntil([&] { return seen() || !running(); }, limit) && seen();
  }
  // The exit status, or 128 + the signal that ended it; nothing while it still runs after
  // `limit`.
  std::optional<int> waitForExit(std::chrono::milliseconds limit = std::chrono::seconds(30)) {
    waitUntil([&] { return !running(); }, limit);
    return status_;
  }
  // Once the process has its own SIGTERM handler in place (so that a signal now is the
  // program's business and not the default end).
  bool waitForTermHandler(std::chrono::milliseconds limit = std::chrono::seconds(5)) {
    return waitUntil([&] {
      std::ifstream status("/proc/" + std::to_string(pid_) + "/status");
      std::string line;
      while (std::getline(status, line)) {
        if (line.rfind("SigCgt:", 0) != 0) continue;
        const unsigned long long caught = std::stoull(line.substr(7), nullptr, 16);
        return (caught >> (SIGTERM - 1) & 1) != 0;
      }
      return false;
    }, limit);
  }

  // Polls `done` every 10 ms for up to `limit`; true once it is.
  template <typename F>
  static bool waitUntil(F done, std::chrono::milliseconds limit) {
    const auto until = std::chrono::steady_clock::now() + limit;
    while (!done()) {
      if (std::chrono::steady_clock::now() > until) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
  }

 private:
  void reap(bool block) {
    if (status_ || pid_ <= 0) return;
    int status = 0;
    if (::waitpid(pid_, &status, block ? 0 : WNOHANG) != pid_) return;
    status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }

  std::string log_;
  pid_t pid_ = -1;
  std::optional<int> status_;
};

}  // namespace cv7::app::test
