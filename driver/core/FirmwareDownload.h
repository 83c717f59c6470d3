// Loading the card's firmware file and downloading it to the card's loader over the mailbox.
#pragma once
#include <cstdint>

#include "Mailbox.h"
#include "platform.h"

namespace cv7::core {

inline constexpr const char* kFirmwareFileName = "corvane.bin";

class FirmwareDownload {
 public:
  static constexpr uint32_t kLoaderValue1 = 0x2800;
  static constexpr uint32_t kLoaderValue2 = 0xAF000;
  static constexpr uint32_t kFinalPolls = 50001;          // about 100 s
  static constexpr uint32_t kFinalPollStall = 2000;       // 2 ms after each miss
  static constexpr uint32_t kStartPauses = 1000;          // 1000 x 2 ms for the firmware to start

  FirmwareDownload(Platform& platform, RegisterWindow& registers) : platform_(platform), mailbox_(platform, registers) {}

  // Opens "corvane.bin", copies it and downloads it. False when the file is missing or
  // unmappable, or when a loader handshake times out.
  bool load();
  bool download(const uint8_t* image, uint32_t length);

 private:
  bool sendSyncBytes();
  bool sendImageBytes(const uint8_t* image, uint32_t length);
  void finish();

  Platform& platform_;
  Mailbox mailbox_;
};

}  // namespace cv7::core
