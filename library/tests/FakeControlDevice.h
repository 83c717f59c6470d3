// A stand-in for the cv7 daemon inside the test process: it listens on a temporary control
// socket, speaks the request protocol, keeps the eventfds the library sends and answers
// the requests of the connection Part with values the test sets.
#pragma once
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "../../driver/core/ControlCodes.h"  // the test target does not link the control header

namespace corvane::test {

class FakeControlDevice {
 public:
  struct Request {
    uint32_t code;
    uint8_t command;  // byte 0 of a sent command block
    uint8_t firstParameter;
    std::vector<uint32_t> words;
    uint32_t fdCount;
  };

  FakeControlDevice() {
    char pattern[] = "/tmp/corvane-fake-XXXXXX";
    dir_ = ::mkdtemp(pattern);
    path_ = dir_ + "/Cv7Dev";
    listen_ = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path_.c_str(), sizeof address.sun_path - 1);
    ::bind(listen_, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::listen(listen_, 4);
    ::setenv("CV7_DEVICE", path_.c_str(), 1);
    thread_ = std::thread([this] { run(); });
  }
  ~FakeControlDevice() {
    stop_.store(true);
    thread_.join();
    ::close(listen_);
    for (int fd : events_) ::close(fd);
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
  }

  // ---- What the driver answers ----
  std::atomic<bool> refuseRegistration{false}, refuseClientClose{false}, refuseAcquire{false};
  std::atomic<uint16_t> commandResult{1};
  std::atomic<uint16_t> openCommandResult{1};
  std::atomic<uint32_t> clientOneOpen{0};
  std::atomic<uint8_t> eventCode{0};
  void setPidChanges(std::vector<uint32_t> words) {
    std::lock_guard guard(mutex_);
    pidChanges_ = std::move(words);
  }

  // ---- Events the library sent (card event first, then status event) ----
  void signal(size_t index) {
    std::lock_guard guard(mutex_);
    if (index >= events_.size()) return;
    uint64_t one = 1;
    if (::write(events_[index], &one, sizeof one) != sizeof one) std::abort();
  }
  size_t eventCount() {
    std::lock_guard guard(mutex_);
    return events_.size();
  }

  // ---- What the library asked ----
  std::vector<Request> requests() {
    std::lock_guard guard(mutex_);
    return log_;
  }
  size_t countOf(uint32_t code) {
    std::lock_guard guard(mutex_);
    size_t n = 0;
    for (const auto& r : log_) n += r.code == code;
    return n;
  }
  void clearLog() {
    std::lock_guard guard(mutex_);
    log_.clear();
  }

 private:
  void run() {
    int connection = -1;
    while (!stop_.load()) {
      pollfd fds[2] = {{listen_, POLLIN, 0}, {connection, POLLIN, 0}};
      if (::poll(fds, connection >= 0 ? 2 : 1, 20) <= 0) continue;
      if (fds[0].revents & POLLIN) {
        if (connection >= 0) ::close(connection);
        connection = ::accept4(listen_, nullptr, nullptr, SOCK_CLOEXEC);
      } else if (connection >= 0 && fds[1].revents) {
        if (!serve(connection)) {
          ::close(connection);
          connection = -1;
        }
      }
    }
    if (connection >= 0) ::close(connection);
  }

