#include "AdminServer.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>

#include "Log.h"

namespace cv7::host {

namespace {
constexpr size_t kMaxLine = 256;
constexpr int kIdleMilliseconds = 10000;  // an idle admin client is dropped

bool sendAll(int fd, const std::string& text) {
  size_t done = 0;
  while (done < text.size()) {
    ssize_t sent = ::send(fd, text.data() + done, text.size() - done, MSG_NOSIGNAL);
    if (sent < 0 && errno == EINTR) continue;
    if (sent <= 0) return false;
    done += size_t(sent);
  }
  return true;
}

bool parseCode(const std::string& text, unsigned& code) {
  if (text.empty()) return false;
  char* end = nullptr;
  errno = 0;
  unsigned long value = std::strtoul(text.c_str(), &end, 0);
  if (errno != 0 || *end != '\0' || value > 255) return false;
  code = unsigned(value);
  return true;
}
// aa:bb:cc:dd:ee:ff
bool parseAddress(const std::string& text, std::vector<uint8_t>& bytes) {
  unsigned part[6];
  char tail;
  if (std::sscanf(text.c_str(), "%2x:%2x:%2x:%2x:%2x:%2x%c", &part[0], &part[1], &part[2], &part[3], &part[4],
                  &part[5], &tail) != 6)
    return false;
  for (unsigned p : part) bytes.push_back(uint8_t(p));
  return true;
}
}  // namespace

AdminServer::AdminServer(Handlers handlers) : handlers_(std::move(handlers)) {
  stopFd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
}

AdminServer::~AdminServer() {
  stop();
  if (stopFd_ >= 0) ::close(stopFd_);
}

void AdminServer::start(int listenFd) {
  thread_ = std::thread([this, listenFd] { run(listenFd); });
}

void AdminServer::stop() {
  uint64_t one = 1;
  if (::write(stopFd_, &one, sizeof one) < 0) CV7_LOG_WARN("cannot wake the admin server: %s", std::strerror(errno));
  if (thread_.joinable()) thread_.join();
}

std::string AdminServer::answer(const std::string& line) const {
  std::istringstream words(line);
  std::string command, argument, extra;
  words >> command >> argument >> extra;
  if (command == "card-event") {
    unsigned code = 0;
    if (!parseCode(argument, code) || !extra.empty()) return "error usage: card-event CODE (0..255)";
    return handlers_.cardEvent && handlers_.cardEvent(code) ? "ok" : "error the card cannot raise events";
  }
  if (command == "multicast-list") {
    std::istringstream rest(line);
    std::string word;
    rest >> word;
    std::vector<uint8_t> addresses;
    while (rest >> word) {
      if (!parseAddress(word, addresses)) return "error usage: multicast-list [aa:bb:cc:dd:ee:ff ...]";
    }
    return handlers_.multicastList && handlers_.multicastList(addresses) ? "ok" : "error the driver refused the list";
  }
  if (command == "stats" && argument.empty()) return handlers_.stats ? handlers_.stats() : "";
  if (command == "fault") {
    if (argument.empty() || (extra != "on" && extra != "off")) return "error usage: fault NAME on|off";
    return handlers_.fault && handlers_.fault(argument, extra == "on") ? "ok" : "error unknown fault: " + argument;
  }
  if (command == "help" && argument.empty())
    return "commands: card-event CODE, multicast-list [ADDRESS...], fault NAME on|off, stats, help";
  return "error unknown command: " + line;
}

void AdminServer::run(int listenFd) {
  for (;;) {
    pollfd fds[2] = {{listenFd, POLLIN, 0}, {stopFd_, POLLIN, 0}};
    int ready = ::poll(fds, 2, -1);
    if (ready < 0 && errno == EINTR) continue;
    if (ready < 0 || (fds[1].revents & POLLIN)) return;
    int fd = ::accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) continue;
    serve(fd);
    ::close(fd);
  }
}

void AdminServer::serve(int fd) {
  std::string pending;
  char chunk[128];
  for (;;) {
    pollfd fds[2] = {{fd, POLLIN, 0}, {stopFd_, POLLIN, 0}};
    int ready = ::poll(fds, 2, kIdleMilliseconds);
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0 || (fds[1].revents & POLLIN)) return;
    ssize_t got = ::recv(fd, chunk, sizeof chunk, 0);
    if (got <= 0) return;
    pending.append(chunk, size_t(got));
    size_t newline;
    while ((newline = pending.find('\n')) != std::string::npos) {
      std::string line = pending.substr(0, newline);
      pending.erase(0, newline + 1);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (!sendAll(fd, answer(line) + "\n")) return;
    }
    if (pending.size() > kMaxLine) {
      sendAll(fd, "error line too long\n");
      return;
    }
  }
}

}  // namespace cv7::host
