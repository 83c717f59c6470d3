// The program tables of the multiplex, read back by libdvbpsi from the packets: PAT, PMT
// with stream types, PCR PID and the CA descriptor of a scrambled service, SDT with names.
#include <gtest/gtest.h>

extern "C" {
#include <dvbpsi/dvbpsi.h>
#include <dvbpsi/psi.h>
#include <dvbpsi/descriptor.h>
#include <dvbpsi/demux.h>
#include <dvbpsi/dr_48.h>
#include <dvbpsi/pat.h>
#include <dvbpsi/pmt.h>
#include <dvbpsi/sdt.h>
}

#include <map>
#include <string>
#include <vector>

#include "ts/PsiBuilder.h"
#include "ts/SectionPacketizer.h"

namespace cv7::sim {
namespace {

TransportStreamConfig twoServices() {
  TransportStreamConfig c;
  c.transportStreamId = 0x0444;
  c.originalNetworkId = 0x0055;
  ServiceConfig tv;
  tv.programNumber = 101;
  tv.pmtPid = 0x100;
  tv.pcrPid = 0x101;
  tv.name = "Sim One";
  tv.provider = "Corvane Sky";
  tv.streams = {{kStreamMpeg2Video, 0x101}, {kStreamMpeg1Audio, 0x102}};
  ServiceConfig data;
  data.programNumber = 102;
  data.pmtPid = 0x110;
  data.pcrPid = 0x1FFF;
  data.scrambled = true;
  data.name = "Data Cast";
  data.provider = "Uplink";
  data.streams = {{kStreamDsmccTypeD, 0x300}};
  c.services = {tv, data};
  return c;
}

struct Decoded {
  std::map<uint16_t, uint16_t> pat;  // program -> PMT PID
  uint16_t patTsId = 0;
  struct Pmt {
    uint16_t pcr;
    std::vector<std::pair<uint8_t, uint16_t>> streams;
    std::vector<uint8_t> descriptorTags;
    std::vector<uint8_t> firstDescriptor;
  };
  std::map<uint16_t, Pmt> pmt;
  struct Service {
    std::string name, provider;
    uint8_t type;
    bool freeCa;
    uint8_t running;
  };
  std::map<uint16_t, Service> sdt;
  uint16_t sdtNetwork = 0;
};

void onPat(void* data, dvbpsi_pat_t* pat) {
  auto* d = static_cast<Decoded*>(data);
  d->patTsId = pat->i_ts_id;
  for (auto* p = pat->p_first_program; p; p = p->p_next) d->pat[p->i_number] = p->i_pid;
  dvbpsi_pat_delete(pat);
}

void onPmt(void* data, dvbpsi_pmt_t* pmt) {
  auto* d = static_cast<Decoded*>(data);
  Decoded::Pmt out{pmt->i_pcr_pid, {}, {}, {}};
  for (auto* es = pmt->p_first_es; es; es = es->p_next) out.streams.push_back({es->i_type, es->i_pid});
  for (auto* dr = pmt->p_first_descriptor; dr; dr = dr->p_next) {
    if (out.descriptorTags.empty()) out.firstDescriptor.assign(dr->p_data, dr->p_data + dr->i_length);
    out.descriptorTags.push_back(dr->i_tag);
  }
  d->pmt[pmt->i_program_number] = out;
  dvbpsi_pmt_delete(pmt);
}

void onSdt(void* data, dvbpsi_sdt_t* sdt) {
  auto* d = static_cast<Decoded*>(data);
  d->sdtNetwork = sdt->i_network_id;
  for (auto* s = sdt->p_first_service; s; s = s->p_next) {
    for (auto* dr = s->p_first_descriptor; dr; dr = dr->p_next) {
      if (dr->i_tag != 0x48) continue;
      dvbpsi_service_dr_t* service = dvbpsi_DecodeServiceDr(dr);
      ASSERT_NE(service, nullptr);
      d->sdt[s->i_service_id] = {
          std::string(reinterpret_cast<char*>(service->i_service_name), service->i_service_name_length),
          std::string(reinterpret_cast<char*>(service->i_service_provider_name), service->i_service_provider_name_length),
          service->i_service_type, s->b_free_ca, s->i_running_status};
    }
  }
  dvbpsi_sdt_delete(sdt);
}

void onNewSubtable(dvbpsi_t* handle, uint8_t tableId, uint16_t extension, void* data) {
  if (tableId == PsiBuilder::kSdtActualTableId) dvbpsi_sdt_attach(handle, tableId, extension, onSdt, data);
}

void push(dvbpsi_t* handle, uint16_t pid, const std::vector<std::vector<uint8_t>>& sections) {
  SectionPacketizer packetizer(pid);
  std::vector<TsPacket> packets;
  packetizer.packetize(sections, packets);
  for (auto& p : packets) dvbpsi_packet_push(handle, p.data());
}

TEST(PsiBuilder, PatListsEveryServiceWithItsPmtPid) {
  auto config = twoServices();
  Decoded d;
  dvbpsi_t* h = dvbpsi_new(nullptr, DVBPSI_MSG_NONE);
  ASSERT_TRUE(dvbpsi_pat_attach(h, onPat, &d));
  push(h, 0, PsiBuilder::pat(config));
  dvbpsi_pat_detach(h);
  dvbpsi_delete(h);
  EXPECT_EQ(d.patTsId, 0x0444);
  EXPECT_EQ(d.pat, (std::map<uint16_t, uint16_t>{{101, 0x100}, {102, 0x110}}));
}

TEST(PsiBuilder, PmtCarriesStreamTypesPcrPidAndTheCaDescriptorOfAScrambledService) {
  auto config = twoServices();
  Decoded d;
  for (const auto& service : config.services) {
    dvbpsi_t* h = dvbpsi_new(nullptr, DVBPSI_MSG_NONE);
    ASSERT_TRUE(dvbpsi_pmt_attach(h, service.programNumber, onPmt, &d));
    push(h, service.pmtPid, PsiBuilder::pmt(service));
    dvbpsi_pmt_detach(h);
    dvbpsi_delete(h);
  }
  ASSERT_EQ(d.pmt.size(), 2u);
  EXPECT_EQ(d.pmt[101].pcr, 0x101);
  EXPECT_EQ(d.pmt[101].streams, (std::vector<std::pair<uint8_t, uint16_t>>{{0x02, 0x101}, {0x03, 0x102}}));
  EXPECT_TRUE(d.pmt[101].descriptorTags.empty());
  EXPECT_EQ(d.pmt[102].streams, (std::vector<std::pair<uint8_t, uint16_t>>{{0x0D, 0x300}}));
  EXPECT_EQ(d.pmt[102].descriptorTags, std::vector<uint8_t>{0x09});
  EXPECT_EQ(d.pmt[102].firstDescriptor, (std::vector<uint8_t>{0x0B, 0x00, 0xFF, 0xFE}));
}

TEST(PsiBuilder, SdtNamesServicesAndProvidersWithTheirTypes) {
  auto config = twoServices();
  Decoded d;
  dvbpsi_t* h = dvbpsi_new(nullptr, DVBPSI_MSG_NONE);
  ASSERT_TRUE(dvbpsi_AttachDemux(h, onNewSubtable, &d));
  push(h, 0x11, PsiBuilder::sdt(config));
  dvbpsi_DetachDemux(h);
  dvbpsi_delete(h);
  EXPECT_EQ(d.sdtNetwork, 0x0055);
  ASSERT_EQ(d.sdt.size(), 2u);
  EXPECT_EQ(d.sdt[101].name, "Sim One");
  EXPECT_EQ(d.sdt[101].provider, "Corvane Sky");
  EXPECT_EQ(d.sdt[101].type, 0x01);
  EXPECT_FALSE(d.sdt[101].freeCa);
  EXPECT_EQ(d.sdt[101].running, 4);
  EXPECT_EQ(d.sdt[102].name, "Data Cast");
  EXPECT_EQ(d.sdt[102].type, 0x0C);
  EXPECT_TRUE(d.sdt[102].freeCa);
}

TEST(PsiBuilder, SplitsATableTooLongForOneSection) {
  TransportStreamConfig c;
  for (uint16_t i = 0; i < 40; ++i) {
    ServiceConfig s;
    s.programNumber = uint16_t(1 + i);
    s.pmtPid = uint16_t(0x100 + i);
    s.name = std::string(30, char('A' + i % 26));
    s.provider = "Provider";
    c.services.push_back(s);
  }
  auto sections = PsiBuilder::sdt(c);
  ASSERT_GT(sections.size(), 1u);
  for (size_t i = 0; i < sections.size(); ++i) {
    EXPECT_LE(sections[i].size(), 3 + PsiBuilder::kMaxSectionLength);
    EXPECT_EQ(sections[i][6], i);
    EXPECT_EQ(sections[i][7], sections.size() - 1);
  }
  Decoded d;
  dvbpsi_t* h = dvbpsi_new(nullptr, DVBPSI_MSG_NONE);
  ASSERT_TRUE(dvbpsi_AttachDemux(h, onNewSubtable, &d));
  push(h, 0x11, sections);
  dvbpsi_DetachDemux(h);
  dvbpsi_delete(h);
  EXPECT_EQ(d.sdt.size(), 40u);
}

}  // namespace
}  // namespace cv7::sim
