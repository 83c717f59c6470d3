#include "DmaEngine.h"

#include <algorithm>

namespace cv7::sim {

namespace {
constexpr uint32_t kBit14 = 1u << 14;
constexpr uint32_t kBit15 = 1u << 15;
constexpr uint32_t kBit16 = 1u << 16;
constexpr uint32_t kRunBits = kBit14 | kBit15 | kBit16;
constexpr uint32_t kBlocksPerPage = DmaEngine::kPageSize / DmaEngine::kBlockSize;
}  // namespace

void DmaEngine::configure(uint32_t ringPhysical, uint32_t pageListPhysical) {
  ringAddress_ = ringPhysical;
  pageListAddress_ = pageListPhysical;
  haveRing_ = true;
}

void DmaEngine::controlWritten(uint32_t value) {
  bool enabled = (value & (kBit15 | kBit16)) == (kBit15 | kBit16);
  bool pulse = (value & kBit14) && !(lastControl_ & kBit14);
  lastControl_ = value;
  if ((value & kRunBits) == 0) {
    stop();
  } else if (enabled && pulse && !running_) {
    start();
  }
}

bool DmaEngine::loadPages() {
  pages_[0] = ringAddress_;
  uint8_t list[4 * (kPages - 1)];
  if (!memory_.read(pageListAddress_, list, sizeof list)) {
    ++stats_.hostMemoryErrors;
    return false;
  }
  for (uint32_t k = 1; k < kPages; ++k) {
    const uint8_t* p = list + 4 * (k - 1);
    pages_[k] = uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
  }
  return true;
}

void DmaEngine::start() {
  if (running_ || !haveRing_ || !loadPages()) return;
  running_ = true;
  if (!startedOnce_ || startedRing_ != ringAddress_) {
    startedOnce_ = true;
    startedRing_ = ringAddress_;
    writeBlock_ = 0;
    fifo_.clear();
    pending_ = true;  // the start interrupt: no entry behind it
    ++stats_.startInterrupts;
    return;
  }
  if (!pending_) writeNext();
}

void DmaEngine::stop() {
  if (!running_) return;
  running_ = false;
  stats_.droppedAtStop += fifo_.size();
  fifo_.clear();
}

void DmaEngine::reset() {
  stop();
  startedOnce_ = false;
  haveRing_ = false;
  pending_ = false;
  lastControl_ = 0;
  writeBlock_ = 0;
}

void DmaEngine::submit(RingEntry entry) {
  if (!running_) {
    ++stats_.droppedStopped;
    return;
  }
  if (entry.blocks(kBlockSize) > kMaxEntryBlocks) {
    ++stats_.droppedOversize;
    return;
  }
  if (fifo_.size() >= kFifoEntries) {
    ++stats_.droppedFifoFull;
    return;
  }
  fifo_.push_back(std::move(entry));
  if (!pending_) writeNext();
}

void DmaEngine::acknowledge() {
  pending_ = false;
  if (running_) writeNext();
}

void DmaEngine::writeNext() {
  while (!fifo_.empty()) {
    RingEntry entry = std::move(fifo_.front());
    fifo_.pop_front();
    if (writeEntry(entry)) {
      pending_ = true;
      return;
    }
  }
}

uint64_t DmaEngine::blockAddress(uint32_t block) const {
  return pages_[block / kBlocksPerPage] + uint64_t(block % kBlocksPerPage) * kBlockSize;
}

bool DmaEngine::writeEntry(const RingEntry& entry) {
  std::vector<uint8_t> bytes = entry.serialize();
  uint32_t blocks = uint32_t(entry.blocks(kBlockSize));
  for (uint32_t b = 0; b < blocks; ++b) {
    size_t offset = size_t(b) * kBlockSize;
    size_t n = std::min<size_t>(kBlockSize, bytes.size() - offset);
    if (!memory_.write(blockAddress((writeBlock_ + b) % kBlocks), bytes.data() + offset, n)) {
      ++stats_.hostMemoryErrors;
      return false;
    }
  }
  writeBlock_ = (writeBlock_ + blocks) % kBlocks;
  ++stats_.entriesWritten;
  stats_.blocksWritten += blocks;
  return true;
}

}  // namespace cv7::sim
