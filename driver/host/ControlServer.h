// The control device: accepts connections on a listening SOCK_SEQPACKET socket and serves
// each on its own thread, which is the "caller's thread" of the requests it dispatches.
// A connection that ends undoes what it registered with the driver: its clients, its data
// path and the command channel when one of its clients holds it.
#pragma once
#include <atomic>
#include <cstdint>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform.h"

namespace cv7::core {
class Miniport;
}

namespace cv7::host {

class ControlServer {
 public:
  explicit ControlServer(core::Miniport& miniport);
  ~ControlServer();
  ControlServer(const ControlServer&) = delete;
  ControlServer& operator=(const ControlServer&) = delete;

  // Serves connections on listenFd (which stays owned by the caller) until stop().
  void start(int listenFd);
  // Ends the accept thread and every connection (each cleaning up), and waits for them.
  void stop();

  uint64_t requests() const { return requests_.load(); }
  uint64_t malformed() const { return malformed_.load(); }
  uint64_t connections() const { return connections_.load(); }
  uint64_t activeConnections() const { return active_.load(); }

 private:
  // What one connection registered with the driver.
  struct Registrations {
    std::map<uint32_t, core::EventObject> clients;  // client number -> its first event object
    bool dataPath = false;
    core::EventObject dataEvent = 0;
  };
  struct Connection {
    int fd = -1;
    std::atomic<bool> done{false};
    std::thread thread;
  };

  void acceptLoop(int listenFd);
  void serve(Connection& connection);
  bool serveOne(int fd, std::vector<uint8_t>& message, Registrations& registered);
  void noteRegistration(uint32_t code, const uint8_t* input, uint32_t inputLength, core::Status status,
                        const std::vector<core::EventObject>& referenced, Registrations& registered);
  void cleanUp(Registrations& registered);
  core::Status dispatch(uint32_t code, uint8_t* buffer, uint32_t inputLength, uint32_t outputLength,
                        uint32_t& bytesReturned);
  void reapFinished();

  core::Miniport& miniport_;
  int stopFd_ = -1;  // an eventfd that becomes readable once, on stop
  std::thread acceptThread_;
  std::mutex mutex_;
  std::list<std::unique_ptr<Connection>> connectionList_;
  std::atomic<uint64_t> requests_{0}, malformed_{0}, connections_{0}, active_{0};
};

}  // namespace cv7::host
