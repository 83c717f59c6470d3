// Runs a piece of a test in a child process of its own, for what may hang or end the
// process: the child ends with exit(body()), as a program that returns from main, so exit
// handlers and the sanitizers' checks at exit run; a child that has not ended within its
// time limit has hung and is killed.
#pragma once
#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>

namespace cv7::itest {

struct ChildOutcome {
  bool hung = false;
  int exitStatus = -1;  // when it exited
  int signal = 0;       // when a signal ended it
  std::string output;   // what it wrote to standard error

  bool exitedWith(int status) const { return !hung && signal == 0 && exitStatus == status; }
  std::string describe() const {
    std::ostringstream text;
    if (hung) text << "the child hung and was killed";
    else if (signal) text << "the child was ended by signal " << signal << " (" << strsignal(signal) << ")";
    else text << "the child exited with status " << exitStatus;
    return text.str() + "\n" + output;
  }
};

inline ChildOutcome runChild(const std::function<int()>& body,
                             std::chrono::milliseconds limit = std::chrono::milliseconds(30000)) {
  char path[] = "/tmp/cv7-child-XXXXXX";
  int log = ::mkstemp(path);
  std::fflush(nullptr);
  pid_t child = ::fork();
  if (child == 0) {
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);  // a test that dies takes its child with it
    ::dup2(log, 2);
    std::exit(body());
  }
  ChildOutcome outcome;
  int status = 0;
  auto until = std::chrono::steady_clock::now() + limit;
  while (::waitpid(child, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > until) {
      outcome.hung = true;
      ::kill(child, SIGKILL);
      ::waitpid(child, &status, 0);
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  if (!outcome.hung && WIFEXITED(status)) outcome.exitStatus = WEXITSTATUS(status);
  if (!outcome.hung && WIFSIGNALED(status)) outcome.signal = WTERMSIG(status);
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  outcome.output = text.str();
  ::close(log);
  ::unlink(path);
  return outcome;
}

// A child process that does its set-up and tells the test whether it worked; then it runs
// `work` and exits with its result, or, without work, stays until it is killed (by kill(),
// its destructor, or the end of the test process). A failed set-up exits with status 2.
class ParkedChild {
 public:
  explicit ParkedChild(const std::function<bool()>& setUp, const std::function<int()>& work = nullptr) {
    int ready[2];
    if (::pipe(ready) != 0) return;
    std::fflush(nullptr);
    pid_ = ::fork();
    if (pid_ == 0) {
      ::prctl(PR_SET_PDEATHSIG, SIGKILL);
      char done = setUp() ? 'y' : 'n';
      if (::write(ready[1], &done, 1) != 1) ::_exit(3);
      if (done != 'y') ::_exit(2);
      if (work) ::_exit(work());
      for (;;) ::pause();
    }
    char done = 0;
    ready_ = pid_ > 0 && ::read(ready[0], &done, 1) == 1 && done == 'y';
    ::close(ready[0]);
    ::close(ready[1]);
  }
  ~ParkedChild() { kill(); }
  ParkedChild(const ParkedChild&) = delete;
  ParkedChild& operator=(const ParkedChild&) = delete;
  bool ready() const { return ready_; }
  // The exit status of a child with work; -1 when it did not exit normally.
  int wait() {
    int status = 0;
    if (pid_ <= 0 || ::waitpid(pid_, &status, 0) != pid_) return -1;
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  void kill() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }

 private:
  pid_t pid_ = -1;
  bool ready_ = false;
};

// In a child's body: a failed check names itself on standard error and ends the child.
#define CHILD_CHECK(condition)                                                     \
  do {                                                                             \
    if (!(condition)) {                                                            \
      std::fprintf(stderr, "%s:%d: failed: %s\n", __FILE__, __LINE__, #condition); \
      return 100 + __LINE__ % 100;                                                 \
    }                                                                              \
  } while (0)

// The library's threads still in this process (their names begin with "cvn-").
inline size_t libraryThreads() {
  size_t count = 0;
  if (DIR* tasks = ::opendir("/proc/self/task")) {
    while (dirent* entry = ::readdir(tasks)) {
      if (entry->d_name[0] == '.') continue;
      std::ifstream comm(std::string("/proc/self/task/") + entry->d_name + "/comm");
      std::string name;
      std::getline(comm, name);
      count += name.rfind("cvn-", 0) == 0;
    }
    ::closedir(tasks);
  }
  return count;
}

}  // namespace cv7::itest
