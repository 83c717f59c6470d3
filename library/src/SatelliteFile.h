// The satellite data file (.cvd): one satellite's channel database, shared between client
// processes. Layout: "CV9DAT", u32 owner stamp (client mode holding it; 0 = nobody), the
// LnbInfo, u32 N, then N blocks {TrInfo, u32 P, P ProgramInfo, u32 D, D DataInfo}.
#pragma once
#include <cstdint>

#include "ChannelDatabase.h"
#include "RecordFile.h"

namespace corvane {

class SatelliteFile {
 public:
  static constexpr uint64_t kStampOffset = 6;
  static constexpr uint64_t kLnbOffset = 10;

  // FILE_OPEN_OK when the file has the magic and is free or stamped with `clientMode`
  // (a free file is stamped); FILE_IS_USING when another mode holds it; FILE_OPEN_ERROR
  // otherwise. Any file open before is closed first, its stamp untouched.
  // A stamp is held only while its holder has the file open: the file is locked (shared)
  // as long as it is open here, and a stamp of another mode that no live process holds
  // open is stale (its holder was killed or crashed) and is taken over as if it were 0.
  int32_t open(const char* path, uint32_t clientMode);
  // Creates (or empties) the file for writing, locked as an open file is; its stamp comes
  // with the first write.
  bool create(const char* path);
  // Replaces the transponder list with the file's blocks, by the rules of adding a
  // transponder (equal ones refused, frequency order, numbering) but without the limit of
  // 100. Every item is checked against the bytes left in the file before it is read; the
  // first that does not fit, or that is refused, fails the read and leaves what was added
  // so far.
  bool read(ChannelDatabase& database);
  // Writes the whole database from offset 0, stamped with `clientMode`; the file is not
  // truncated, so a longer old file keeps its tail.
  bool write(const ChannelDatabase& database, uint32_t clientMode);
  // Clears a non-zero stamp (true) and closes; false when the stamp was 0 or no file open.
  bool close();
  bool isOpen() const { return file_.isOpen(); }

 private:
  RecordFile file_;
};

// The process-global satellite data file, created on first use and never destroyed.
SatelliteFile& satelliteFile();

}  // namespace corvane
