// One 188-byte transport-stream packet: its header fields, and how packets are built and
// handed on. Everything that moves packets (multiplexer, file player, the card's
// demultiplexer) speaks in these.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace cv7::sim {

inline constexpr size_t kTsPacketSize = 188;
inline constexpr size_t kTsPayloadMax = 184;
inline constexpr uint8_t kTsSync = 0x47;
inline constexpr uint16_t kNullPid = 0x1FFF;
inline constexpr uint16_t kPatPid = 0x0000;
inline constexpr uint16_t kSdtPid = 0x0011;
inline constexpr uint64_t kPcrWrap = (uint64_t(1) << 33) * 300;  // 27 MHz units

using TsPacket = std::array<uint8_t, kTsPacketSize>;

// Receives packets one by one (the multiplexer's output, the demultiplexer's input).
class PacketSink {
 public:
  virtual ~PacketSink() = default;
  virtual void packet(const TsPacket& packet) = 0;
};

// The header fields of a packet, and where its payload lies. `valid` is false for a packet
// without the sync byte or with an adaptation field that runs past the packet's end.
struct TsHeader {
  bool valid = false;
  bool transportError = false;
  bool unitStart = false;
  uint16_t pid = 0;
  uint8_t scrambling = 0;
  bool hasPayload = false;
  uint8_t continuity = 0;
  bool discontinuity = false;   // the adaptation field's discontinuity indicator
  size_t payloadOffset = kTsPacketSize;
  std::optional<uint64_t> pcr;  // 27 MHz
  std::span<const uint8_t> payload(const TsPacket& packet) const {
    return std::span<const uint8_t>(packet).subspan(payloadOffset);
  }
};

TsHeader parseTsHeader(const TsPacket& packet);

// What a built packet carries. The adaptation field is added when a PCR is asked for or when
// the payload is shorter than 184 bytes (stuffing fills the rest).
struct TsPacketFields {
  uint16_t pid = kNullPid;
  bool unitStart = false;
  uint8_t continuity = 0;
  uint8_t scrambling = 0;
  std::optional<uint64_t> pcr;  // 27 MHz
};

// Room for payload in a packet with these fields (184, or 176 with a PCR).
size_t tsPayloadRoom(const TsPacketFields& fields);
// Builds a packet; the payload is cut to the room there is. A packet without payload gets an
// adaptation field only.
TsPacket buildTsPacket(const TsPacketFields& fields, std::span<const uint8_t> payload);
// A null packet (PID 0x1FFF, payload of 0xFF).
TsPacket nullTsPacket();
// Writes the PCR into a packet built with a PCR (its value is known only when it goes out).
void setTsPcr(TsPacket& packet, uint64_t pcr27MHz);
// The PCR of the given time on the card's clock, in 27 MHz units modulo its 33+9-bit range.
inline uint64_t pcrAt(uint64_t microseconds) { return (microseconds * 27) % kPcrWrap; }

// Continuity counters, one per PID, for the packets a producer builds.
class ContinuityCounter {
 public:
  uint8_t next() {
    uint8_t value = value_;
    value_ = (value_ + 1) & 0x0F;
    return value;
  }
  // The value of the last packet with payload (what a packet without payload repeats).
  uint8_t last() const { return (value_ + 15) & 0x0F; }

 private:
  uint8_t value_ = 0;
};

}  // namespace cv7::sim
