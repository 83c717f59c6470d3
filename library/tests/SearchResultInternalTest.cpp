// Classification of the driver's program table into the SiList's TV, radio and data entries.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "ControlCodes.h"
#include "SearchResult.h"

namespace corvane::search {
namespace {

struct Stream {
  uint16_t type, pid;
};

class TableBuilder {
 public:
  TableBuilder() : table_(cv7::ctl::kProgramTableSize, 0) {}
  TableBuilder& transport(uint16_t tsid, uint32_t frequency, uint32_t symbolRate) {
    put16(0, tsid);
    put32(cv7::ctl::kTableTrailer1, frequency);
    put32(cv7::ctl::kTableTrailer2, symbolRate);
    table_[cv7::ctl::kTableResult] = 1;
    return *this;
  }
  TableBuilder& program(uint16_t number, std::vector<Stream> streams, const std::string& name = "Service",
                        uint16_t scrambled = 0) {
    uint32_t i = table_[2]++;
    uint32_t r = 4 + 444 * i;
    table_[r] = uint8_t(streams.size());
    for (size_t j = 0; j < streams.size(); ++j) {
      put16(r + 2 + 4 * uint32_t(j), streams[j].type);
      put16(r + 4 + 4 * uint32_t(j), streams[j].pid);
    }
    put16(r + 398, number);
    put16(r + 400, 0x100 + number);  // PCR
    put16(r + 404, 0x20 + number);   // PMT
    put16(r + 406, scrambled);
    std::memcpy(&table_[r + 409], name.data(), std::min<size_t>(name.size(), 34));
    return *this;
  }
  const uint8_t* data() const { return table_.data(); }

 private:
  void put16(uint32_t at, uint16_t v) { std::memcpy(&table_[at], &v, 2); }
  void put32(uint32_t at, uint32_t v) { std::memcpy(&table_[at], &v, 4); }
  std::vector<uint8_t> table_;
};

SiList build(const TableBuilder& t, TrInfo last = {}) {
  SiList list;
  LnbInfo lnb{};
  std::strcpy(lnb.SatelliteName, "ASTRA");
  buildSiList(t.data(), lnb, last, list);
  return list;
}

TEST(SearchResult, TvProgramTakesItsAudioAndIgnoresDataAfterTheVideo) {
  auto list = build(TableBuilder().transport(7, 11778000, 27500).program(1, {{2, 0x101}, {3, 0x102}, {3, 0x103}, {6, 0x104}}));
  ASSERT_EQ(list.ProgramCount, 1u);
  EXPECT_EQ(list.DataCount, 0u);
  const ProgramInfo& p = list.Program[0];
  EXPECT_EQ(p.TVorRadio, 1);
  EXPECT_EQ(p.VideoPID, 0x101);
  EXPECT_EQ(p.AudioPIDCount, 2);
  EXPECT_EQ(p.AudioPID[1], 0x103);
  EXPECT_EQ(p.pgnumber, 1);
  EXPECT_EQ(p.PcrPID, 0x101);
  EXPECT_EQ(p.PmtPID, 0x21);
  EXPECT_EQ(p.ChNumber, 0u);
  EXPECT_EQ(p.TTxtPID, 0);
  EXPECT_STREQ(p.ProgramName, "Service");
  EXPECT_STREQ(list.Lnb.SatelliteName, "ASTRA");
  EXPECT_EQ(list.Tr.TransportID, 7);
}

TEST(SearchResult, DataBeforeTheVideoMakesADataEntryBesideTheTvEntry) {
  auto list = build(TableBuilder().transport(7, 1, 1).program(2, {{6, 0x201}, {2, 0x202}, {4, 0x203}}));
  ASSERT_EQ(list.DataCount, 1u);
  EXPECT_EQ(list.Data[0].Encapsulation, 5);
  EXPECT_EQ(list.Data[0].DataPID, 0x201);
  EXPECT_EQ(list.Data[0].pgnumber, 2);
  EXPECT_EQ(list.Data[0].PmtPID, 0x22);
  EXPECT_EQ(list.Data[0].SetFlag, 0u);
  ASSERT_EQ(list.ProgramCount, 1u);
  EXPECT_EQ(list.Program[0].TVorRadio, 1);
}

TEST(SearchResult, SectionStreamsAreMultiprotocolEncapsulation) {
  auto list = build(TableBuilder().transport(7, 1, 1).program(3, {{5, 0x301}, {13, 0x302}}));
  EXPECT_EQ(list.ProgramCount, 0u);
  ASSERT_EQ(list.DataCount, 2u);
  EXPECT_EQ(list.Data[0].Encapsulation, 3);
  EXPECT_EQ(list.Data[1].Encapsulation, 3);
  EXPECT_EQ(list.Data[1].DataPID, 0x302);
}

TEST(SearchResult, AudioWithoutVideoIsRadioWithAtMostSixAudioPids) {
  auto lone = build(TableBuilder().transport(7, 1, 1).program(4, {{4, 0x401}}));
  ASSERT_EQ(lone.ProgramCount, 1u);
  EXPECT_EQ(lone.Program[0].TVorRadio, 0);
  EXPECT_EQ(lone.Program[0].VideoPID, 0);
  EXPECT_EQ(lone.Program[0].AudioPIDCount, 1);
  std::vector<Stream> eight;
  for (uint16_t k = 0; k < 8; ++k) eight.push_back({3, uint16_t(0x500 + k)});
  auto many = build(TableBuilder().transport(7, 1, 1).program(5, eight));
  ASSERT_EQ(many.ProgramCount, 1u);
  EXPECT_EQ(many.Program[0].AudioPIDCount, 6);
  EXPECT_EQ(many.Program[0].AudioPID[5], 0x505);
}

TEST(SearchResult, NamesAreCutToThirtyOneCharacters) {
  auto list = build(TableBuilder().transport(7, 1, 1).program(6, {{2, 0x601}}, std::string(34, 'N')));
  EXPECT_EQ(std::strlen(list.Program[0].ProgramName), 31u);
}

TEST(SearchResult, AtMostEightyProgramsAndEightyDataEntries) {
  TableBuilder t;
  t.transport(7, 1, 1);
  for (uint16_t i = 0; i < 99; ++i) t.program(i, {{13, uint16_t(0x700 + i)}, {2, uint16_t(0x800 + i)}});
  auto list = build(t);
  EXPECT_EQ(list.ProgramCount, 80u);
  EXPECT_EQ(list.DataCount, 80u);
}

TEST(SearchResult, TransponderOfTheLastLockTestWhenFrequencyAndSymbolRateMatch) {
  TrInfo last{};
  last.TransponderNumber = 4;
  last.Frequency = 11778000;
  last.SymbolRate = 27500;
  last.Polarity = 1;
  auto matching = build(TableBuilder().transport(0x55, 11778000, 27500), last);
  EXPECT_EQ(matching.Tr.TransponderNumber, 4u);
  EXPECT_EQ(matching.Tr.Polarity, 1u);
  EXPECT_EQ(matching.Tr.TransportID, 0x55);
  // No database transponder has this frequency: number 0.
  auto other = build(TableBuilder().transport(0x56, 12000000, 27500), last);
  EXPECT_EQ(other.Tr.TransponderNumber, 0u);
  EXPECT_EQ(other.Tr.TransportID, 0x56);
}

}  // namespace
}  // namespace corvane::search
