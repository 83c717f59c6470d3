// The favourite file (.fch): "CV9DAT", u32 n, then n FavoriteInfo records in list order.
// It has no owner stamp.
#pragma once
#include <cstdint>

#include "FavoriteList.h"
#include "RecordFile.h"

namespace corvane {

class FavoriteFile {
 public:
  static constexpr uint64_t kCountOffset = 6;

  // True when the file opened for reading and writing and starts with the magic. Any
  // file open before is closed first.
  bool open(const char* path);
  bool create(const char* path);
  // Replaces the list with the file's records; n is trusted only as far as the bytes left
  // in the file hold whole records. A failed read keeps the records read so far.
  bool read(FavoriteList& list);
  // Writes from offset 0 without truncating: the magic, n, then the first favourite and
  // each next one by key.
  bool write(const FavoriteList& list);
  // True when a file was open (it is closed).
  bool close();

 private:
  RecordFile file_;
};

// The process-global favourite file, created on first use and never destroyed.
FavoriteFile& favoriteFile();

}  // namespace corvane
