// The card's boot loader: owns the mailbox until the firmware runs. It takes the download
// of the host byte by byte (each taken byte shows idle): sync bytes 1..5, the image length,
// the load address 0x2800 and the entry 0xAF000 (each 32-bit, most significant byte first),
// the image, a final 0. Then it checks the image; a valid one starts the firmware after
// kStartupMicroseconds, anything else leaves the card silent.
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "FirmwareImage.h"
#include "MailboxPeer.h"
#include "SimulatedCard.h"

namespace cv7::sim {

class CardLoader final : public MailboxPeer {
 public:
  static constexpr uint32_t kLoadAddress = 0x2800;
  static constexpr uint32_t kEntryPoint = 0xAF000;
  static constexpr uint64_t kStartupMicroseconds = 500'000;

  enum class Stage { Sync, Length, LoadAddress, EntryPoint, Image, Final, Booting, Failed };

  explicit CardLoader(const CardFaults& faults) : faults_(&faults) {}

  void reset();  // power-on
  Stage stage() const { return stage_; }
  // Why the loader refused the image (empty while nothing went wrong).
  const std::string& failure() const { return failure_; }
  // The firmware runs from this time on (Booting only).
  uint64_t bootTime() const { return bootAt_; }
  std::array<uint8_t, 2> imageVersion() const { return version_; }
  uint32_t bytesReceived() const { return uint32_t(image_.size()); }

  // ---- MailboxPeer ----
  AnswerDelay hostByte(uint8_t byte, bool marked, uint64_t now) override;
  std::optional<MailboxReply> replyRequested() override { return std::nullopt; }
  AnswerDelay replyDelay() const override { return uint64_t(0); }
  void endOfReplyAcknowledged() override {}
  void channelReset() override {}

 private:
  AnswerDelay syncByte(uint8_t byte);
  void word(uint8_t byte, Stage next);
  AnswerDelay imageByte(uint8_t byte);
  AnswerDelay finalByte(uint8_t byte, uint64_t now);
  void fail(std::string why);

  const CardFaults* faults_;
  Stage stage_ = Stage::Sync;
  uint8_t nextSync_ = 1;
  uint32_t value_ = 0;
  int valueBytes_ = 0;
  uint32_t length_ = 0;
  uint32_t loadAddress_ = 0;
  uint32_t entryPoint_ = 0;
  uint32_t taken_ = 0;
  std::vector<uint8_t> image_;
  std::string failure_;
  uint64_t bootAt_ = 0;
  std::array<uint8_t, 2> version_{0, 0};
};

}  // namespace cv7::sim
