// cv7ctl stats: the daemon's counters (control requests, the receive path, the card, the
// adapter's information answers) from its admin socket, one per line.
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>

#include "CommandRegistry.h"

namespace cv7ctl {
namespace {

std::string adminPath() {
  const char* device = std::getenv("CV7_DEVICE");
  return std::string(device && *device ? device : "/run/cv7/Cv7Dev") + ".admin";
}

int runStats(const Arguments& args) {
  std::string line = args.empty() ? "stats" : args[0];
  std::string path = adminPath();
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path.size() >= sizeof address.sun_path) {
    std::fprintf(stderr, "cv7ctl: admin socket path too long\n");
    return 1;
  }
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0 || ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    std::fprintf(stderr, "cv7ctl: %s: %s\n", path.c_str(), std::strerror(errno));
    if (fd >= 0) ::close(fd);
    return 1;
  }
  line += "\n";
  if (::write(fd, line.data(), line.size()) != ssize_t(line.size())) {
    ::close(fd);
    return 1;
  }
  std::string answer;
  char c;
  while (::read(fd, &c, 1) == 1 && c != '\n') answer.push_back(c);
  ::close(fd);
  std::istringstream words(answer);
  std::string word;
  while (words >> word) {
    size_t equals = word.find('=');
    if (equals == std::string::npos) {
      std::printf("%s\n", word.c_str());
    } else {
      std::printf("%-22s %s\n", word.substr(0, equals).c_str(), word.substr(equals + 1).c_str());
    }
  }
  return answer.empty() ? 1 : 0;
}

CommandRegistration stats("stats", "stats [ADMIN-COMMAND]   (counters of the daemon, from its admin socket)", runStats);

}  // namespace
}  // namespace cv7ctl