  bool serve(int fd) {
    std::vector<uint8_t> buffer(32 + 65536);
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int) * 4)];
    iovec part{buffer.data(), buffer.size()};
    msghdr message{};
    message.msg_iov = &part;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    ssize_t got = ::recvmsg(fd, &message, 0);
    if (got < 32) return false;
    std::vector<int> fds;
    for (cmsghdr* c = CMSG_FIRSTHDR(&message); c; c = CMSG_NXTHDR(&message, c)) {
      size_t n = (c->cmsg_len - CMSG_LEN(0)) / sizeof(int);
      for (size_t i = 0; i < n; ++i) {
        int received;
        std::memcpy(&received, CMSG_DATA(c) + i * sizeof(int), sizeof(int));
        fds.push_back(received);
      }
    }
    uint32_t header[8];
    std::memcpy(header, buffer.data(), 32);
    uint32_t code = header[2], inLength = header[3], outLength = header[4];
    std::vector<uint8_t> data(std::max(inLength, outLength) + 4, 0);
    std::memcpy(data.data(), buffer.data() + 32, inLength);
    Request request{code, 0, 0, {}, uint32_t(fds.size())};
    for (uint32_t i = 0; i + 4 <= inLength; i += 4) {
      uint32_t w;
      std::memcpy(&w, data.data() + i, 4);
      request.words.push_back(w);
    }
    if (code == cv7::ctl::IOCTL_CV7_SEND_COMMAND) {
      request.command = data[0];
      request.firstParameter = data[8];
    }
    uint32_t status = 0, returned = 0;
    answer(request, data, status, returned, fds);
    {
      std::lock_guard guard(mutex_);
      log_.push_back(request);
    }
    std::vector<uint8_t> reply(8 + returned);
    std::memcpy(reply.data(), &status, 4);
    std::memcpy(reply.data() + 4, &returned, 4);
    std::memcpy(reply.data() + 8, data.data(), returned);
    return ::send(fd, reply.data(), reply.size(), MSG_NOSIGNAL) == ssize_t(reply.size());
  }

  void putWord(std::vector<uint8_t>& data, uint32_t index, uint32_t value) { std::memcpy(data.data() + index * 4, &value, 4); }

  void answer(const Request& request, std::vector<uint8_t>& data, uint32_t& status, uint32_t& returned,
              std::vector<int>& fds) {
    using namespace cv7::ctl;
    switch (request.code) {
      case IOCTL_CV7_OPEN_CLIENT: {
        std::lock_guard guard(mutex_);
        for (int f : fds) events_.push_back(f);
        fds.clear();
        if (refuseRegistration.load()) status = 0xC0000001;
        return;
      }
      case IOCTL_CV7_CLOSE_CLIENT:
        if (refuseClientClose.load()) status = 0xC0000001;
        return;
      case IOCTL_CV7_ACQUIRE_CHANNEL:
        putWord(data, 0, refuseAcquire.load() ? 0 : 1);
        returned = 4;
        return;
      case IOCTL_CV7_QUERY_CLIENT1_OPEN:
        putWord(data, 0, clientOneOpen.load());
        returned = 4;
        return;
      case IOCTL_CV7_GET_DRIVER_VERSION:
        putWord(data, 0, 2);
        putWord(data, 1, 20);
        returned = 8;
        return;
      case IOCTL_CV7_GET_PID_CHANGES: {
        std::lock_guard guard(mutex_);
        std::vector<uint32_t> words = pidChanges_.empty() ? std::vector<uint32_t>{0} : pidChanges_;
        pidChanges_.clear();
        for (size_t i = 0; i < words.size() && (i + 1) * 4 <= 96; ++i) putWord(data, uint32_t(i), words[i]);
        returned = uint32_t(std::min<size_t>(words.size() * 4, 96));
        return;
      }
      case IOCTL_CV7_SEND_COMMAND: {
        uint16_t result = data[0] == 21 ? openCommandResult.load() : commandResult.load();
        if (data[0] == 19) data[8] = eventCode.load();
        if (data[0] == 20) {
          data[8] = 1;
          data[9] = 7;
        }
        data[28] = uint8_t(result);
        data[29] = uint8_t(result >> 8);
        returned = 32;
        return;
      }
      default:
        for (int f : fds) ::close(f);
        fds.clear();
        return;
    }
  }

  std::string dir_, path_;
  int listen_ = -1;
  std::atomic<bool> stop_{false};
  std::thread thread_;
  std::mutex mutex_;
  std::vector<int> events_;
  std::vector<uint32_t> pidChanges_;
  std::vector<Request> log_;
};

}  // namespace corvane::test
