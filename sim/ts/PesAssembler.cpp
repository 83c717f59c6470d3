#include "PesAssembler.h"

namespace cv7::sim {

size_t PesAssembler::expected() const {
  if (partial_.size() < 6) return 0;
  size_t length = size_t(partial_[4]) << 8 | partial_[5];
  return length == 0 ? 0 : length + 6;
}

void PesAssembler::lose() {
  ++stats_.lost;
  collecting_ = false;
  partial_.clear();
}

void PesAssembler::push(std::span<const uint8_t> payload, bool unitStart, bool continuous) {
  if (!continuous && collecting_) lose();
  if (unitStart) {
    if (collecting_ && partial_.size() >= 6 && expected() == 0) {
      ++stats_.packets;  // an unbounded packet ends where the next begins
      handler_(partial_);
      collecting_ = false;
      partial_.clear();
    } else if (collecting_) {
      lose();
    }
    collecting_ = true;
    partial_.assign(payload.begin(), payload.end());
  } else if (collecting_) {
    partial_.insert(partial_.end(), payload.begin(), payload.end());
  }
  checkComplete();
}

void PesAssembler::checkComplete() {
  if (!collecting_ || partial_.size() < 6) return;
  if (partial_[0] != 0 || partial_[1] != 0 || partial_[2] != 1) {
    ++stats_.malformed;
    collecting_ = false;
    partial_.clear();
    return;
  }
  size_t want = expected();
  if (want == 0) {
    if (partial_.size() > kMaxUnbounded) {
      ++stats_.malformed;
      collecting_ = false;
      partial_.clear();
    }
    return;
  }
  if (partial_.size() < want) return;
  partial_.resize(want);  // bytes behind the packet in its last payload are not part of it
  ++stats_.packets;
  handler_(partial_);
  collecting_ = false;
  partial_.clear();
}

}  // namespace cv7::sim
