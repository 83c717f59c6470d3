// End to end in a network namespace made by the test: the daemon runs there with its TAP
// interface cv7-0; datagrams from the simulated transponder (a generator and the loopback
// uplink) are received, byte for byte, by UDP sockets bound in that namespace, once the
// library selects their PID; joining and leaving an IP multicast group on cv7-0 reaches
// client 3 as the PID change lists. Everything is removed again however the test ends.
#include <arpa/inet.h>
#include <fcntl.h>
#include <net/if.h>
#include <netinet/in.h>
#include <pcap/pcap.h>
#include <sched.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <thread>

#include <gtest/gtest.h>

#include "DaemonHarness.h"
#include "ts/UdpGenerator.h"

namespace cv7::itest {
namespace {

constexpr uint32_t kStatusMessage = 0x8103;
constexpr uint16_t kUplinkPort = 47123;

// The test sky: one satellite, one transponder with three data PIDs.
std::string skyText() {
  return R"({"satellites": [{
    "name": "E2E", "orbitalPosition": "1.0W", "originalNetworkId": 9,
    "dish": {"diseqcPort": 1, "toneBurst": 0, "lnb": {"type": "universal"}},
    "transponders": [{
      "frequencyKHz": 11778000, "polarisation": "V", "symbolRateKsps": 27500, "transportStreamId": 5,
      "services": [{"programNumber": 1, "pmtPid": "0x0100", "name": "E2E data", "streams": [
        {"type": "dsmcc-d", "pid": "0x0500"}, {"type": "dsmcc-d", "pid": "0x0501"}, {"type": "dsmcc-d", "pid": "0x0502"}]}],
      "sources": [
        {"kind": "generator", "pid": "0x0500", "encapsulation": "mpe", "datagramsPerSecond": 100,
         "payloadSize": 1000, "destination": "239.1.2.3:5000", "source": "10.9.9.9:4000"},
        {"kind": "generator", "pid": "0x0501", "encapsulation": "mpe-llc-snap", "datagramsPerSecond": 50,
         "payloadSize": 200, "destination": "192.0.2.1:5001", "source": "10.9.9.9:4001"},
        {"kind": "uplink", "pid": "0x0502", "encapsulation": "stuffed-pes", "uplinkPort": 47123,
         "destination": "239.1.2.4:5002", "source": "10.9.9.9:4002"}
      ]}]}]})";
}

int run(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()); }

// Runs a function with the calling thread inside a network namespace (sockets made there
// stay there).
template <typename F>
auto inNamespace(const std::string& path, F f) {
  decltype(f()) result{};
  std::thread([&] {
    int ns = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (ns >= 0 && ::setns(ns, CLONE_NEWNET) == 0) result = f();
    if (ns >= 0) ::close(ns);
  }).join();
  return result;
}

class NetworkNamespaceTest : public ::testing::Test {
 protected:
  virtual std::string sky() const { return skyText(); }
  void SetUp() override {
    if (::geteuid() != 0 || run("ip -V") != 0) GTEST_SKIP() << "needs root and iproute2";
    name_ = "cv7e2e" + std::to_string(::getpid());
    ASSERT_EQ(run("ip netns add " + name_), 0) << "cannot make a network namespace";
    made_ = true;
    path_ = "/run/netns/" + name_;
    run("ip netns exec " + name_ + " ip link set lo up");
    run("ip netns exec " + name_ + " sh -c 'echo 0 > /proc/sys/net/ipv4/conf/all/rp_filter'");
    std::ofstream(daemon.dir() + "/sky.json") << sky();
    daemon.setNetworkNamespace(path_);
    ASSERT_TRUE(daemon.start({"--tap", "cv7-0", "--sky", daemon.dir() + "/sky.json"})) << daemon.log();
    ASSERT_TRUE(eventually([&] { return run("ip netns exec " + name_ + " ip link show cv7-0") == 0; },
                           std::chrono::milliseconds(5000)));
    ASSERT_EQ(run("ip netns exec " + name_ + " ip addr add 192.0.2.1/24 dev cv7-0"), 0);
    ::setenv("CV7_DEVICE", daemon.socketPath().c_str(), 1);
    window.copyStatusFor(kStatusMessage);
    ASSERT_EQ(Cvn_OpenSystem(3, window.window(), 0, 1035, kStatusMessage), 1);
    LnbInfo lnb{};
    lnb.DiSEqC = 1;
    lnb.Tone22k = 1;
    TrInfo tr{0, 11778000, 27500, 0, 0, {}};
    ASSERT_EQ(Cvn_TunerLockTest(lnb, tr), CVN_OK);
  }
  void TearDown() override {
    for (int fd : sockets_) ::close(fd);
    Cvn_CloseSystem();
    daemon.stop();
    if (made_) run("ip netns del " + name_);
  }

