#include "ControlServer.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cerrno>
#include <cstring>

#include "ControlCodes.h"
#include "ControlProtocol.h"
#include "Log.h"
#include "Miniport.h"
#include "RequestContext.h"

namespace cv7::host {

using core::Status;

namespace {

constexpr size_t kMaxFdsPerMessage = 8;  // more than a request may carry, so extras are seen and refused

uint32_t wordAt(const uint8_t* bytes, uint32_t length, uint32_t index) {
  if (length < (index + 1) * 4) return 0;
  uint32_t value;
  std::memcpy(&value, bytes + index * 4, 4);
  return value;
}

bool sendAnswer(int fd, Status status, const uint8_t* bytes, uint32_t count) {
  AnswerHeader header{status, count};
  iovec parts[2] = {{&header, sizeof header}, {const_cast<uint8_t*>(bytes), count}};
  msghdr message{};
  message.msg_iov = parts;
  message.msg_iovlen = count ? 2 : 1;
  ssize_t sent;
  do {
    sent = ::sendmsg(fd, &message, MSG_NOSIGNAL);
  } while (sent < 0 && errno == EINTR);
  return sent == ssize_t(sizeof header + count);
}

// Waits until fd is readable; false when stop became readable first or on error.
bool waitReadable(int fd, int stopFd) {
  pollfd fds[2] = {{fd, POLLIN, 0}, {stopFd, POLLIN, 0}};
  for (;;) {
    int ready = ::poll(fds, 2, -1);
    if (ready < 0 && errno == EINTR) continue;
    if (ready < 0 || (fds[1].revents & POLLIN)) return false;
    if (fds[0].revents) return true;
  }
}

}  // namespace

ControlServer::ControlServer(core::Miniport& miniport) : miniport_(miniport) {
  stopFd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
}

ControlServer::~ControlServer() {
  stop();
  if (stopFd_ >= 0) ::close(stopFd_);
}

void ControlServer::start(int listenFd) {
  acceptThread_ = std::thread([this, listenFd] { acceptLoop(listenFd); });
}

void ControlServer::stop() {
  uint64_t one = 1;
  if (::write(stopFd_, &one, sizeof one) < 0) CV7_LOG_WARN("cannot wake the control server: %s", std::strerror(errno));
  if (acceptThread_.joinable()) acceptThread_.join();
  std::list<std::unique_ptr<Connection>> remaining;
  {
    std::lock_guard guard(mutex_);
    remaining.swap(connectionList_);
  }
  for (auto& connection : remaining)
    if (connection->thread.joinable()) connection->thread.join();
}

void ControlServer::reapFinished() {
  std::list<std::unique_ptr<Connection>> finished;
  {
    std::lock_guard guard(mutex_);
    for (auto it = connectionList_.begin(); it != connectionList_.end();) {
      if ((*it)->done.load()) {
        finished.push_back(std::move(*it));
        it = connectionList_.erase(it);
      } else {
        ++it;
      }
    }
  }
  for (auto& connection : finished) connection->thread.join();
}

void ControlServer::acceptLoop(int listenFd) {
  while (waitReadable(listenFd, stopFd_)) {
    int fd = ::accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) {
      if (errno != EINTR && errno != EAGAIN && errno != ECONNABORTED) {
        // Out of descriptors or memory: say so and give the system a moment, not a busy loop.
        CV7_LOG_WARN("accept on the control socket: %s", std::strerror(errno));
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
      }
      continue;
    }
    reapFinished();
    connections_.fetch_add(1);
    active_.fetch_add(1);
    auto connection = std::make_unique<Connection>();
    connection->fd = fd;
    Connection* raw = connection.get();
    std::lock_guard guard(mutex_);
    connectionList_.push_back(std::move(connection));
    raw->thread = std::thread([this, raw] { serve(*raw); });
  }
}

void ControlServer::serve(Connection& connection) {
  std::vector<uint8_t> message(sizeof(RequestHeader) + kMaxPayload + 1);
  Registrations registered;
  CV7_LOG_DEBUG("control connection %d opened", connection.fd);
  while (waitReadable(connection.fd, stopFd_) && serveOne(connection.fd, message, registered)) {
  }
  cleanUp(registered);
  ::close(connection.fd);
  CV7_LOG_DEBUG("control connection %d closed", connection.fd);
  active_.fetch_sub(1);
  connection.done.store(true);
}

