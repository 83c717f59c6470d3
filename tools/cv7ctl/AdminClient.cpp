#include "AdminClient.h"

#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <sstream>

#include "Failure.h"

namespace cv7ctl {

std::string AdminClient::ask(const std::string& line) {
  int fd = connectUnix(adminPath(), SOCK_STREAM);
  if (fd < 0) throw Failure::unreachable(errno);
  timeval wait{10, 0};
  ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
  std::string request = line + "\n";
  std::string answer;
  bool sent = ::send(fd, request.data(), request.size(), MSG_NOSIGNAL) == ssize_t(request.size());
  char c;
  ssize_t got = 0;
  while (sent && (got = ::recv(fd, &c, 1, 0)) == 1 && c != '\n') answer.push_back(c);
  ::close(fd);
  if (!sent || got != 1) throw Failure::daemonNotRunning();
  return answer;
}

std::vector<std::pair<std::string, std::string>> AdminClient::words(const std::string& answer) {
  std::vector<std::pair<std::string, std::string>> list;
  std::istringstream in(answer);
  std::string word;
  while (in >> word) {
    size_t equals = word.find('=');
    if (equals == std::string::npos)
      list.emplace_back(word, "");
    else
      list.emplace_back(word.substr(0, equals), word.substr(equals + 1));
  }
  return list;
}

std::string AdminClient::stat(const std::string& key) {
  for (const auto& [name, value] : words(ask("stats")))
    if (name == key) return value;
  return "";
}

}  // namespace cv7ctl
