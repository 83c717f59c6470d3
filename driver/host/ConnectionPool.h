// Accepts connections on a listening socket and serves each on a thread of its own, at most
// `limit` at a time. A connection beyond the limit gets the server's refusal (sent without
// waiting) and is closed at once, so a flood of connections costs no threads. stop() ends
// the accept thread, wakes every connection (their waits watch the stop signal) and waits
// for their threads.
#pragma once
#include <atomic>
#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "LogLimiter.h"
#include "PeerConnection.h"

namespace cv7::host {

class ConnectionPool {
 public:
  using Serve = std::function<void(PeerConnection&)>;   // returns when the connection ends
  using Refuse = std::function<void(PeerConnection&)>;  // says why, without waiting

  ConnectionPool(std::string name, size_t limit, Serve serve, Refuse refuse);
  ~ConnectionPool();
  ConnectionPool(const ConnectionPool&) = delete;
  ConnectionPool& operator=(const ConnectionPool&) = delete;

  // Serves connections on listenFd (which stays owned by the caller) until stop().
  void start(int listenFd);
  void stop();

  size_t limit() const { return limit_; }
  uint64_t accepted() const { return accepted_.load(); }
  uint64_t active() const { return active_.load(); }
  uint64_t refused() const { return refused_.load(); }
  uint64_t dropped() const { return dropped_.load(); }

 private:
  struct Worker {
    std::unique_ptr<PeerConnection> peer;
    std::atomic<bool> done{false};
    std::thread thread;
  };

  void acceptLoop(int listenFd);
  void refuse(PeerConnection& peer, const char* why);
  void run(Worker& worker);
  void reapFinished();

  std::string name_;
  size_t limit_;
  Serve serve_;
  Refuse refuse_;
  int stopFd_ = -1;  // an eventfd that becomes readable once, on stop
  std::thread acceptThread_;
  std::mutex mutex_;
  std::list<std::unique_ptr<Worker>> workers_;
  uint64_t nextNumber_ = 1;  // accept thread only
  std::atomic<uint64_t> accepted_{0}, active_{0}, refused_{0}, dropped_{0};
  LogLimiter refusedLog_, droppedLog_;
};

}  // namespace cv7::host
