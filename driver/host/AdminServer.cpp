#include "AdminServer.h"

#include <sys/socket.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>


namespace cv7::host {

namespace {
constexpr size_t kMaxLine = 256;
constexpr const char* kRefusal = "error too many admin connections\n";

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

AdminServer::AdminServer(Handlers handlers)
    : handlers_(std::move(handlers)),
      pool_("admin", kMaxConnections, [this](PeerConnection& peer) { serve(peer); },
            [](PeerConnection& peer) { peer.sendNow(kRefusal, std::strlen(kRefusal)); }) {}

AdminServer::~AdminServer() { stop(); }

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

void AdminServer::serve(PeerConnection& peer) {
  std::string pending;
  char chunk[128];
  for (;;) {
    auto wait = peer.waitReadable(kIdleMilliseconds);
    if (wait == PeerConnection::Wait::TimedOut) peer.markDropped();
    if (wait != PeerConnection::Wait::Ready) return;
    ssize_t got = ::recv(peer.fd(), chunk, sizeof chunk, MSG_DONTWAIT);
    if (got < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)) continue;
    if (got <= 0) return;
    pending.append(chunk, size_t(got));
    size_t newline;
    while ((newline = pending.find('\n')) != std::string::npos) {
      std::string line = pending.substr(0, newline);
      pending.erase(0, newline + 1);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      std::string text = answer(line) + "\n";
      if (!peer.send(text.data(), text.size())) return;
    }
    if (pending.size() > kMaxLine) {
      std::string text = "error line too long\n";
      peer.send(text.data(), text.size());
      return;
    }
  }
}

}  // namespace cv7::host