  // A UDP socket in the namespace bound to a port, joined to a group on cv7-0 if given.
  int receiver(uint16_t port, const char* group = nullptr) {
    int fd = inNamespace(path_, [&] {
      int s = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
      int one = 1;
      ::setsockopt(s, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
      sockaddr_in address{};
      address.sin_family = AF_INET;
      address.sin_port = htons(port);
      if (::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) return -1;
      if (group) {
        ip_mreqn join{};
        inet_pton(AF_INET, group, &join.imr_multiaddr);
        join.imr_ifindex = int(if_nametoindex("cv7-0"));
        if (::setsockopt(s, IPPROTO_IP, IP_ADD_MEMBERSHIP, &join, sizeof join) != 0) return -1;
      }
      timeval wait{0, 200000};
      ::setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
      return s;
    });
    if (fd >= 0) sockets_.push_back(fd);
    return fd;
  }
  // Datagrams that arrive within `limit`.
  std::vector<std::vector<uint8_t>> receive(int fd, size_t want, std::chrono::milliseconds limit) {
    std::vector<std::vector<uint8_t>> got;
    auto end = std::chrono::steady_clock::now() + limit;
    while (got.size() < want && std::chrono::steady_clock::now() < end) {
      uint8_t buffer[2048];
      ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
      if (n >= 0) got.emplace_back(buffer, buffer + n);
    }
    return got;
  }
  // Generator payloads carry their sequence number and due time: rebuild and compare.
  static void expectGenerated(const std::vector<std::vector<uint8_t>>& datagrams, uint32_t size) {
    uint32_t previous = 0;
    for (size_t i = 0; i < datagrams.size(); ++i) {
      const auto& d = datagrams[i];
      ASSERT_EQ(d.size(), size);
      uint32_t sequence = (uint32_t(d[0]) << 24) | (d[1] << 16) | (d[2] << 8) | d[3];
      uint64_t due = 0;
      for (int k = 4; k < 12; ++k) due = (due << 8) | d[k];
      EXPECT_EQ(d, sim::UdpGenerator::payload(sequence, due, size)) << "datagram " << sequence;
      if (i > 0) {
        EXPECT_EQ(sequence, previous + 1) << "lost before " << sequence;
      }
      previous = sequence;
    }
  }

  Daemon daemon;
  RecordingWindow window;
  std::string name_, path_;
  bool made_ = false;
  std::vector<int> sockets_;
};

TEST_F(NetworkNamespaceTest, SelectedMulticastPidArrivesOnASocketAndStopsWhenReleased) {
  int fd = receiver(5000, "239.1.2.3");
  ASSERT_GE(fd, 0);
  EXPECT_TRUE(receive(fd, 1, std::chrono::milliseconds(500)).empty());  // not selected yet
  NetPid pid{0x500, 3, 5, 1, 0x100};
  ASSERT_EQ(Cvn_SetNetworkPID(pid), 1);
  auto got = receive(fd, 100, std::chrono::milliseconds(5000));
  ASSERT_GE(got.size(), 100u);
  expectGenerated(got, 1000);
  ASSERT_EQ(Cvn_ReleaseNetworkPID(pid), 1);
  receive(fd, 1000, std::chrono::milliseconds(300));  // what was on its way
  EXPECT_TRUE(receive(fd, 1, std::chrono::milliseconds(1000)).empty());
}

TEST_F(NetworkNamespaceTest, UnicastToTheInterfaceAddressArrives) {
  int fd = receiver(5001);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(Cvn_SetNetworkPID(NetPid{0x501, 3, 5, 1, 0x100}), 1);
  auto got = receive(fd, 20, std::chrono::milliseconds(5000));
  ASSERT_GE(got.size(), 20u);
  expectGenerated(got, 200);
}

TEST_F(NetworkNamespaceTest, UplinkPayloadsArriveByteIdentical) {
  int fd = receiver(5002, "239.1.2.4");
  ASSERT_GE(fd, 0);
  ASSERT_EQ(Cvn_SetNetworkPID(NetPid{0x502, 5, 5, 1, 0x100}), 1);
  int sender = inNamespace(path_, [] { return ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0); });
  ASSERT_GE(sender, 0);
  sockets_.push_back(sender);
  sockaddr_in uplink{};
  uplink.sin_family = AF_INET;
  uplink.sin_port = htons(kUplinkPort);
  inet_pton(AF_INET, "127.0.0.1", &uplink.sin_addr);
  std::vector<std::vector<uint8_t>> sent;
  for (int i = 0; i < 30; ++i) {
    std::vector<uint8_t> payload(100 + 37 * i);
    for (size_t k = 0; k < payload.size(); ++k) payload[k] = uint8_t(k * 7 + i);  // 0x7D and 0x7E included
    sent.push_back(payload);
    ASSERT_EQ(::sendto(sender, payload.data(), payload.size(), 0, reinterpret_cast<sockaddr*>(&uplink), sizeof uplink),
              ssize_t(payload.size()));
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  auto got = receive(fd, sent.size(), std::chrono::milliseconds(5000));
  EXPECT_EQ(got, sent);
}

TEST_F(NetworkNamespaceTest, JoiningAndLeavingAGroupReachesClientThreeAsPidChanges) {
  auto sawPid = [&](bool joinedList, uint32_t pid) {
    for (const auto& m : window.messages()) {
      if (m.message != kStatusMessage) continue;
      const CvnStatusRecord& r = m.status;
      const uint32_t* list = joinedList ? r.ListB : r.ListA;
      uint8_t count = joinedList ? r.CountB : r.CountA;
      for (uint8_t i = 0; i < count && i < 16; ++i) {
        if (list[i] == pid) return true;
      }
    }
    return false;
  };
  int fd = receiver(5003, "239.1.7.9");  // 01-00-5E-01-07-09: PID 0x0709
  ASSERT_GE(fd, 0);
  EXPECT_TRUE(eventually([&] { return sawPid(true, 0x0709); }, std::chrono::milliseconds(5000)));
  ::close(fd);
  sockets_.pop_back();
  EXPECT_TRUE(eventually([&] { return sawPid(false, 0x0709); }, std::chrono::milliseconds(5000)));
}

// ---- Groups of applications and the kernel's own on cv7-0 ----

// Seven data PIDs, each carrying datagrams to its own group.
std::string sevenGroupsSky() {
  std::string sources;
  for (int k = 1; k <= 7; ++k) {
    if (k > 1) sources += ",";
    char text[400];
    std::snprintf(text, sizeof text,
                  R"({"kind": "generator", "pid": "0x060%d", "encapsulation": "mpe", "datagramsPerSecond": 50,
                     "payloadSize": 100, "destination": "239.2.0.%d:600%d", "source": "10.9.9.9:4000"})", k, k, k);
    sources += text;
  }
  return R"({"satellites": [{
    "name": "E2E", "orbitalPosition": "1.0W", "originalNetworkId": 9,
    "dish": {"diseqcPort": 1, "toneBurst": 0, "lnb": {"type": "universal"}},
    "transponders": [{"frequencyKHz": 11778000, "polarisation": "V", "symbolRateKsps": 27500,
      "transportStreamId": 5, "sources": [)" + sources + "]}]}]}";
}

