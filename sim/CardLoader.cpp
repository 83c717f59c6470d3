#include "CardLoader.h"

namespace cv7::sim {

namespace {
constexpr AnswerDelay kAtOnce = uint64_t(0);
constexpr AnswerDelay kNever = std::nullopt;
}  // namespace

void CardLoader::reset() {
  *this = CardLoader(*faults_);
}

void CardLoader::fail(std::string why) {
  stage_ = Stage::Failed;
  failure_ = std::move(why);
  image_.clear();
  image_.shrink_to_fit();
}

AnswerDelay CardLoader::hostByte(uint8_t byte, bool, uint64_t now) {
  switch (stage_) {
    case Stage::Sync: return syncByte(byte);
    case Stage::Length: word(byte, Stage::LoadAddress); return kAtOnce;
    case Stage::LoadAddress: word(byte, Stage::EntryPoint); return kAtOnce;
    case Stage::EntryPoint: word(byte, length_ == 0 ? Stage::Final : Stage::Image); return kAtOnce;
    case Stage::Image: return imageByte(byte);
    case Stage::Final: return finalByte(byte, now);
    case Stage::Booting:
    case Stage::Failed: return kNever;  // silent: the loader is done
  }
  return kNever;
}

AnswerDelay CardLoader::syncByte(uint8_t byte) {
  if (nextSync_ == 1 && faults_->loaderIgnoresFirstSync) return kNever;
  // Out of sequence: wait for the sequence to start over.
  nextSync_ = byte == nextSync_ ? uint8_t(nextSync_ + 1) : (byte == 1 ? 2 : 1);
  if (nextSync_ == 6) stage_ = Stage::Length;
  return kAtOnce;
}

void CardLoader::word(uint8_t byte, Stage next) {
  value_ = value_ << 8 | byte;
  if (++valueBytes_ < 4) return;
  if (stage_ == Stage::Length) length_ = value_;
  if (stage_ == Stage::LoadAddress) loadAddress_ = value_;
  if (stage_ == Stage::EntryPoint) entryPoint_ = value_;
  value_ = 0;
  valueBytes_ = 0;
  stage_ = next;
  if (next == Stage::Image && length_ <= FirmwareImage::kHeaderSize + FirmwareImage::kMaxPayload) {
    image_.reserve(length_);
  }
}

AnswerDelay CardLoader::imageByte(uint8_t byte) {
  if (faults_->loaderStopsMidImage && taken_ >= length_ / 2) return kNever;
  // The card's memory ends somewhere: a longer image is taken but not kept.
  if (image_.size() < FirmwareImage::kHeaderSize + FirmwareImage::kMaxPayload) image_.push_back(byte);
  if (++taken_ == length_) stage_ = Stage::Final;
  return kAtOnce;
}

AnswerDelay CardLoader::finalByte(uint8_t byte, uint64_t now) {
  if (byte != 0) {
    fail("final byte is not 0");
  } else if (loadAddress_ != kLoadAddress || entryPoint_ != kEntryPoint) {
    fail("wrong load address or entry point");
  } else if (image_.size() != length_) {
    fail("image longer than the card's memory");
  } else {
    FirmwareImage::Info info = FirmwareImage::inspect(image_);
    if (info.check != FirmwareImage::Check::Valid) {
      fail(std::string("image refused: ") + FirmwareImage::checkName(info.check));
    } else {
      version_ = {info.major, info.minor};
      stage_ = Stage::Booting;
      bootAt_ = now + kStartupMicroseconds;
      image_.clear();
      image_.shrink_to_fit();
    }
  }
  return faults_->loaderNeverIdleAfterFinal ? kNever : kAtOnce;
}

}  // namespace cv7::sim
