// A real cv7 daemon with the simulated card on a socket in a fresh temporary directory,
// stopped and removed again however the test ends. The library of the test process is
// pointed at it through CV7_DEVICE.
#pragma once
#include <sched.h>
#include <sys/prctl.h>
#include <algorithm>
#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "corvane.h"

namespace cv7::itest {

inline std::string binDir() {
  const char* dir = std::getenv("CV7_BIN_DIR");
  return dir ? dir : ".";
}
inline std::string daemonBinary() { return binDir() + "/driver/host/cv7"; }
inline std::string ctlBinary() { return binDir() + "/tools/cv7ctl/cv7ctl"; }

// Polls a condition every few milliseconds for up to `limit`; true when it became true.
inline bool eventually(const std::function<bool()>& condition,
                       std::chrono::milliseconds limit = std::chrono::milliseconds(5000)) {
  auto until = std::chrono::steady_clock::now() + limit;
  while (std::chrono::steady_clock::now() < until) {
    if (condition()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return condition();
}

inline int connectUnix(const std::string& path, int type) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
  int fd = ::socket(AF_UNIX, type | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

// A connection to the control socket that speaks the protocol by hand.
class RawConnection {
 public:
  // A daemon that stops answering fails the request after 20 s instead of hanging the test.
  explicit RawConnection(const std::string& path) : fd_(connectUnix(path, SOCK_SEQPACKET)) {
    timeval limit{20, 0};
    if (fd_ >= 0) ::setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
  }
  int fd() const { return fd_; }
  ~RawConnection() { close(); }
  bool connected() const { return fd_ >= 0; }
  void close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }
  // Sends one request; returns the status, or 0xFFFFFFFF when no valid answer came.
  uint32_t request(uint32_t code, std::vector<uint32_t> words, uint32_t outputLength, std::vector<uint8_t>* out = nullptr) {
    uint32_t inputLength = uint32_t(words.size() * 4);
    uint32_t header[8] = {0x52375643, 1, code, inputLength, outputLength, 0, 0, 0};
    std::vector<uint8_t> message(sizeof header + inputLength);
    std::memcpy(message.data(), header, sizeof header);
    if (inputLength) std::memcpy(message.data() + sizeof header, words.data(), inputLength);
    return sendRaw(message, outputLength, out);
  }
  // A request with descriptors attached, named by `handles` in the header.
  uint32_t requestWithFds(uint32_t code, std::vector<uint32_t> words, const std::vector<int>& fds,
                          const std::vector<uint32_t>& handles) {
    uint32_t inputLength = uint32_t(words.size() * 4);
    uint32_t header[8] = {0x52375643, 1, code, inputLength, 4, uint32_t(handles.size()), 0, 0};
    for (size_t i = 0; i < handles.size() && i < 2; ++i) header[6 + i] = handles[i];
    std::vector<uint8_t> message(sizeof header + inputLength);
    std::memcpy(message.data(), header, sizeof header);
    if (inputLength) std::memcpy(message.data() + sizeof header, words.data(), inputLength);
    return sendRaw(message, 4, nullptr, fds);
  }
  uint32_t sendRaw(const std::vector<uint8_t>& message, uint32_t outputLength, std::vector<uint8_t>* out = nullptr,
                   const std::vector<int>& fds = {}) {
    iovec part{const_cast<uint8_t*>(message.data()), message.size()};
    msghdr m{};
    m.msg_iov = &part;
    m.msg_iovlen = 1;
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int) * 4)] = {};
    if (!fds.empty()) {
      m.msg_control = control;
      m.msg_controllen = CMSG_SPACE(sizeof(int) * fds.size());
      cmsghdr* c = CMSG_FIRSTHDR(&m);
      c->cmsg_level = SOL_SOCKET;
      c->cmsg_type = SCM_RIGHTS;
      c->cmsg_len = CMSG_LEN(sizeof(int) * fds.size());
      std::memcpy(CMSG_DATA(c), fds.data(), sizeof(int) * fds.size());
    }
    if (::sendmsg(fd_, &m, MSG_NOSIGNAL) != ssize_t(message.size())) return 0xFFFFFFFF;
    std::vector<uint8_t> answer(8 + outputLength + 64);
    ssize_t got = ::recv(fd_, answer.data(), answer.size(), 0);
    if (got < 8) return 0xFFFFFFFF;
    uint32_t status, returned;
    std::memcpy(&status, answer.data(), 4);
    std::memcpy(&returned, answer.data() + 4, 4);
    if (size_t(got) != 8 + returned) return 0xFFFFFFFF;
    if (out) out->assign(answer.begin() + 8, answer.begin() + 8 + returned);
    return status;
  }
  // Word 0 of a request's answer (asking for up to 8 bytes).
  uint32_t word(uint32_t code, std::vector<uint32_t> words = {}) {
    std::vector<uint8_t> out;
    if (request(code, std::move(words), 8, &out) != 0 || out.size() < 4) return 0xFFFFFFFF;
    uint32_t value;
    std::memcpy(&value, out.data(), 4);
    return value;
  }

