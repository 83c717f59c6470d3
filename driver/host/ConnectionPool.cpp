#include "ConnectionPool.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <system_error>

#include "Log.h"

namespace cv7::host {

ConnectionPool::ConnectionPool(std::string name, size_t limit, Serve serve, Refuse refuse)
    : name_(std::move(name)), limit_(limit), serve_(std::move(serve)), refuse_(std::move(refuse)) {
  stopFd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
}

ConnectionPool::~ConnectionPool() {
  stop();
  if (stopFd_ >= 0) ::close(stopFd_);
}

void ConnectionPool::start(int listenFd) {
  acceptThread_ = std::thread([this, listenFd] { acceptLoop(listenFd); });
}

void ConnectionPool::stop() {
  uint64_t one = 1;
  if (::write(stopFd_, &one, sizeof one) < 0) CV7_LOG_WARN("cannot wake the %s server: %s", name_.c_str(), std::strerror(errno));
  if (acceptThread_.joinable()) acceptThread_.join();
  std::list<std::unique_ptr<Worker>> remaining;
  {
    std::lock_guard guard(mutex_);
    remaining.swap(workers_);
  }
  for (auto& worker : remaining)
    if (worker->thread.joinable()) worker->thread.join();
}

void ConnectionPool::reapFinished() {
  std::list<std::unique_ptr<Worker>> finished;
  {
    std::lock_guard guard(mutex_);
    for (auto it = workers_.begin(); it != workers_.end();) {
      if ((*it)->done.load()) {
        finished.push_back(std::move(*it));
        it = workers_.erase(it);
      } else {
        ++it;
      }
    }
  }
  for (auto& worker : finished) worker->thread.join();
}

void ConnectionPool::acceptLoop(int listenFd) {
  while (PeerConnection::waitReadable(listenFd, stopFd_) == PeerConnection::Wait::Ready) {
    int fd = ::accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (fd < 0) {
      if (errno != EINTR && errno != EAGAIN && errno != ECONNABORTED) {
        // Out of descriptors or memory: say so and give the system a moment, not a busy loop.
        CV7_LOG_WARN("accept on the %s socket: %s", name_.c_str(), std::strerror(errno));
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
      }
      continue;
    }
    reapFinished();
    auto worker = std::make_unique<Worker>();
    worker->peer = std::make_unique<PeerConnection>(fd, stopFd_, nextNumber_++);
    if (active_.load() >= limit_) {
      refuse(*worker->peer, "the connection limit is reached");
      continue;
    }
    accepted_.fetch_add(1);
    active_.fetch_add(1);
    Worker* raw = worker.get();
    std::lock_guard guard(mutex_);
    try {
      raw->thread = std::thread([this, raw] { run(*raw); });
    } catch (const std::system_error&) {
      active_.fetch_sub(1);
      refuse(*raw->peer, "no thread can be started for it");
      continue;
    }
    workers_.push_back(std::move(worker));
  }
}

void ConnectionPool::refuse(PeerConnection& peer, const char* why) {
  refused_.fetch_add(1);
  if (refuse_) refuse_(peer);
  uint64_t suppressed = 0;
  if (refusedLog_.allow(suppressed))
    CV7_LOG_WARN("%s connection refused: %s (%zu at a time)%s", name_.c_str(), why, limit_,
                 LogLimiter::leftOut(suppressed).c_str());
}

void ConnectionPool::run(Worker& worker) {
  PeerConnection& peer = *worker.peer;
  CV7_LOG_DEBUG("%s connection %llu opened", name_.c_str(), static_cast<unsigned long long>(peer.number()));
  serve_(peer);
  if (peer.dropped()) {
    dropped_.fetch_add(1);
    uint64_t suppressed = 0;
    if (droppedLog_.allow(suppressed))
      CV7_LOG_WARN("%s connection dropped: the client did not read its answers or stayed idle%s", name_.c_str(),
                   LogLimiter::leftOut(suppressed).c_str());
  }
  CV7_LOG_DEBUG("%s connection %llu closed", name_.c_str(), static_cast<unsigned long long>(peer.number()));
  worker.peer.reset();  // closes the socket before the slot is free again
  active_.fetch_sub(1);
  worker.done.store(true);
}

}  // namespace cv7::host