class MulticastGroupsTest : public NetworkNamespaceTest {
 protected:
  std::string sky() const override { return sevenGroupsSky(); }
};

// Besides the applications' seven groups the kernel keeps its own on cv7-0 (224.0.0.1, the
// IPv6 all-nodes and solicited-node groups): those are not the adapter's, so the seven fit its
// list of eight, reach the card, and the card's MAC filter passes their data.
TEST_F(MulticastGroupsTest, SevenGroupsJoinedOnTheInterfaceAllReceiveInMacFilterMode) {
  std::vector<int> fds;
  for (int k = 1; k <= 7; ++k) {
    std::string group = "239.2.0." + std::to_string(k);
    fds.push_back(receiver(uint16_t(6000 + k), group.c_str()));
    ASSERT_GE(fds.back(), 0);
    ASSERT_EQ(Cvn_SetNetworkPID(NetPid{uint16_t(0x600 + k), 3, 5, 1, 0x100}), 1);
  }
  uint8_t macFilter = 2;
  ASSERT_EQ(Cvn_SetIPorMACfiltering(&macFilter), 1);
  ASSERT_TRUE(eventually([&] { return daemon.stat("multicast-count") == 7; })) << daemon.admin("stats");
  for (int k = 1; k <= 7; ++k) {
    auto got = receive(fds[size_t(k - 1)], 10, std::chrono::milliseconds(5000));
    EXPECT_GE(got.size(), 10u) << "group 239.2.0." << k;
  }
  auto stats = daemon.stats();
  EXPECT_EQ(stats["multicast-groups"], 7);
  EXPECT_EQ(stats["multicast-refused"], 0);
}

