#include "ControlClient.h"

#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "Failure.h"

namespace cv7ctl {
namespace {
constexpr uint32_t kRequestMagic = 0x52375643;  // "CV7R"
constexpr uint32_t kProtocolVersion = 1;
}  // namespace

ControlClient::ControlClient() {
  fd_ = connectUnix(devicePath(), SOCK_SEQPACKET);
  if (fd_ < 0) throw Failure::unreachable(errno);
}

ControlClient::~ControlClient() { ::close(fd_); }

uint32_t ControlClient::request(uint32_t code, const std::vector<uint8_t>& input, uint32_t outputLength,
                                std::vector<uint8_t>& output) {
  uint32_t header[8] = {kRequestMagic, kProtocolVersion, code, uint32_t(input.size()), outputLength, 0, 0, 0};
  std::vector<uint8_t> message(sizeof header + input.size());
  std::memcpy(message.data(), header, sizeof header);
  if (!input.empty()) std::memcpy(message.data() + sizeof header, input.data(), input.size());
  if (::send(fd_, message.data(), message.size(), MSG_NOSIGNAL) != ssize_t(message.size()))
    throw Failure::daemonNotRunning();
  std::vector<uint8_t> answer(8 + outputLength + 1);
  ssize_t got = ::recv(fd_, answer.data(), answer.size(), 0);
  if (got < 8) throw Failure::daemonNotRunning();
  uint32_t status, returned;
  std::memcpy(&status, answer.data(), 4);
  std::memcpy(&returned, answer.data() + 4, 4);
  if (returned > outputLength || size_t(got) != 8 + returned)
    throw Failure::cardError("the control device answered " + std::to_string(got) + " bytes, announcing " +
                             std::to_string(returned));
  output.assign(answer.begin() + 8, answer.begin() + 8 + returned);
  return status;
}

}  // namespace cv7ctl
