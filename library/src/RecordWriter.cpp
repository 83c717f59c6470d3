// Buffered sequential writing of records.
#include "RecordWriter.h"

#include <new>

namespace corvane {

RecordWriter::RecordWriter(const RecordFile& file, uint64_t offset) : file_(file), offset_(offset) {}

bool RecordWriter::bytes(const void* data, size_t n) {
  if (failed_) return false;
  const auto* from = static_cast<const unsigned char*>(data);
  try {
    buffer_.insert(buffer_.end(), from, from + n);
  } catch (const std::bad_alloc&) {
    failed_ = true;
    return false;
  }
  return buffer_.size() < kBlock || finish();
}

bool RecordWriter::finish() {
  if (failed_) return false;
  if (!file_.writeAt(offset_, buffer_.data(), buffer_.size())) {
    failed_ = true;
    return false;
  }
  offset_ += buffer_.size();
  buffer_.clear();
  return true;
}

}  // namespace corvane
