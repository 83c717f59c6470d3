// The driver's command channel as every export uses it: acquire (request 0x172058 with the
// client mode, up to 1000 tries 1 ms apart), send the 32-byte command block (0x172078),
// release (0x17205C). The driver serialises the clients' commands through the grant alone,
// and knows a client only by its number, which all threads of a process share: a release
// sent by one thread after its command would free the channel that another thread of the
// same process had been granted in between, and a third client's command would then run on
// the card beside that thread's. So the threads of one process take turns for the whole
// acquire, request and release.
#pragma once
#include <atomic>
#include <cstdint>

namespace corvane {

inline constexpr uint32_t kCommandBlockSize = 32;
inline constexpr uint32_t kAcquireAttempts = 1000;

// A zeroed command block with its command code in byte 0.
struct CommandBlock {
  uint8_t bytes[kCommandBlockSize] = {};
  explicit CommandBlock(uint8_t code) { bytes[0] = code; }
  uint8_t* parameters() { return bytes + 8; }
  uint16_t result() const { return uint16_t(bytes[28] | (bytes[29] << 8)); }
};

// Sends one command block through the channel, with the client mode of the connection.
// Returns the 16-bit command status from bytes 28..29 of the reply (1 = done), 0 when the
// channel was not granted or the request failed. The reply overwrites the block. A set
// cancel flag ends the acquire loop early (the library's threads pass their stop flag).
uint16_t sendCommand(uint8_t block[kCommandBlockSize], const std::atomic<bool>* cancel = nullptr);
inline uint16_t sendCommand(CommandBlock& block, const std::atomic<bool>* cancel = nullptr) {
  return sendCommand(block.bytes, cancel);
}

// Any request that needs the channel (a command block, the program table): acquire, the
// request with one buffer for input and output, release. False when the channel was not
// granted or the request failed.
bool channelRequest(uint32_t code, void* buffer, uint32_t inputLength, uint32_t outputLength, uint32_t& returned,
                    const std::atomic<bool>* cancel = nullptr);

// The client number used for acquiring the channel (the mode given to Cvn_OpenSystem).
uint8_t channelClient();

}  // namespace corvane