// Reads one request, dispatches it and answers. False ends the connection.
bool ControlServer::serveOne(int fd, std::vector<uint8_t>& buffer, Registrations& registered) {
  alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int) * kMaxFdsPerMessage)];
  iovec part{buffer.data(), buffer.size()};
  msghdr message{};
  message.msg_iov = &part;
  message.msg_iovlen = 1;
  message.msg_control = control;
  message.msg_controllen = sizeof control;
  ssize_t received;
  do {
    received = ::recvmsg(fd, &message, MSG_CMSG_CLOEXEC);
  } while (received < 0 && errno == EINTR);
  if (received <= 0) return false;

  std::vector<int> fds;
  for (cmsghdr* c = CMSG_FIRSTHDR(&message); c; c = CMSG_NXTHDR(&message, c)) {
    if (c->cmsg_level != SOL_SOCKET || c->cmsg_type != SCM_RIGHTS) continue;
    size_t count = (c->cmsg_len - CMSG_LEN(0)) / sizeof(int);
    for (size_t i = 0; i < count; ++i) {
      int received_fd;
      std::memcpy(&received_fd, CMSG_DATA(c) + i * sizeof(int), sizeof(int));
      fds.push_back(received_fd);
    }
  }
  struct FdCloser {
    std::vector<int>& fds;
    ~FdCloser() {
      for (int f : fds) ::close(f);
    }
  } closer{fds};

  RequestHeader header{};
  bool wellFormed = size_t(received) >= sizeof header && !(message.msg_flags & (MSG_TRUNC | MSG_CTRUNC));
  if (wellFormed) {
    std::memcpy(&header, buffer.data(), sizeof header);
    wellFormed = header.magic == kRequestMagic && header.version == kProtocolVersion &&
                 header.inputLength <= kMaxPayload && header.outputLength <= kMaxPayload &&
                 size_t(received) == sizeof header + header.inputLength && header.handleCount <= kMaxHandles &&
                 header.handleCount == fds.size();
  }
  if (!wellFormed) {
    malformed_.fetch_add(1);
    CV7_LOG_WARN("malformed control request (%zd bytes, %zu fds) refused", received, fds.size());
    return sendAnswer(fd, core::STATUS_INVALID_PARAMETER, nullptr, 0);
  }

  uint32_t size = std::max(header.inputLength, header.outputLength);
  std::vector<uint8_t> shared(size ? size : 1, 0);
  std::memcpy(shared.data(), buffer.data() + sizeof header, header.inputLength);
  RequestContext context;
  context.handles = header.handle;
  context.fds = fds.data();
  context.count = header.handleCount;
  uint32_t returned = 0;
  Status status;
  {
    RequestScope scope(context);
    status = dispatch(header.code, shared.data(), header.inputLength, header.outputLength, returned);
  }
  returned = std::min(returned, header.outputLength);
  noteRegistration(header.code, buffer.data() + sizeof header, header.inputLength, status, context.referenced,
                   registered);
  return sendAnswer(fd, status, shared.data(), returned);
}

Status ControlServer::dispatch(uint32_t code, uint8_t* buffer, uint32_t inputLength, uint32_t outputLength,
                               uint32_t& bytesReturned) {
  requests_.fetch_add(1);
  bytesReturned = 0;
  Status status = miniport_.control(code, buffer, inputLength, outputLength, bytesReturned);
  CV7_LOG_DEBUG("request 0x%06X in %u out %u -> 0x%08X, %u bytes", code, inputLength, outputLength, status,
                bytesReturned);
  return status;
}

void ControlServer::noteRegistration(uint32_t code, const uint8_t* input, uint32_t inputLength, Status status,
                                     const std::vector<core::EventObject>& referenced, Registrations& registered) {
  uint32_t number = wordAt(input, inputLength, 0);
  switch (code) {
    case ctl::IOCTL_CV7_OPEN_CLIENT:
      if (core::isSuccess(status) && number >= 1 && number <= 3)
        registered.clients[number] = referenced.empty() ? 0 : referenced.front();
      break;
    case ctl::IOCTL_CV7_CLOSE_CLIENT:
      registered.clients.erase(number);
      break;
    case ctl::IOCTL_CV7_OPEN_DATA_PATH:
      registered.dataPath = true;
      registered.dataEvent = referenced.empty() ? 0 : referenced.front();
      break;
    case ctl::IOCTL_CV7_CLOSE_DATA_PATH:
      registered.dataPath = false;
      break;
    default:
      break;
  }
}

// Undoes what a connection registered, as a handle clean-up would. A client number that
// another connection has opened since (its record holds another event) is left alone.
void ControlServer::cleanUp(Registrations& registered) {
  auto& state = miniport_.state();
  std::vector<uint32_t> owned;
  for (auto [number, object] : registered.clients) {
    core::ClientRecord* record = state.clientRecord(number);
    if (record && (object == 0 || record->event.load() == object)) owned.push_back(number);
  }
  RequestContext none;
  RequestScope scope(none);
  uint8_t buffer[16] = {};
  uint32_t returned = 0;
  uint32_t owner = state.channelOwner.load();
  if (std::find(owned.begin(), owned.end(), owner) != owned.end()) {
    CV7_LOG_INFO("releasing the command channel held by vanished client %u", owner);
    dispatch(ctl::IOCTL_CV7_RELEASE_CHANNEL, buffer, 4, 0, returned);
  }
  for (uint32_t number : owned) {
    CV7_LOG_DEBUG("closing client %u of a closed connection", number);
    std::memset(buffer, 0, sizeof buffer);
    std::memcpy(buffer, &number, 4);
    dispatch(ctl::IOCTL_CV7_CLOSE_CLIENT, buffer, 4, 0, returned);
  }
  if (registered.dataPath && (registered.dataEvent == 0 || state.data.event.load() == registered.dataEvent)) {
    std::memset(buffer, 0, sizeof buffer);
    dispatch(ctl::IOCTL_CV7_CLOSE_DATA_PATH, buffer, 0, 0, returned);
  }
  registered = {};
}

}  // namespace cv7::host