 private:
  int fd_;
};

// In a child just forked from `parent`: the child ends when the test process does, also when
// the test aborts before its destructors run (a sanitizer's report, a failed assertion in a
// forked helper), so no daemon or bus is left behind on the machine.
inline void endWithParent(pid_t parent) {
  ::prctl(PR_SET_PDEATHSIG, SIGTERM);
  if (::getppid() != parent) ::_exit(125);  // the parent was gone before the call
}

struct ProcessResult {
  int status = -1;  // exit status, or -1 when killed or not ended
  std::string output;
};

// Runs a program with arguments to its end and collects its standard output and error. With
// a limit, a program still running after it is killed (status -1).
inline ProcessResult runProgram(const std::vector<std::string>& argv, const std::string& outputFile,
                                std::chrono::milliseconds limit = std::chrono::milliseconds(0)) {
  const pid_t parent = ::getpid();
  pid_t child = ::fork();
  if (child == 0) {
    endWithParent(parent);
    int out = ::open(outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ::dup2(out, 1);
    ::dup2(out, 2);
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    ::execv(args[0], args.data());
    ::_exit(127);
  }
  ProcessResult result;
  int status = 0;
  auto ended = [&] { return ::waitpid(child, &status, WNOHANG) == child; };
  if (limit.count() == 0) {
    ::waitpid(child, &status, 0);
  } else if (!eventually(ended, limit)) {
    ::kill(child, SIGKILL);
    ::waitpid(child, &status, 0);
  }
  if (WIFEXITED(status)) result.status = WEXITSTATUS(status);
  std::ifstream in(outputFile);
  std::stringstream text;
  text << in.rdbuf();
  result.output = text.str();
  return result;
}

class Daemon {
 public:
  Daemon() {
    char pattern[] = "/tmp/cv7-itest-XXXXXX";
    char* made = ::mkdtemp(pattern);
    dir_ = made ? made : "";
    socket_ = dir_ + "/run/Cv7Dev";
  }
  ~Daemon() {
    stop();
    std::error_code ignored;
    // CV7_ITEST_KEEP=1 keeps the directory with the daemon's debug log, for a post-mortem.
    if (!dir_.empty() && !keep()) std::filesystem::remove_all(dir_, ignored);
  }
  Daemon(const Daemon&) = delete;
  Daemon& operator=(const Daemon&) = delete;

  static bool keep() {
    const char* value = std::getenv("CV7_ITEST_KEEP");
    return value && std::string(value) == "1";
  }
  const std::string& dir() const { return dir_; }
  const std::string& socketPath() const { return socket_; }
  std::string logPath() const { return dir_ + "/cv7.log"; }
  pid_t pid() const { return pid_; }
  // Starts the daemon in this network namespace (a path such as /run/netns/NAME).
  void setNetworkNamespace(const std::string& path) { netns_ = path; }

  // An environment variable for the daemon (set in its process only).
  void setEnvironment(const std::string& name, const std::string& value) { environment_.emplace_back(name, value); }

  // Starts the daemon in the foreground and waits until its socket answers.
  bool start(std::vector<std::string> extra = {}) {
    launch(std::move(extra));
    return waitUntilServed();
  }

  // Starts the daemon in the foreground without waiting for it.
  void launch(std::vector<std::string> extra = {}) {
    const pid_t parent = ::getpid();
    pid_ = ::fork();
    if (pid_ == 0) {
      endWithParent(parent);
      for (const auto& [name, value] : environment_) ::setenv(name.c_str(), value.c_str(), 1);
      // The daemon of a network-namespace test runs inside that namespace.
      if (!netns_.empty()) {
        int ns = ::open(netns_.c_str(), O_RDONLY | O_CLOEXEC);
        if (ns < 0 || ::setns(ns, CLONE_NEWNET) != 0) ::_exit(126);
      }
      int out = ::open(logPath().c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
      ::dup2(out, 1);
      ::dup2(out, 2);
      std::vector<std::string> argv = {daemonBinary(), "--foreground", "--socket", socket_};
      if (keep()) argv.insert(argv.end(), {"--log-level", "debug"});
      // No TAP interface unless the test asks for one (in a network namespace of its own).
      if (std::find(extra.begin(), extra.end(), "--tap") == extra.end()) argv.push_back("--no-tap");
      argv.insert(argv.end(), extra.begin(), extra.end());
      std::vector<char*> args;
      for (auto& a : argv) args.push_back(a.data());
      args.push_back(nullptr);
      ::execv(args[0], args.data());
      ::_exit(127);
    }
  }

  // Waits until both sockets answer; false when the daemon ended or 20 s passed.
  bool waitUntilServed() {
    return eventually([this] {
      if (exited()) return true;
      // Both sockets: the admin socket is made just after the control socket.
      int fd = connectUnix(socket_, SOCK_SEQPACKET);
      if (fd >= 0) ::close(fd);
      int admin = connectUnix(socket_ + ".admin", SOCK_STREAM);
      if (admin >= 0) ::close(admin);
      return fd >= 0 && admin >= 0;
    }, std::chrono::milliseconds(20000)) && !exited();
  }

  bool exited() {
    if (pid_ <= 0) return true;
    int status = 0;
    if (::waitpid(pid_, &status, WNOHANG) == pid_) {
      exitStatus_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      pid_ = -1;
      return true;
    }
    return false;
  }

  // SIGTERM, then SIGKILL if it does not end; returns the exit status (-1 when killed).
  int stop() {
    if (pid_ <= 0) return exitStatus_;
    ::kill(pid_, SIGTERM);
    if (!eventually([this] { return exited(); }, std::chrono::milliseconds(10000))) {
      ::kill(pid_, SIGKILL);
      int status = 0;
      ::waitpid(pid_, &status, 0);
      pid_ = -1;
      exitStatus_ = -1;
    }
    return exitStatus_;
  }

  // One admin command and its one-line answer.
  std::string admin(const std::string& command) const {
    int fd = connectUnix(socket_ + ".admin", SOCK_STREAM);
    if (fd < 0) return "no admin socket";
    timeval limit{20, 0};  // a daemon that stops answering fails the test instead of hanging it
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    std::string line = command + "\n";
    if (::send(fd, line.data(), line.size(), MSG_NOSIGNAL) < 0) {
      ::close(fd);
      return "send failed";
    }
    std::string answer;
    char c;
    while (::recv(fd, &c, 1, 0) == 1 && c != '\n') answer += c;
    ::close(fd);
    return answer;
  }

  // Every counter of one `stats` answer by name (values that are not numbers, such as the
  // PID table, are left out).
  std::map<std::string, long> stats() const {
    std::map<std::string, long> counters;
    std::istringstream words(admin("stats"));
    std::string pair;
    while (words >> pair) {
      size_t equals = pair.find('=');
      if (equals == std::string::npos) continue;
      char* end = nullptr;
      std::string value = pair.substr(equals + 1);
      long number = std::strtol(value.c_str(), &end, 10);
      if (!value.empty() && *end == '\0') counters[pair.substr(0, equals)] = number;
    }
    return counters;
  }
  long stat(const std::string& name) const {
    std::istringstream words(admin("stats"));
    std::string pair;
    while (words >> pair) {
      if (pair.rfind(name + "=", 0) == 0) return std::stol(pair.substr(name.size() + 1));
    }
    return -1;
  }

  std::string log() const {
    std::ifstream in(logPath());
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }

 private:
  std::string dir_, socket_;
  pid_t pid_ = -1;
  int exitStatus_ = -1;
  std::string netns_;
  std::vector<std::pair<std::string, std::string>> environment_;
};

// A window that records the messages the library sends; a send can be made to take a while.
class RecordingWindow {
 public:
  struct Message {
    uint32_t message;
    uintptr_t wParam;
    intptr_t lParam;
    CvnStatusRecord status{};  // copied when the message carries a status record
  };

  RecordingWindow() {
    bridge_.window.send = &RecordingWindow::deliver;
    bridge_.owner = this;
  }
  CvnWindow* window() { return &bridge_.window; }
  void copyStatusFor(uint32_t message) { statusMessage_ = message; }
  void setSendDelay(std::chrono::milliseconds delay) { delay_ = delay; }

  std::vector<Message> messages() {
    std::lock_guard guard(mutex_);
    return messages_;
  }
  size_t count() {
    std::lock_guard guard(mutex_);
    return messages_.size();
  }
  bool waitForCount(size_t n, std::chrono::milliseconds limit = std::chrono::milliseconds(5000)) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, limit, [&] { return messages_.size() >= n; });
  }
  int entered() {
    std::lock_guard guard(mutex_);
    return entered_;
  }
  void clear() {
    std::lock_guard guard(mutex_);
    messages_.clear();
  }

 private:
  // The CvnWindow is the first member of a plain struct that also points back here.
  struct Bridge {
    CvnWindow window;
    RecordingWindow* owner;
  };
  static intptr_t deliver(CvnWindow* self, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    auto* me = reinterpret_cast<Bridge*>(self)->owner;
    {
      std::lock_guard guard(me->mutex_);
      ++me->entered_;
    }
    if (me->delay_.count()) std::this_thread::sleep_for(me->delay_);
    Message m{message, wParam, lParam, {}};
    if (message == me->statusMessage_ && lParam) m.status = *reinterpret_cast<const CvnStatusRecord*>(lParam);
    std::lock_guard guard(me->mutex_);
    me->messages_.push_back(m);
    me->changed_.notify_all();
    return 0;
  }

  Bridge bridge_{};
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<Message> messages_;
  int entered_ = 0;
  uint32_t statusMessage_ = 0;
  std::chrono::milliseconds delay_{0};
};

}  // namespace cv7::itest
