// The card's firmware image "corvane.bin": a fixed 20-byte little-endian header followed by
// the payload that the card's processor runs. The loader in the card checks the header and
// the payload's CRC-32 before it starts the firmware; the version in the header is what the
// firmware reports for command 20.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace cv7::sim {

// On-file layout of the header (all fields little-endian).
struct FirmwareHeader {
  uint8_t magic[8];        // "CV7FW\0\0\0"
  uint8_t major;           // version reported by command 20, byte 0
  uint8_t minor;           // version reported by command 20, byte 1
  uint8_t reserved[2];     // 0
  uint32_t payloadLength;  // bytes that follow the header
  uint32_t payloadCrc;     // CRC-32 (IEEE 802.3) of the payload
};
static_assert(sizeof(FirmwareHeader) == 20);
static_assert(offsetof(FirmwareHeader, major) == 8);
static_assert(offsetof(FirmwareHeader, minor) == 9);
static_assert(offsetof(FirmwareHeader, payloadLength) == 12);
static_assert(offsetof(FirmwareHeader, payloadCrc) == 16);

class FirmwareImage {
 public:
  static constexpr size_t kHeaderSize = sizeof(FirmwareHeader);
  static constexpr uint8_t kMagic[8] = {'C', 'V', '7', 'F', 'W', 0, 0, 0};
  static constexpr uint32_t kMaxPayload = 1u << 20;  // the card's program memory

  enum class Check { Valid, TooShort, BadMagic, BadLength, BadChecksum };

  // The result of checking an image; header fields are meaningful when check is Valid.
  struct Info {
    Check check = Check::TooShort;
    uint8_t major = 0;
    uint8_t minor = 0;
    uint32_t payloadLength = 0;
  };

  // Builds an image from a version and a payload.
  static std::vector<uint8_t> build(uint8_t major, uint8_t minor, const std::vector<uint8_t>& payload);
  // The firmware payload shipped in corvane.bin: a description text and generated code bytes.
  static std::vector<uint8_t> defaultPayload();
  // build(major, minor, defaultPayload()).
  static std::vector<uint8_t> buildDefault(uint8_t major = 1, uint8_t minor = 0);
  // Checks a whole image (header, exact length, checksum) without reading past its end.
  static Info inspect(const uint8_t* data, size_t length);
  static Info inspect(const std::vector<uint8_t>& image) { return inspect(image.data(), image.size()); }
  static const char* checkName(Check check);

  static uint32_t crc32(const uint8_t* data, size_t length);
};

}  // namespace cv7::sim
