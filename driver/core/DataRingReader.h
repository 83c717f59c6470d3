// The control requests' side of the raw data ring: the receive path moves only the write
// position, this reader only the read position, so the two need no lock. A ring that is not
// allocated yet (no adapter started) reads as empty.
#pragma once
#include <cstdint>

#include "DriverState.h"

namespace cv7::core {

class DataRingReader {
 public:
  explicit DataRingReader(DataPath& path) : path_(path) {}

  // Bytes between the read and the write position.
  uint32_t available() const;
  // Copies `count` bytes from the read position, wrapping at the ring's end. False (nothing
  // copied, positions unchanged) when fewer are available. With `advance` the read position
  // moves past them.
  bool read(uint8_t* out, uint32_t count, bool advance);
  // False when `position` lies outside the ring; the read position is then unchanged.
  bool setReadPosition(uint32_t position);
  void resetPositions();

 private:
  DataPath& path_;
};

}  // namespace cv7::core
