// Satellite data files to and from the Linux DVB tools' files (DvbChannelFile.h): the
// DVBv5 channel file (one entry per program and data service, with its transponder's
// tuning) and the initial-tuning scan table (one entry per transponder).
//
// Import fills the library's channel database (SatelliteDatabase.h) so the file written
// afterwards is the library's own. The card receives DVB-S: entries of other delivery
// systems are left out and counted. Keys that the DVB tools ignore carry what their format
// has no place for (CV7_SATELLITE, CV7_PMT_PID, CV7_PCR_PID, CV7_TELETEXT_PID,
// CV7_SCRAMBLED, CV7_TRANSPORT_ID, CV7_ENCAPSULATION, CV7_SELECTED, CV7_RESERVED,
// CV7_TONE22K, CV7_LNB_POWER, CV7_TONE_BURST, CV7_LOCAL_OSCILLATOR), so that an exported
// file imports to the same records.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "DvbChannelFile.h"
#include "SatelliteFileView.h"

namespace cv7ctl {

struct ImportChoices {
  std::string name;                // satellite name; default: the file's, else its file name
  std::optional<uint32_t> lnb;     // local oscillator kHz, 0 universal; default: the file's
  std::optional<uint32_t> diseqc;  // default: the file's SAT_NUMBER + 1, else none
  uint32_t fromKHz = 0, toKHz = UINT32_MAX;
};

struct ImportReport {
  size_t transponders = 0, programs = 0, data = 0;
  size_t otherSystems = 0, outsideRange = 0, repeated = 0, withoutPids = 0, audioLeftOut = 0;
  LnbInfo lnb{};
};

class ChannelTable {
 public:
  // Fills the library's database from the entries of `source`; throws a Failure that
  // names the source and the entry's line for a value it cannot take.
  static ImportReport import(const std::vector<DvbEntry>& entries, const ImportChoices& choices,
                             const std::string& source);
  // A DVBv5 channel file: one entry per program and data service, "[CHANNEL]" for a
  // transponder without either.
  static std::vector<DvbEntry> channels(const SatelliteData& file);
  // A scan table: one "[CHANNEL]" per transponder.
  static std::vector<DvbEntry> scanTable(const SatelliteData& file);
};

}  // namespace cv7ctl