// A ninth group does not fit: the list is refused, and the user sees it in the stats and
// the log, not only as missing data.
TEST_F(MulticastGroupsTest, AListLongerThanTheAdaptersIsReportedInStatsAndLog) {
  for (int k = 1; k <= 9; ++k) {
    std::string group = "239.2.1." + std::to_string(k);
    ASSERT_GE(receiver(uint16_t(6100 + k), group.c_str()), 0);
  }
  ASSERT_TRUE(eventually([&] { return daemon.stat("multicast-refused") >= 1; })) << daemon.admin("stats");
  EXPECT_EQ(daemon.stat("multicast-groups"), 9);
  EXPECT_LE(daemon.stat("multicast-count"), 8);  // the adapter keeps the last list that fitted
  EXPECT_TRUE(eventually([&] { return daemon.log().find("9 multicast groups, more than the adapter's 8") != std::string::npos; }))
      << daemon.log();
}

// ---- Every datagram accounted for ----

// Uplinks whose datagrams the test sends: plain, scrambled (dropped by the driver) and the
// byte-stuffed stream; some are too long for an Ethernet frame, some too long for a section.
std::string uplinkSky() {
  return R"({"satellites": [{
    "name": "E2E", "orbitalPosition": "1.0W", "originalNetworkId": 9,
    "dish": {"diseqcPort": 1, "toneBurst": 0, "lnb": {"type": "universal"}},
    "transponders": [{"frequencyKHz": 11778000, "polarisation": "V", "symbolRateKsps": 27500,
      "transportStreamId": 5, "sources": [
        {"kind": "uplink", "pid": "0x0611", "encapsulation": "mpe", "uplinkPort": 47211,
         "destination": "239.3.0.1:6201", "source": "10.9.9.9:4000"},
        {"kind": "uplink", "pid": "0x0612", "encapsulation": "stuffed-pes", "uplinkPort": 47212,
         "destination": "239.3.0.2:6202", "source": "10.9.9.9:4000"},
        {"kind": "uplink", "pid": "0x0613", "encapsulation": "mpe", "uplinkPort": 47213, "scrambledFlags": true,
         "destination": "239.3.0.3:6203", "source": "10.9.9.9:4000"}]}]}]})";
}

class AccountingTest : public NetworkNamespaceTest {
 protected:
  std::string sky() const override { return uplinkSky(); }
  // Sends one payload to an uplink of the card, from inside the namespace.
  void uplink(uint16_t port, size_t size) {
    if (sender_ < 0) {
      sender_ = inNamespace(path_, [] { return ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0); });
      ASSERT_GE(sender_, 0);
      sockets_.push_back(sender_);
    }
    std::vector<uint8_t> payload(size, uint8_t(size));
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    inet_pton(AF_INET, "127.0.0.1", &to.sin_addr);
    ASSERT_EQ(::sendto(sender_, payload.data(), size, 0, reinterpret_cast<sockaddr*>(&to), sizeof to), ssize_t(size));
  }
  int sender_ = -1;
};

