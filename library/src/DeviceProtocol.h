// Messages of the cv7 control socket as the library sends them (docs/control-device.md):
// a request is one SOCK_SEQPACKET message {header, input bytes} with the named eventfds as
// SCM_RIGHTS; the answer is one message {status, bytes returned, bytes}.
#pragma once
#include <cstddef>
#include <cstdint>

namespace corvane::wire {

inline constexpr uint32_t kRequestMagic = 0x52375643;  // "CV7R"
inline constexpr uint32_t kProtocolVersion = 1;
inline constexpr uint32_t kMaxHandles = 2;
inline constexpr uint32_t kMaxPayload = 64 * 1024;

struct RequestHeader {
  uint32_t magic;
  uint32_t version;
  uint32_t code;
  uint32_t inputLength;
  uint32_t outputLength;
  uint32_t handleCount;
  uint32_t handle[kMaxHandles];
};
static_assert(sizeof(RequestHeader) == 32);
static_assert(offsetof(RequestHeader, handle) == 24);

struct AnswerHeader {
  uint32_t status;
  uint32_t bytesReturned;
};
static_assert(sizeof(AnswerHeader) == 8);

inline constexpr bool isSuccess(uint32_t status) { return (status & 0xC0000000u) != 0xC0000000u; }

}  // namespace corvane::wire
