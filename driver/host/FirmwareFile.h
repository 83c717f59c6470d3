// Reads the card's firmware file for the adapter start. A firmware image is a 20-byte header
// and at most 1 MiB of payload, so a larger file is refused before anything is read, and the
// payload is read only after the header has passed (its magic, and a payload length that
// matches the file's size). The card's loader still checks the payload's checksum.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "FirmwareImage.h"

namespace cv7::host {

class FirmwareFile {
 public:
  static constexpr size_t kMaxFileSize = sim::FirmwareImage::kHeaderSize + sim::FirmwareImage::kMaxPayload;

  // The whole file into `content`; false with a reason in `error`.
  static bool read(const std::string& path, std::vector<uint8_t>& content, std::string& error);
};

}  // namespace cv7::host
