// One accepted connection of a socket server: its descriptor (non-blocking), the server's
// stop signal and the send timeout. Every wait also watches the stop signal, so no
// connection holds up a shutdown. Answers wait in the socket's send buffer; an answer that
// the peer leaves there longer than the send timeout (it sends and never reads) ends the
// connection, so a careless client cannot hold a server thread.
#pragma once
#include <cstddef>
#include <cstdint>

namespace cv7::host {

class PeerConnection {
 public:
  static constexpr int kSendTimeoutMilliseconds = 5000;

  // Takes over fd.
  PeerConnection(int fd, int stopFd, uint64_t number) : fd_(fd), stopFd_(stopFd), number_(number) {}
  ~PeerConnection();
  PeerConnection(const PeerConnection&) = delete;
  PeerConnection& operator=(const PeerConnection&) = delete;

  int fd() const { return fd_; }
  // Unique among the connections of one daemon run (1, 2, ...).
  uint64_t number() const { return number_; }

  enum class Wait { Ready, Stopped, TimedOut };
  // Until something can be read (or the peer hung up); timeoutMilliseconds -1 = no limit.
  Wait waitReadable(int timeoutMilliseconds = -1) const { return waitReadable(fd_, stopFd_, timeoutMilliseconds); }
  // The same for any descriptor (a listening socket).
  static Wait waitReadable(int fd, int stopFd, int timeoutMilliseconds = -1);
  // Sends all bytes. False when the server stops, the peer is gone or did not take them
  // within the send timeout (the connection is then marked dropped).
  bool send(const void* data, size_t length);
  // Sends what fits now, without waiting (a refusal on the way out).
  void sendNow(const void* data, size_t length);

  // The daemon ended the connection because of the client (not reading, idle).
  bool dropped() const { return dropped_; }
  void markDropped() { dropped_ = true; }

 private:
  int fd_;
  int stopFd_;
  uint64_t number_;
  bool dropped_ = false;
};

}  // namespace cv7::host
