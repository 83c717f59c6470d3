#include "DmaEngine.h"

#include <algorithm>

namespace cv7::sim {

namespace {
constexpr uint32_t kBit14 = 1u << 14;
constexpr uint32_t kBit15 = 1u << 15;
constexpr uint32_t kBit16 = 1u << 16;
constexpr uint32_t kRunBits = kBit14 | kBit15 | kBit16;
constexpr uint8_t kPad = 0x00;
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
    stats_.droppedAtReset += untoldCount_;  // left untold in the ring given up
    untoldFirst_ = untoldCount_ = untoldBlocks_ = toldBlocks_ = 0;
    startInterrupt_ = true;  // no entry behind it
    ++stats_.startInterrupts;
  }
}

void DmaEngine::stop() { running_ = false; }

void DmaEngine::reset() {
  stop();
  stats_.droppedAtReset += untoldCount_;
  startedOnce_ = false;
  haveRing_ = false;
  startInterrupt_ = false;
  lastControl_ = 0;
  writeBlock_ = 0;
  untoldFirst_ = untoldCount_ = untoldBlocks_ = toldBlocks_ = 0;
}

void DmaEngine::submit(const EntryView& entry) {
  if (!running_) {
    ++stats_.droppedStopped;
    return;
  }
  size_t blocks = entry.blocks(kBlockSize);
  if (blocks > kMaxEntryBlocks) {
    ++stats_.droppedOversize;
    return;
  }
  if (blocks > room()) {
    ++stats_.droppedRingFull;
    return;
  }
  if (!write(entry)) return;
  untoldSizes_[(untoldFirst_ + untoldCount_) % kBlocks] = uint8_t(blocks);
  ++untoldCount_;
  untoldBlocks_ += uint32_t(blocks);
  writeBlock_ = (writeBlock_ + uint32_t(blocks)) % kBlocks;
  ++stats_.entriesWritten;
  stats_.blocksWritten += blocks;
}

void DmaEngine::acknowledge() {
  if (startInterrupt_) {
    startInterrupt_ = false;
    return;
  }
  if (untoldCount_ == 0) return;
  toldBlocks_ = untoldSizes_[untoldFirst_];
  untoldFirst_ = (untoldFirst_ + 1) % kBlocks;
  --untoldCount_;
  untoldBlocks_ -= toldBlocks_;
}

bool DmaEngine::put(uint32_t& offset, const uint8_t* bytes, size_t length) {
  while (length > 0) {
    uint32_t inPage = offset % kPageSize;
    size_t n = std::min<size_t>(length, kPageSize - inPage);
    if (!memory_.write(pages_[offset / kPageSize] + inPage, bytes, n)) {
      ++stats_.hostMemoryErrors;
      return false;
    }
    bytes += n;
    length -= n;
    offset = (offset + uint32_t(n)) % kRingBytes;
  }
  return true;
}

bool DmaEngine::write(const EntryView& entry) {
  size_t length = entry.length();
  const uint8_t header[kRingEntryHeader] = {uint8_t(entry.pid),   uint8_t(entry.pid >> 8), uint8_t(entry.kind),
                                            uint8_t(entry.kind >> 8), uint8_t(length),     uint8_t(length >> 8)};
  uint32_t offset = writeBlock_ * kBlockSize;
  return put(offset, header, sizeof header) && put(offset, entry.bytes.data(), entry.bytes.size()) &&
         (!entry.padByte || put(offset, &kPad, 1));
}

}  // namespace cv7::sim
