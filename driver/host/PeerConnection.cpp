#include "PeerConnection.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

namespace cv7::host {

namespace {

// Waits for `events` on fd or for the stop signal; -1 when stopped, 0 on time-out.
int waitFor(int fd, short events, int stopFd, int timeoutMilliseconds) {
  pollfd fds[2] = {{fd, events, 0}, {stopFd, POLLIN, 0}};
  for (;;) {
    int ready = ::poll(fds, 2, timeoutMilliseconds);
    if (ready < 0 && errno == EINTR) continue;
    if (ready < 0 || (fds[1].revents & POLLIN)) return -1;
    return ready == 0 ? 0 : 1;
  }
}

}  // namespace

PeerConnection::~PeerConnection() {
  if (fd_ >= 0) ::close(fd_);
}

PeerConnection::Wait PeerConnection::waitReadable(int fd, int stopFd, int timeoutMilliseconds) {
  int ready = waitFor(fd, POLLIN, stopFd, timeoutMilliseconds);
  return ready < 0 ? Wait::Stopped : ready == 0 ? Wait::TimedOut : Wait::Ready;
}

bool PeerConnection::send(const void* data, size_t length) {
  using Clock = std::chrono::steady_clock;
  auto deadline = Clock::now() + std::chrono::milliseconds(kSendTimeoutMilliseconds);
  const auto* bytes = static_cast<const char*>(data);
  size_t done = 0;
  while (done < length) {
    ssize_t sent = ::send(fd_, bytes + done, length - done, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (sent >= 0) {
      done += size_t(sent);
      continue;
    }
    if (errno == EINTR) continue;
    if (errno != EAGAIN && errno != EWOULDBLOCK) return false;
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    int ready = left > 0 ? waitFor(fd_, POLLOUT, stopFd_, int(left)) : 0;
    if (ready < 0) return false;
    if (ready == 0) {
      dropped_ = true;
      return false;
    }
  }
  return true;
}

void PeerConnection::sendNow(const void* data, size_t length) {
  ssize_t sent;
  do {
    sent = ::send(fd_, data, length, MSG_NOSIGNAL | MSG_DONTWAIT);
  } while (sent < 0 && errno == EINTR);
}

}  // namespace cv7::host
