// The card's demultiplexer: a PID filter table {PID, kind} that the firmware programs, and
// for each filtered PID the reassembly that its kind asks for. Every unit found becomes one
// ring entry for the DMA engine:
//   kind 3  one MPE datagram section (table_id 0x3E) per entry, header to CRC, padded to even;
//   kind 5  one PES packet of the byte-stuffed stream per entry, from its header on, padded;
//   kind 10 the PID's transport packets, up to kPacketsPerEntry of them per entry (flushed
//           when full and at every flush());
//   kind 11 one whole PES packet per entry, exact length;
//   kind 12 one whole section per entry, exact length.
// Kinds 1, 2 and 4 are accepted into the table but deliver nothing. Sections with the
// syntax indicator must pass their CRC; failures are dropped and counted.
#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "PesAssembler.h"
#include "RingEntry.h"
#include "SectionAssembler.h"
#include "TsPacket.h"

namespace cv7::sim {

struct DemuxStats {
  uint64_t packets = 0;           // all packets seen
  uint64_t filtered = 0;          // packets of a PID in the table
  uint64_t invalid = 0;           // no sync byte, broken adaptation field, transport error
  uint64_t continuityErrors = 0;  // a packet whose counter does not follow the previous one
  uint64_t duplicates = 0;        // a packet repeated with its counter, taken once
  uint64_t entries = 0;           // handed to the DMA engine
  uint64_t sectionsSkipped = 0;   // kind 3: sections that are not datagram sections
  uint64_t oversize = 0;          // units longer than an entry can carry
  SectionStats sections;          // summed over the PIDs (also of removed PIDs)
  PesStats pes;
};

class CardDemux final : public PacketSink {
 public:
  static constexpr size_t kMaxFilters = 32;
  static constexpr size_t kPacketsPerEntry = 8;       // 8 x 188 + 6 bytes: six 256-byte blocks
  static constexpr size_t kMaxEntryPayload = 0xFFFF;  // L is 16 bits
  static constexpr uint16_t kKindMpe = 3;
  static constexpr uint16_t kKindStuffedStream = 5;
  static constexpr uint16_t kKindRawPackets = 10;
  static constexpr uint16_t kKindRawPes = 11;
  static constexpr uint16_t kKindRawSections = 12;

  explicit CardDemux(EntrySink& sink);
  ~CardDemux() override;

  // Adds a PID or changes its kind (reassembly starts afresh); false when the table is full
  // or the PID is not a PID.
  bool setPid(uint16_t pid, uint16_t kind);
  void removePid(uint16_t pid);
  void clear();
  bool hasPid(uint16_t pid) const { return filters_.count(pid) != 0; }
  size_t pidCount() const { return filters_.size(); }

  void packet(const TsPacket& packet) override;
  // Sends the kind-10 packets still gathered for an entry.
  void flush();

  DemuxStats stats() const;

 private:
  struct Filter;
  void deliver(uint16_t pid, uint16_t kind, std::span<const uint8_t> payload, bool pad);
  void onSection(Filter& f, std::span<const uint8_t> section);
  void onPes(Filter& f, std::span<const uint8_t> pes);
  void flushPackets(Filter& f);
  void retire(Filter& f);

  EntrySink& sink_;
  std::map<uint16_t, std::unique_ptr<Filter>> filters_;
  DemuxStats stats_;
};

}  // namespace cv7::sim
