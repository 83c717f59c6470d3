// The card's PSI parser: watches the multiplex for the PAT, the PMTs it names and the SDT,
// and gives the programs the card reports in its program table (command 13): program number
// and PMT PID, a service block with name, video PID, audio PIDs, PCR PID and scrambling,
// and the data streams (stream types 0x05 and 0x0D as MPE data, type 3; 0x06 as PES data,
// type 5). Sections are reassembled and CRC-checked as the demultiplexer does; malformed
// tables are counted and ignored.
#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "ProgramTableReply.h"
#include "SectionAssembler.h"
#include "TsPacket.h"

namespace cv7::sim {

class PsiScanner final : public PacketSink {
 public:
  PsiScanner();
  ~PsiScanner() override;

  void packet(const TsPacket& packet) override;

  // The PAT, every PMT it lists and the SDT have been seen.
  bool complete() const;
  uint16_t transportStreamId() const { return transportStreamId_; }
  // Programs in PAT order (the network entry, program 0, is left out).
  std::vector<ProgramEntry> programs() const;
  uint64_t malformedTables() const { return malformed_; }

 private:
  struct Pmt {
    uint16_t pcrPid = 0x1FFF;
    bool caDescriptor = false;
    std::vector<std::pair<uint8_t, uint16_t>> streams;  // stream type, PID
  };
  struct Service {
    std::string name;
    bool freeCa = false;
  };
  struct Watch {
    int lastContinuity = -1;
    std::unique_ptr<SectionAssembler> assembler;
  };
  void watch(uint16_t pid);
  void onSection(std::span<const uint8_t> section);
  bool parsePat(std::span<const uint8_t> body, uint16_t extension);
  bool parsePmt(std::span<const uint8_t> body, uint16_t programNumber);
  bool parseSdt(std::span<const uint8_t> body);

  std::map<uint16_t, Watch> watches_;
  bool havePat_ = false;
  bool haveSdt_ = false;
  uint16_t transportStreamId_ = 0;
  std::vector<std::pair<uint16_t, uint16_t>> pat_;  // program number, PMT PID
  std::map<uint16_t, Pmt> pmts_;
  std::map<uint16_t, Service> services_;
  uint64_t malformed_ = 0;
};

}  // namespace cv7::sim
