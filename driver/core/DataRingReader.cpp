#include "DataRingReader.h"

#include <cstring>

namespace cv7::core {

namespace {
constexpr uint32_t kSize = ctl::kDataRingSize;
}

uint32_t DataRingReader::available() const {
  if (!path_.ring) return 0;
  uint32_t write = path_.writePosition.load(std::memory_order_acquire) % kSize;
  uint32_t read = path_.readPosition.load(std::memory_order_acquire) % kSize;
  return (kSize + write - read) % kSize;
}

bool DataRingReader::read(uint8_t* out, uint32_t count, bool advance) {
  if (count > available()) return false;
  uint32_t read = path_.readPosition.load(std::memory_order_acquire) % kSize;
  if (count > 0) {
    uint32_t first = count < kSize - read ? count : kSize - read;
    std::memcpy(out, path_.ring + read, first);
    std::memcpy(out + first, path_.ring, count - first);
  }
  if (advance) path_.readPosition.store((read + count) % kSize, std::memory_order_release);
  return true;
}

bool DataRingReader::setReadPosition(uint32_t position) {
  if (position >= kSize) return false;
  path_.readPosition.store(position, std::memory_order_release);
  return true;
}

void DataRingReader::resetPositions() {
  path_.writePosition.store(0, std::memory_order_release);
  path_.readPosition.store(0, std::memory_order_release);
}

}  // namespace cv7::core
