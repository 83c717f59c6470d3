// The card's channel search: while a search runs, the card tees the tuned multiplex's
// packets into the scanner, which reassembles the PAT, every PMT the PAT announces and the SDT
// of the actual stream, and turns them into the program table the card answers the host
// with. A search ends when all of those tables are complete, or after a timeout with whatever
// was found by then (nothing, when no PAT came at all).
#pragma once
#include <bitset>
#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "ProgramTableReply.h"
#include "SectionAssembler.h"
#include "TsPacket.h"

namespace cv7::sim {

struct ScanStats {
  uint64_t packets = 0;
  uint64_t sections = 0;    // complete sections of the search's PIDs that passed their CRC
  uint64_t crcErrors = 0;
  uint64_t malformed = 0;   // tables whose fields run past their section, wrong table ids
};

class ServiceScanner final : public PacketSink {
 public:
  static constexpr uint64_t kTimeoutMicroseconds = 5'000'000;
  static constexpr size_t kMaxPrograms = 99;    // the host's program table holds 99
  static constexpr size_t kMaxComponents = 99;  // service block + audio + data per program
  static constexpr size_t kMaxNameBytes = 30;

  // Begins a search afresh: everything found before is forgotten.
  void start(uint64_t nowMicroseconds, uint32_t frequencyKHz, uint32_t symbolRate);
  // Stops the search; packets are ignored and finished() stays false until the next start.
  void cancel();
  void packet(const TsPacket& packet) override;

  // True once the search has all its tables or has timed out. From then on the result no
  // longer changes (later packets are ignored).
  bool finished(uint64_t nowMicroseconds);
  bool running() const { return running_; }
  // The program table from what has been found so far.
  ProgramTableReply result() const;
  const ScanStats& stats() const { return stats_; }

 private:
  // Which sections of one table version have been seen.
  struct TableProgress {
    std::optional<uint8_t> version;
    uint8_t lastSection = 0;
    std::bitset<256> received;
    // Records a section; returns true when it starts a new version (older content is stale).
    bool record(uint8_t version, uint8_t number, uint8_t last);
    bool complete() const;
  };
  struct ElementaryEntry {
    uint8_t streamType = 0;
    uint16_t pid = 0;
  };
  struct ProgramMap {
    uint8_t version = 0;
    uint16_t pcrPid = 0x1FFF;
    bool scrambled = false;
    std::vector<ElementaryEntry> streams;
  };
  struct ServiceName {
    std::string name;
    bool freeCaMode = false;
  };
  struct PidState {
    SectionAssembler assembler;
    int lastContinuity = -1;
  };
  struct SectionHeader;

  void listen(uint16_t pid);
  void section(uint16_t pid, std::span<const uint8_t> section);
  void parsePat(const SectionHeader& header, std::span<const uint8_t> body);
  void parsePmt(uint16_t pid, const SectionHeader& header, std::span<const uint8_t> body);
  void parseSdt(const SectionHeader& header, std::span<const uint8_t> body);
  bool complete() const;
  std::vector<std::pair<uint16_t, uint16_t>> patPrograms() const;  // (program, PMT PID)
  ProgramEntry entry(uint16_t programNumber, uint16_t pmtPid, const ProgramMap& map) const;

  bool running_ = false;
  bool done_ = false;
  uint64_t startedAt_ = 0;
  uint32_t frequencyKHz_ = 0;
  uint32_t symbolRate_ = 0;
  std::optional<uint16_t> transportStreamId_;
  TableProgress pat_;
  std::map<uint8_t, std::vector<std::pair<uint16_t, uint16_t>>> patSections_;  // by section number
  std::map<uint16_t, ProgramMap> pmts_;  // by program number
  TableProgress sdt_;
  std::map<uint16_t, ServiceName> services_;  // by service id
  std::map<uint16_t, PidState> pids_;
  ScanStats stats_;
};

}  // namespace cv7::sim
