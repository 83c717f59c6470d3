// The network stack glue: the kernel's multicast list and flags as the adapter sees them,
// and frames completed with TransferData into a pcap file.
#include <gtest/gtest.h>
#include <linux/if.h>
#include <pcap/pcap.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "FrameOutput.h"
#include "Miniport.h"
#include "MulticastMonitor.h"

namespace cv7::host {
namespace {

TEST(DevMcast, ListsTheMulticastAddressesOfOneInterface) {
  const std::string text =
      "1    lo              1     0     01005e000001\n"
      "7    cv7-0           1     0     333300000001\n"
      "7    cv7-0           1     0     01005e7f0234\n"
      "7    cv7-0           1     0     01005eZZ0234\n"  // malformed: ignored
      "7    cv7-0           1\n"                          // truncated: ignored
      "8    cv7-01          1     0     01005e000101\n";
  auto list = parseDevMcast(text, "cv7-0");
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0], (MacAddress{0x33, 0x33, 0, 0, 0, 1}));
  EXPECT_EQ(list[1], (MacAddress{0x01, 0x00, 0x5E, 0x7F, 0x02, 0x34}));
  EXPECT_TRUE(parseDevMcast("", "cv7-0").empty());
}

TEST(DevMcast, TheKernelsOwnLinkLocalMembershipsAreNotTheAdapters) {
  std::vector<MacAddress> kernel = {
      {0x01, 0x00, 0x5E, 0x00, 0x00, 0x01},  // 224.0.0.1, all hosts
      {0x33, 0x33, 0x00, 0x00, 0x00, 0x01},  // ff02::1, all nodes
      {0x33, 0x33, 0xFF, 0x12, 0x34, 0x56},  // a solicited-node group
      {0x01, 0x00, 0x5E, 0x00, 0x00, 0xFB},  // 224.0.0.251
      {0x01, 0x00, 0x5E, 0x01, 0x07, 0x09},  // 239.1.7.9: PID 0x0709
      {0x01, 0x00, 0x5E, 0x00, 0x01, 0x00},  // 224.0.1.0: routable, PID 0x0100
  };
  EXPECT_EQ(adapterGroups(kernel),
            (std::vector<MacAddress>{{0x01, 0x00, 0x5E, 0x01, 0x07, 0x09}, {0x01, 0x00, 0x5E, 0x00, 0x01, 0x00}}));
}

TEST(DevMcast, InterfaceFlagsBecomeThePacketFilter) {
  EXPECT_EQ(packetFilterFor(IFF_UP), 0x0Bu);
  EXPECT_EQ(packetFilterFor(IFF_UP | IFF_ALLMULTI), 0x0Fu);
  EXPECT_EQ(packetFilterFor(IFF_UP | IFF_PROMISC), 0x2Bu);
}

TEST(FrameOutput, WritesFramesToAPcapFileThatReadsBack) {
  char dir[] = "/tmp/cv7-pcap-XXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  std::string path = std::string(dir) + "/frames.pcap";
  uint8_t header[14] = {1, 0, 0x5E, 1, 2, 3, 0, 0, 0x5F, 0x63, 0x6A, 0x28, 8, 0};
  uint8_t payload[40];
  for (int i = 0; i < 40; ++i) payload[i] = uint8_t(i);
  {
    FrameOutput output(nullptr);  // the lookahead holds the whole frame: no TransferData
    std::string error;
    ASSERT_TRUE(output.openPcap(path, error)) << error;
    output.keepInMemory(4);
    output.frame(header, payload, 40, 40);
    output.complete();
    EXPECT_EQ(output.frames(), 1u);
    EXPECT_EQ(output.transfers(), 0u);
    auto kept = output.takeFrames();
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(kept[0].size(), 54u);
  }
  char errbuf[PCAP_ERRBUF_SIZE];
  pcap_t* reader = pcap_open_offline(path.c_str(), errbuf);
  ASSERT_NE(reader, nullptr) << errbuf;
  EXPECT_EQ(pcap_datalink(reader), DLT_EN10MB);
  pcap_pkthdr* record;
  const u_char* data;
  ASSERT_EQ(pcap_next_ex(reader, &record, &data), 1);
  EXPECT_EQ(record->caplen, 54u);
  EXPECT_EQ(std::memcmp(data, header, 14), 0);
  EXPECT_EQ(std::memcmp(data + 14, payload, 40), 0);
  EXPECT_EQ(pcap_next_ex(reader, &record, &data), PCAP_ERROR_BREAK);
  pcap_close(reader);
  std::remove(path.c_str());
  rmdir(dir);
}

}  // namespace
}  // namespace cv7::host
