// Wire layout of the control socket (docs/control-device.md). One request is one
// SOCK_SEQPACKET message: RequestHeader, then inputLength input bytes; eventfds travel with
// it as SCM_RIGHTS. The answer is one message: AnswerHeader, then bytesReturned bytes.
// All fields are little-endian 32-bit words.
#pragma once
#include <cstddef>
#include <cstdint>

namespace cv7::host {

inline constexpr uint32_t kRequestMagic = 0x52375643;  // "CV7R"
inline constexpr uint32_t kProtocolVersion = 1;
inline constexpr uint32_t kMaxHandles = 2;
inline constexpr uint32_t kMaxPayload = 64 * 1024;  // input and output lengths are capped here

struct RequestHeader {
  uint32_t magic;
  uint32_t version;
  uint32_t code;
  uint32_t inputLength;
  uint32_t outputLength;
  uint32_t handleCount;           // number of attached fds, 0..2
  uint32_t handle[kMaxHandles];   // the sender's handle number of each attached fd, in order
};
static_assert(sizeof(RequestHeader) == 32);
static_assert(offsetof(RequestHeader, code) == 8);
static_assert(offsetof(RequestHeader, inputLength) == 12);
static_assert(offsetof(RequestHeader, outputLength) == 16);
static_assert(offsetof(RequestHeader, handleCount) == 20);
static_assert(offsetof(RequestHeader, handle) == 24);

// Statuses of the transport itself (the driver's own are in NdisStatus.h).
inline constexpr uint32_t STATUS_OBJECT_TYPE_MISMATCH = 0xC0000024;    // a descriptor that is no eventfd
inline constexpr uint32_t STATUS_INSUFFICIENT_RESOURCES = 0xC000009A;  // the connection limit is reached

struct AnswerHeader {
  uint32_t status;
  uint32_t bytesReturned;
};
static_assert(sizeof(AnswerHeader) == 8);

}  // namespace cv7::host
