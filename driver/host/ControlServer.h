// The control device: serves the connections of a listening SOCK_SEQPACKET socket, each on
// its own thread, which is the "caller's thread" of the requests it dispatches. At most
// `maxConnections` are served at once; one more is answered with STATUS_INSUFFICIENT_RESOURCES
// and closed. A connection that ends undoes what it holds in the driver (RegistrationLedger).
#pragma once
#include <atomic>
#include <cstdint>
#include <vector>

#include "ConnectionPool.h"
#include "LogLimiter.h"
#include "RegistrationLedger.h"
#include "platform.h"

namespace cv7::core {
class Miniport;
}

namespace cv7::host {

class ControlServer {
 public:
  ControlServer(core::Miniport& miniport, size_t maxConnections);
  ~ControlServer();
  ControlServer(const ControlServer&) = delete;
  ControlServer& operator=(const ControlServer&) = delete;

  // Serves connections on listenFd (which stays owned by the caller) until stop().
  void start(int listenFd) { pool_.start(listenFd); }
  // Ends the accept thread and every connection (each cleaning up), and waits for them.
  void stop() { pool_.stop(); }

  uint64_t requests() const { return requests_.load(); }
  uint64_t malformed() const { return malformed_.load(); }
  const ConnectionPool& connections() const { return pool_; }

 private:
  void serve(PeerConnection& peer);
  // Reads one message and answers it. False ends the connection.
  bool serveOne(PeerConnection& peer, std::vector<uint8_t>& message);
  bool refuse(PeerConnection& peer, core::Status status, const char* why, ssize_t length, size_t fds);
  bool answer(PeerConnection& peer, core::Status status, std::vector<uint8_t>& buffer, uint32_t count);

  core::Miniport& miniport_;
  RegistrationLedger ledger_;
  LogLimiter malformedLog_;
  std::atomic<uint64_t> requests_{0}, malformed_{0};
  ConnectionPool pool_;  // last: its threads use everything above
};

}  // namespace cv7::host
