// A file of little-endian records, opened for reading and writing through a POSIX file
// descriptor. Reads and writes are whole or fail; nothing is buffered here.
#pragma once
#include <cstddef>
#include <cstdint>

namespace corvane {

// Both the satellite data file and the favourite file start with these six bytes.
inline constexpr char kRecordFileMagic[6] = {'C', 'V', '9', 'D', 'A', 'T'};

class RecordFile {
 public:
  RecordFile() = default;
  RecordFile(const RecordFile&) = delete;
  RecordFile& operator=(const RecordFile&) = delete;
  ~RecordFile() { close(); }

  // Opens an existing file for reading and writing, without truncation. A directory or a
  // file without read and write access fails. Any file open before is closed first.
  bool open(const char* path);
  // Creates the file, or empties it when it exists, for reading and writing.
  bool create(const char* path);
  void close();
  bool isOpen() const { return fd_ >= 0; }

  // A lock on the whole file, held by this open file (not by the process: another open of
  // the same file conflicts with it, also in this process) until it is changed or the file
  // is closed; the system drops it when the process ends, however it ends. Shared locks
  // exclude an exclusive one. tryLockExclusive does not wait; lockShared waits (up to a
  // second) while another holds it exclusively, and turns this file's exclusive lock into a
  // shared one without letting any other lock in between.
  bool tryLockExclusive() const;
  bool lockShared() const;

  // The file's size in bytes, or -1 when it cannot be told.
  int64_t size() const;
  // Exactly n bytes at offset, or false (end of file, I/O error).
  bool readAt(uint64_t offset, void* data, size_t n) const;
  // All n bytes at offset, or false (full disk, I/O error).
  bool writeAt(uint64_t offset, const void* data, size_t n) const;

 private:
  bool openWith(const char* path, int flags);

  int fd_ = -1;
};

}  // namespace corvane
