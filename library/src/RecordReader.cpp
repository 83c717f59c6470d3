// Budgeted sequential reading of records.
#include "RecordReader.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace corvane {

RecordReader::RecordReader(const RecordFile& file, uint64_t offset, int64_t remaining)
    : file_(file), offset_(offset), remaining_(remaining) {}

bool RecordReader::refill() {
  // The budget not yet in the buffer: everything handed out so far was in it.
  size_t buffered = buffer_.size() - position_;
  int64_t unfetched = remaining_ - static_cast<int64_t>(buffered);
  size_t want = static_cast<size_t>(std::min<int64_t>(unfetched, static_cast<int64_t>(kBlock)));
  std::vector<unsigned char> next;
  try {
    next.resize(buffered + want);
  } catch (const std::bad_alloc&) {
    return false;
  }
  if (buffered > 0) std::memcpy(next.data(), buffer_.data() + position_, buffered);
  if (!file_.readAt(offset_, next.data() + buffered, want)) return false;
  offset_ += want;
  buffer_.swap(next);
  position_ = 0;
  return true;
}

bool RecordReader::bytes(void* out, size_t n) {
  if (remaining_ < 0 || static_cast<uint64_t>(remaining_) < n) return false;
  if (buffer_.size() - position_ < n && !refill()) return false;
  if (buffer_.size() - position_ < n) return false;
  std::memcpy(out, buffer_.data() + position_, n);
  position_ += n;
  remaining_ -= static_cast<int64_t>(n);
  return true;
}

}  // namespace corvane
