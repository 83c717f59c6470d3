#include "FirmwareDownload.h"

#include <cstring>
#include <initializer_list>

namespace cv7::core {

bool FirmwareDownload::load() {
  uint64_t file = 0;
  uint32_t length = 0;
  if (platform_.openFile(kFirmwareFileName, file, length) != NDIS_STATUS_SUCCESS) return false;
  auto* copy = static_cast<uint8_t*>(platform_.allocateMemory(length ? length : 1));
  const uint8_t* content = nullptr;
  bool mapped = copy != nullptr && platform_.mapFile(file, content) == NDIS_STATUS_SUCCESS;
  if (mapped) {
    std::memcpy(copy, content, length);
    platform_.unmapFile(file);
  }
  platform_.closeFile(file);
  bool downloaded = mapped && download(copy, length);
  if (copy) platform_.freeMemory(copy, length ? length : 1);
  return downloaded;
}

bool FirmwareDownload::download(const uint8_t* image, uint32_t length) {
  if (!sendSyncBytes()) return false;
  for (uint32_t value : {length, kLoaderValue1, kLoaderValue2}) {
    if (!mailbox_.loaderPut32(value) || !mailbox_.waitWritable()) return false;
  }
  if (!sendImageBytes(image, length)) return false;
  finish();
  return true;
}

bool FirmwareDownload::sendSyncBytes() {
  for (uint8_t b = 1; b <= 5; ++b) {
    mailbox_.loaderPutByte(b);
    if (!mailbox_.waitWritable()) return false;
  }
  return true;
}

// Each image byte must be taken by the loader; the wait is bounded like any mailbox wait,
// so a card that stops taking bytes fails the start instead of hanging it.
bool FirmwareDownload::sendImageBytes(const uint8_t* image, uint32_t length) {
  for (uint32_t i = 0; i < length; ++i) {
    mailbox_.loaderPutByte(image[i]);
    if (!mailbox_.waitWritable()) return false;
  }
  return true;
}

// The final 0 byte; the loader shows 0xF once it has checked the image. Whether it does
// within about 100 s does not fail the download.
void FirmwareDownload::finish() {
  mailbox_.loaderPutByte(0);
  for (uint32_t i = 0; i < kFinalPolls; ++i) {
    if ((mailbox_.control() & regs::kHandshakeMask) == regs::kHandshakeIdle) {
      for (uint32_t p = 0; p < kStartPauses; ++p) platform_.stallMicroseconds(kFinalPollStall);
      return;
    }
    platform_.stallMicroseconds(kFinalPollStall);
  }
}

}  // namespace cv7::core
