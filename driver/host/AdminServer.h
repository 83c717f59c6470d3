// The admin socket beside the control socket (path + ".admin", SOCK_STREAM): a line
// protocol for diagnostics and tests. Each line is one command, each answer one line:
//   card-event CODE   the simulated card raises a card event with that code -> "ok"
//   multicast-list [ADDRESS...]  the network stack's multicast list becomes these
//                     addresses (aa:bb:cc:dd:ee:ff), as the kernel would set it -> "ok"
//   stats             counters as "name=value" pairs separated by spaces
//   help              the command list
// Anything else answers "error ...". Up to kMaxConnections clients are served at once, each
// on its own thread; one that stays idle for kIdleMilliseconds, or leaves its answers unread,
// is dropped.
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "ConnectionPool.h"

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

  static constexpr size_t kMaxConnections = 8;
  static constexpr int kIdleMilliseconds = 10000;

  explicit AdminServer(Handlers handlers);
  ~AdminServer();
  AdminServer(const AdminServer&) = delete;
  AdminServer& operator=(const AdminServer&) = delete;

  void start(int listenFd) { pool_.start(listenFd); }
  void stop() { pool_.stop(); }
  const ConnectionPool& connections() const { return pool_; }
  // One command line (without its newline) and its answer (without newline).
  std::string answer(const std::string& line) const;

 private:
  void serve(PeerConnection& peer);

  Handlers handlers_;
  ConnectionPool pool_;
};

}  // namespace cv7::host
