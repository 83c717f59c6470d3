// The channel database of one satellite: its LNB settings, its transponders in frequency
// order, and per transponder the programs and data services found on it.
//
// Numbering: transponders are 1..N in ascending Frequency (equal frequencies in order of
// addition); the programs of transponder t are t*100+1, t*100+2, ... without gaps, the same
// for data services. Transponder n is kept at index n-1, its entry t*100+j at index j-1.
//
// No lock: callers serialise changes; the search thread only reads.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "corvane.h"

namespace corvane {

class ChannelDatabase {
 public:
  // Transponders that Cvn_AddTransponder accepts; the data-file reader is not limited.
  static constexpr size_t kMaxTransponders = 100;
  // Programs (and data services) per transponder: place 100 would collide with the next
  // transponder's numbers, so the 100th add is refused.
  static constexpr size_t kMaxEntries = 99;

  struct Transponder {
    TrInfo info{};
    std::vector<ProgramInfo> programs;
    std::vector<DataInfo> data;
  };

  const LnbInfo& satellite() const { return satellite_; }
  void setSatellite(const LnbInfo& lnb);

  // Inserts in frequency order and renumbers the later transponders and their entries;
  // writes the number into tr. False for an equal transponder (frequency, symbol rate and
  // polarity), for a full list when `limited`, or when memory runs out (nothing changed).
  bool addTransponder(TrInfo& tr, bool limited);
  // Deletes transponder n with its entries and renumbers the later ones.
  bool deleteTransponder(uint32_t number);
  // Empties the transponder list; the satellite record stays.
  void clear();

  size_t transponderCount() const { return transponders_.size(); }
  // Transponder n, or nullptr when it is not held.
  const Transponder* transponder(uint32_t number) const;
  Transponder* transponder(uint32_t number);
  // Read-only view in number order.
  const std::vector<Transponder>& transponders() const { return transponders_; }

  // Appends to transponder t under the next number, written into the record. False when t
  // is not held, already has kMaxEntries entries, or memory runs out.
  bool addProgram(uint32_t transponderNumber, ProgramInfo& program);
  bool addData(uint32_t transponderNumber, DataInfo& data);
  // The same on a node that is not (yet) in the list.
  static bool appendProgram(Transponder& owner, ProgramInfo& program);
  static bool appendData(Transponder& owner, DataInfo& data);

  // Replaces the list with these nodes, ordered and numbered as if each had been added in
  // turn (stable by Frequency, entries t*100+1...). The caller has kept out equal
  // transponders. Used by the data-file reader, which would otherwise renumber the whole
  // list at each insert.
  void adopt(std::vector<Transponder>&& nodes);
  // The entry with that number within its transponder (number / 100), or nullptr.
  static ProgramInfo* findProgram(Transponder& owner, uint32_t chNumber);
  static DataInfo* findData(Transponder& owner, uint32_t dataNumber);
  // Removes the entry with that number and moves the later ones of its transponder down.
  void deleteProgram(uint32_t chNumber);
  void deleteData(uint32_t dataNumber);

 private:
  void renumberFrom(size_t index, int32_t delta);

  LnbInfo satellite_{};
  std::vector<Transponder> transponders_;
};

// The process-global database. Created on first use and never destroyed, so library
// threads may use it at any point of the process's life.
ChannelDatabase& channelDatabase();

}  // namespace corvane