// What the card's sources sent is what was delivered plus what some counter of the card or
// the driver shows as not delivered.
TEST_F(AccountingTest, EveryDatagramTheSourcesSentIsDeliveredOrCounted) {
  int plain = receiver(6201, "239.3.0.1"), stuffed = receiver(6202, "239.3.0.2");
  ASSERT_GE(plain, 0);
  ASSERT_GE(stuffed, 0);
  for (uint16_t pid : {0x611, 0x612, 0x613}) ASSERT_EQ(Cvn_SetNetworkPID(NetPid{pid, uint8_t(pid == 0x612 ? 5 : 3), 5, 1, 0x100}), 1);
  auto before = daemon.stats();
  const std::vector<size_t> sizes = {100, 1472, 1600, 700, 5000, 30};  // 1600: above 1500; 5000: above a section
  size_t sent = 0;
  for (int round = 0; round < 5; ++round) {
    for (size_t size : sizes) {
      for (uint16_t port : {47211, 47212, 47213}) {
        uplink(port, size);
        ++sent;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  }
  auto plainGot = receive(plain, 20, std::chrono::milliseconds(5000));
  auto stuffedGot = receive(stuffed, 20, std::chrono::milliseconds(5000));
  std::map<std::string, long> after;
  auto delta = [&](const std::string& name) { return after[name] - before[name]; };
  const char* dropped[] = {"dropped-scrambled", "dropped-no-ip", "dropped-too-long", "dropped-short", "dropped-corrupt",
                           "dropped-unrecognised", "dropped-resync", "card-datagrams-refused", "card-crc-errors",
                           "card-sections-lost", "card-pes-lost", "card-malformed", "card-oversize", "card-filtered",
                           "card-ring-full", "card-dma-dropped"};
  auto accounted = [&] {
    long sum = delta("indicated");
    for (const char* name : dropped) sum += delta(name);
    return sum;
  };
  ASSERT_TRUE(eventually([&] {
    after = daemon.stats();
    return delta("card-datagrams") + delta("card-datagrams-refused") == long(sent) && accounted() == long(sent);
  })) << "sent " << sent << ", " << daemon.admin("stats");
  EXPECT_EQ(delta("card-mux-dropped"), 0);
  EXPECT_EQ(delta("card-datagrams-refused"), 10);  // the 5000-byte ones in sections
  EXPECT_EQ(delta("dropped-scrambled"), 25);       // the others of the scrambled PID
  EXPECT_EQ(delta("dropped-too-long"), 15);        // above 1500: of the plain PIDs, the stuffed 5000 too
  EXPECT_EQ(delta("indicated"), 40);
  EXPECT_EQ(delta("frames"), 40);
  EXPECT_EQ(plainGot.size() + stuffedGot.size(), 40u);
}

// The same reception without a TAP interface, into a pcap file read back with libpcap.
TEST(PcapOutput, FramesOfASelectedPidAreWrittenToThePcapFile) {
  Daemon daemon;
  std::ofstream(daemon.dir() + "/sky.json") << skyText();
  std::string pcapPath = daemon.dir() + "/frames.pcap";
  ASSERT_TRUE(daemon.start({"--sky", daemon.dir() + "/sky.json", "--pcap", pcapPath})) << daemon.log();
  ::setenv("CV7_DEVICE", daemon.socketPath().c_str(), 1);
  ASSERT_EQ(Cvn_OpenSystem(2, nullptr, 0, 0, 0), 1);
  LnbInfo lnb{};
  lnb.DiSEqC = 1;
  lnb.Tone22k = 1;
  ASSERT_EQ(Cvn_TunerLockTest(lnb, TrInfo{0, 11778000, 27500, 0, 0, {}}), CVN_OK);
  ASSERT_EQ(Cvn_SetNetworkPID(NetPid{0x500, 3, 5, 1, 0x100}), 1);
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  Cvn_CloseSystem();
  daemon.stop();

  char error[PCAP_ERRBUF_SIZE];
  pcap_t* file = pcap_open_offline(pcapPath.c_str(), error);
  ASSERT_NE(file, nullptr) << error;
  EXPECT_EQ(pcap_datalink(file), DLT_EN10MB);
  pcap_pkthdr* record;
  const u_char* frame;
  size_t frames = 0;
  while (pcap_next_ex(file, &record, &frame) == 1) {
    ASSERT_EQ(record->caplen, 14u + 20u + 8u + 1000u);
    EXPECT_EQ(frame[0], 0x01);  // 01-00-5E-01-02-03
    EXPECT_EQ(frame[5], 0x03);
    EXPECT_EQ(frame[12], 0x08);
    std::vector<uint8_t> payload(frame + 42, frame + record->caplen);
    uint32_t sequence = (uint32_t(payload[0]) << 24) | (payload[1] << 16) | (payload[2] << 8) | payload[3];
    uint64_t due = 0;
    for (int k = 4; k < 12; ++k) due = (due << 8) | payload[k];
    EXPECT_EQ(payload, sim::UdpGenerator::payload(sequence, due, 1000));
    ++frames;
  }
  pcap_close(file);
  EXPECT_GE(frames, 80u);
}

}  // namespace
}  // namespace cv7::itest
