#include "ControlServer.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "ControlProtocol.h"
#include "EventTable.h"
#include "Log.h"
#include "Miniport.h"
#include "RequestContext.h"

namespace cv7::host {

using core::Status;

namespace {

constexpr size_t kMaxFdsPerMessage = 8;  // more than a request may carry, so extras are seen and refused

// Zero bytes from recvmsg are an empty message, unless the peer has hung up.
bool peerHungUp(int fd) {
  pollfd probe{fd, POLLRDHUP, 0};
  return ::poll(&probe, 1, 0) > 0 && (probe.revents & (POLLRDHUP | POLLHUP | POLLERR));
}

// Closes the descriptors that came with a message once it has been served.
struct ReceivedFds {
  std::vector<int> fds;
  ~ReceivedFds() {
    for (int f : fds) ::close(f);
  }
  void collect(msghdr& message) {
    for (cmsghdr* c = CMSG_FIRSTHDR(&message); c; c = CMSG_NXTHDR(&message, c)) {
      if (c->cmsg_level != SOL_SOCKET || c->cmsg_type != SCM_RIGHTS) continue;
      size_t count = (c->cmsg_len - CMSG_LEN(0)) / sizeof(int);
      for (size_t i = 0; i < count; ++i) {
        int fd;
        std::memcpy(&fd, CMSG_DATA(c) + i * sizeof(int), sizeof(int));
        fds.push_back(fd);
      }
    }
  }
};

}  // namespace

ControlServer::ControlServer(core::Miniport& miniport, size_t maxConnections)
    : miniport_(miniport),
      ledger_(miniport),
      pool_("control", maxConnections, [this](PeerConnection& peer) { serve(peer); },
            [](PeerConnection& peer) {
              AnswerHeader refusal{STATUS_INSUFFICIENT_RESOURCES, 0};
              peer.sendNow(&refusal, sizeof refusal);
            }) {}

ControlServer::~ControlServer() { stop(); }

void ControlServer::serve(PeerConnection& peer) {
  std::vector<uint8_t> message(sizeof(RequestHeader) + kMaxPayload + 1);
  while (peer.waitReadable() == PeerConnection::Wait::Ready && serveOne(peer, message)) {
  }
  ledger_.release(peer.number());
}

bool ControlServer::refuse(PeerConnection& peer, Status status, const char* why, ssize_t length, size_t fds) {
  malformed_.fetch_add(1);
  uint64_t suppressed = 0;
  if (malformedLog_.allow(suppressed))
    CV7_LOG_WARN("control request refused: %s (%zd bytes, %zu fds)%s", why, length, fds,
                 LogLimiter::leftOut(suppressed).c_str());
  AnswerHeader header{status, 0};
  return peer.send(&header, sizeof header);
}

bool ControlServer::answer(PeerConnection& peer, Status status, std::vector<uint8_t>& buffer, uint32_t count) {
  AnswerHeader header{status, count};
  std::memcpy(buffer.data(), &header, sizeof header);
  return peer.send(buffer.data(), sizeof header + count);
}

bool ControlServer::serveOne(PeerConnection& peer, std::vector<uint8_t>& buffer) {
  alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int) * kMaxFdsPerMessage)];
  iovec part{buffer.data(), buffer.size()};
  msghdr message{};
  message.msg_iov = &part;
  message.msg_iovlen = 1;
  message.msg_control = control;
  message.msg_controllen = sizeof control;
  ssize_t received;
  do {
    received = ::recvmsg(peer.fd(), &message, MSG_CMSG_CLOEXEC | MSG_DONTWAIT);
  } while (received < 0 && errno == EINTR);
  if (received < 0) return errno == EAGAIN || errno == EWOULDBLOCK;
  ReceivedFds attached;
  attached.collect(message);
  const std::vector<int>& fds = attached.fds;
  if (received == 0 && fds.empty() && peerHungUp(peer.fd())) return false;

  RequestHeader header{};
  bool wellFormed = size_t(received) >= sizeof header && !(message.msg_flags & (MSG_TRUNC | MSG_CTRUNC));
  if (wellFormed) {
    std::memcpy(&header, buffer.data(), sizeof header);
    wellFormed = header.magic == kRequestMagic && header.version == kProtocolVersion &&
                 header.inputLength <= kMaxPayload && header.outputLength <= kMaxPayload &&
                 size_t(received) == sizeof header + header.inputLength && header.handleCount <= kMaxHandles &&
                 header.handleCount == fds.size();
  }
  if (!wellFormed) return refuse(peer, core::STATUS_INVALID_PARAMETER, "malformed", received, fds.size());
  if (!std::all_of(fds.begin(), fds.end(), EventTable::isEventfd))
    return refuse(peer, STATUS_OBJECT_TYPE_MISMATCH, "an attached descriptor is no eventfd", received, fds.size());

  // The answer header goes in front of the shared buffer, so the answer leaves in one piece.
  uint32_t size = std::max(header.inputLength, header.outputLength);
  std::vector<uint8_t> reply(sizeof(AnswerHeader) + size, 0);
  uint8_t* shared = reply.data() + sizeof(AnswerHeader);
  std::memcpy(shared, buffer.data() + sizeof header, header.inputLength);
  RequestContext context;
  context.handles = header.handle;
  context.fds = fds.data();
  context.count = header.handleCount;
  uint32_t returned = 0;
  Status status;
  {
    RequestScope scope(context);
    requests_.fetch_add(1);
    status = ledger_.dispatch(peer.number(), header.code, size ? shared : nullptr, header.inputLength,
                              header.outputLength, returned);
  }
  CV7_LOG_DEBUG("request 0x%06X in %u out %u -> 0x%08X, %u bytes", header.code, header.inputLength,
                header.outputLength, status, returned);
  return answer(peer, status, reply, std::min(returned, header.outputLength));
}

}  // namespace cv7::host
