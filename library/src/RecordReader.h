// Reads records in sequence from a RecordFile, within a budget of remaining bytes: an item
// is read only when the budget still holds all of it, so a count in the file is never
// trusted beyond the bytes that are really there. Reads ahead in blocks.
#pragma once
#include <bit>
#include <cstddef>
#include <cstdint>
#include <type_traits>
#include <vector>

#include "RecordFile.h"

namespace corvane {

static_assert(std::endian::native == std::endian::little, "records are stored in host order");

class RecordReader {
 public:
  // Reads from `offset` on; `remaining` is the budget (may be negative for a file shorter
  // than its fixed start).
  RecordReader(const RecordFile& file, uint64_t offset, int64_t remaining);

  // One record of trivially copyable type; false when it does not fit or cannot be read.
  template <typename T>
  bool read(T& out) {
    static_assert(std::is_trivially_copyable_v<T>);
    return bytes(&out, sizeof out);
  }
  bool bytes(void* out, size_t n);
  int64_t remaining() const { return remaining_; }

 private:
  bool refill();

  static constexpr size_t kBlock = 64 * 1024;
  const RecordFile& file_;
  uint64_t offset_;      // file offset of the next byte to fetch into the buffer
  int64_t remaining_;    // budget not yet handed out
  std::vector<unsigned char> buffer_;
  size_t position_ = 0;  // next unread byte in buffer_
};

}  // namespace corvane
