// The admin socket beside the control socket (path + ".admin", SOCK_STREAM): a line
// protocol for diagnostics and tests. Each line is one command, each answer one line:
//   card-event CODE   the simulated card raises a card event with that code -> "ok"
//   multicast-list [ADDRESS...]  the network stack's multicast list becomes these
//                     addresses (aa:bb:cc:dd:ee:ff), as the kernel would set it -> "ok"
//   stats             counters as "name=value" pairs separated by spaces
//   help              the command list
// Anything else answers "error ...".
#pragma once
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace cv7::host {

class AdminServer {
 public:
  struct Handlers {
    std::function<bool(unsigned code)> cardEvent;
    // Six bytes per address; false when the driver refused the list.
    std::function<bool(const std::vector<uint8_t>& addresses)> multicastList;
    std::function<std::string()> stats;
    // Switches a fault of the simulated card; false for an unknown fault name.
    std::function<bool(const std::string& name, bool on)> fault;
  };

  explicit AdminServer(Handlers handlers);
  ~AdminServer();
  AdminServer(const AdminServer&) = delete;
  AdminServer& operator=(const AdminServer&) = delete;

  void start(int listenFd);
  void stop();
  // One command line (without its newline) and its answer (without newline).
  std::string answer(const std::string& line) const;

 private:
  void run(int listenFd);
  void serve(int fd);

  Handlers handlers_;
  int stopFd_ = -1;
  std::thread thread_;
};

}  // namespace cv7::host
