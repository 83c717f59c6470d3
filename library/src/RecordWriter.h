// Writes records in sequence to a RecordFile from a given offset, in blocks. The first
// failed write makes every later call fail; finish() writes what is buffered.
#pragma once
#include <bit>
#include <cstddef>
#include <cstdint>
#include <type_traits>
#include <vector>

#include "RecordFile.h"

namespace corvane {

static_assert(std::endian::native == std::endian::little, "records are stored in host order");

class RecordWriter {
 public:
  RecordWriter(const RecordFile& file, uint64_t offset);

  template <typename T>
  bool write(const T& record) {
    static_assert(std::is_trivially_copyable_v<T>);
    return bytes(&record, sizeof record);
  }
  bool bytes(const void* data, size_t n);
  // Writes out the buffer; true when every byte reached the file.
  bool finish();

 private:
  static constexpr size_t kBlock = 64 * 1024;
  const RecordFile& file_;
  uint64_t offset_;
  std::vector<unsigned char> buffer_;
  bool failed_ = false;
};

}  // namespace corvane
