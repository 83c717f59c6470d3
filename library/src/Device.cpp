#include "Device.h"

#include <sys/socket.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "DeviceProtocol.h"

namespace corvane {

namespace {
constexpr const char* kDefaultPath = "/run/cv7/Cv7Dev";
}

std::string Device::defaultPath() {
  const char* path = std::getenv("CV7_DEVICE");
  return path && *path ? path : kDefaultPath;
}

Device& device() {
  static Device* instance = new Device;
  return *instance;
}

Device::~Device() { close(); }

bool Device::open(const std::string& path) {
  std::lock_guard guard(mutex_);
  if (fd_ >= 0) return false;
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path.empty() || path.size() >= sizeof address.sun_path) return false;
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  int fd = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    ::close(fd);
    return false;
  }
  timeval limit{kAnswerTimeoutSeconds, 0};
  ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
  ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
  fd_ = fd;
  gone_.store(false);
  return true;
}

void Device::close() {
  std::lock_guard guard(mutex_);
  if (fd_ < 0) return;
  ::close(fd_);
  fd_ = -1;
  gone_.store(false);
}

void Device::markGone() {
  if (!gone_.exchange(true)) ::shutdown(fd_, SHUT_RDWR);
}

bool Device::isOpen() const {
  std::lock_guard guard(mutex_);
  return fd_ >= 0;
}

uint32_t Device::lastStatus() const {
  std::lock_guard guard(mutex_);
  return lastStatus_;
}

bool Device::request(uint32_t code, const void* input, uint32_t inputLength, void* output, uint32_t outputLength,
                     uint32_t* returned, const int* events, uint32_t eventCount) {
  uint32_t count = 0;
  bool ok = exchange(code, input, inputLength, output, outputLength, count, events, eventCount);
  if (returned) *returned = ok ? count : 0;
  return ok;
}

bool Device::exchange(uint32_t code, const void* input, uint32_t inputLength, void* output, uint32_t outputLength,
                      uint32_t& returned, const int* events, uint32_t eventCount) {
  if (inputLength > wire::kMaxPayload || outputLength > wire::kMaxPayload || eventCount > wire::kMaxHandles)
    return false;
  if ((inputLength && !input) || (outputLength && !output)) return false;
  wire::RequestHeader header{wire::kRequestMagic, wire::kProtocolVersion, code, inputLength, outputLength,
                             eventCount, {0, 0}};
  for (uint32_t i = 0; i < eventCount; ++i) header.handle[i] = uint32_t(events[i]);

  iovec parts[2] = {{&header, sizeof header}, {const_cast<void*>(input), inputLength}};
  msghdr message{};
  message.msg_iov = parts;
  message.msg_iovlen = inputLength ? 2 : 1;
  alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int) * wire::kMaxHandles)];
  if (eventCount) {
    message.msg_control = control;
    message.msg_controllen = CMSG_SPACE(sizeof(int) * eventCount);
    cmsghdr* c = CMSG_FIRSTHDR(&message);
    c->cmsg_level = SOL_SOCKET;
    c->cmsg_type = SCM_RIGHTS;
    c->cmsg_len = CMSG_LEN(sizeof(int) * eventCount);
    std::memcpy(CMSG_DATA(c), events, sizeof(int) * eventCount);
  }

  std::lock_guard guard(mutex_);
  if (fd_ < 0 || gone_.load()) return false;
  ssize_t sent;
  do {
    sent = ::sendmsg(fd_, &message, MSG_NOSIGNAL);
  } while (sent < 0 && errno == EINTR);
  if (sent != ssize_t(sizeof header + inputLength)) {
    // A refused descriptor (EBADF, EINVAL) is the caller's fault; anything else, or a
    // partial message, means the driver can no longer be talked to.
    if (sent >= 0 || (errno != EBADF && errno != EINVAL)) markGone();
    return false;
  }

  // One byte more than the largest valid answer, so an oversized answer shows as such.
  std::vector<uint8_t> answer(sizeof(wire::AnswerHeader) + outputLength + 1);
  ssize_t got;
  do {
    got = ::recv(fd_, answer.data(), answer.size(), 0);
  } while (got < 0 && errno == EINTR);
  // End of stream, a reset or no answer within the time-out: the driver is gone.
  if (got <= 0) markGone();
  if (got < ssize_t(sizeof(wire::AnswerHeader))) return false;
  wire::AnswerHeader head;
  std::memcpy(&head, answer.data(), sizeof head);
  if (head.bytesReturned > outputLength || size_t(got) != sizeof head + head.bytesReturned) return false;
  if (head.bytesReturned) std::memcpy(output, answer.data() + sizeof head, head.bytesReturned);
  lastStatus_ = head.status;
  returned = head.bytesReturned;
  return wire::isSuccess(head.status);
}

}  // namespace corvane
