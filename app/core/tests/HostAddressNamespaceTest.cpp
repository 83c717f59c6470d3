// The computer's addresses as the interfaces give them, in a network namespace of the test's
// own where interfaces and addresses appear and vanish, and the adapter following them end to
// end: datagrams that the satellite sends to the computer's address pass the card's IP filter
// only while the adapter carries that address. Needs root (skipped without).
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <fstream>
#include <nlohmann/json.hpp>

#include "FakeHostAddressSource.h"
#include "InterfaceAddressSource.h"
#include "IpAddressUpkeep.h"
#include "NetworkNamespace.h"
#include "NetworkPids.h"
#include "ReceptionFixture.h"
#include "ReceptionStartup.h"
#include "RecordingSetupSheet.h"
#include "StringId.h"

namespace cv7::app::test {
namespace {

uint32_t ip(const char* dotted) {
  in_addr address{};
  ::inet_pton(AF_INET, dotted, &address);
  return address.s_addr;  // the first octet in the lowest byte
}

std::vector<uint32_t> ips(std::initializer_list<const char*> list) {
  std::vector<uint32_t> out;
  for (const char* dotted : list) out.push_back(ip(dotted));
  return out;
}

#define REQUIRE_NAMESPACE(ns) \
  if (!(ns).available()) GTEST_SKIP() << "needs root for a network namespace"

TEST(InterfaceAddressSourceTest, ListsTheAddressesOfUpInterfacesInTheOrderTheyBecameKnown) {
  NetworkNamespace ns;
  REQUIRE_NAMESPACE(ns);
  InterfaceAddressSource source;
  EXPECT_EQ(source.lookUp(), std::vector<uint32_t>{}) << "loopback only";

  ASSERT_TRUE(NetworkNamespace::addInterface("a0"));
  ASSERT_TRUE(NetworkNamespace::addInterface("down0", false));
  ASSERT_TRUE(NetworkNamespace::addAddress("down0", "10.3.0.1/24"));
  ASSERT_TRUE(NetworkNamespace::addAddress("a0", "10.1.0.1/24"));
  EXPECT_EQ(source.lookUp(), ips({"10.1.0.1"}));
  ASSERT_TRUE(NetworkNamespace::addInterface("b0"));
  ASSERT_TRUE(NetworkNamespace::addAddress("b0", "10.2.0.1/24"));
  EXPECT_EQ(source.lookUp(), ips({"10.1.0.1", "10.2.0.1"}));
  ASSERT_TRUE(NetworkNamespace::addAddress("a0", "10.4.0.1/24"));
  EXPECT_EQ(source.lookUp(), ips({"10.1.0.1", "10.2.0.1", "10.4.0.1"})) << "a later address comes later";

  ASSERT_TRUE(NetworkNamespace::deleteAddress("a0", "10.1.0.1/24"));
  EXPECT_EQ(source.lookUp(), ips({"10.2.0.1", "10.4.0.1"}));
  ASSERT_TRUE(NetworkNamespace::addAddress("a0", "10.1.0.1/24"));
  EXPECT_EQ(source.lookUp(), ips({"10.2.0.1", "10.4.0.1", "10.1.0.1"})) << "an address back again is new";

  ASSERT_EQ(NetworkNamespace::shell("ip link set b0 down"), 0);
  EXPECT_EQ(source.lookUp(), ips({"10.4.0.1", "10.1.0.1"}));
}

TEST(InterfaceAddressSourceTest, LeavesOutTheCardsInterfaceAndListsAtMostTwenty) {
  NetworkNamespace ns;
  REQUIRE_NAMESPACE(ns);
  ASSERT_TRUE(NetworkNamespace::addInterface("cv7-0"));
  ASSERT_TRUE(NetworkNamespace::addAddress("cv7-0", "10.7.0.1/24"));
  ASSERT_TRUE(NetworkNamespace::addInterface("card1"));
  ASSERT_EQ(NetworkNamespace::shell("ip link set card1 address 02:11:d1:00:00:07"), 0);
  ASSERT_TRUE(NetworkNamespace::addAddress("card1", "10.7.1.1/24"));
  ASSERT_TRUE(NetworkNamespace::addInterface("a0"));
  for (int i = 1; i <= 22; ++i) ASSERT_TRUE(NetworkNamespace::addAddress("a0", "10.1.0." + std::to_string(i) + "/24"));

  InterfaceAddressSource source;
  source.setCardStationAddress({0x02, 0x11, 0xd1, 0x00, 0x00, 0x07});
  const std::vector<uint32_t> found = source.lookUp().value_or(std::vector<uint32_t>{});
  ASSERT_EQ(found.size(), HostAddressSource::kMaxAddresses);
  EXPECT_EQ(found.front(), ip("10.1.0.1"));
  EXPECT_EQ(found.back(), ip("10.1.0.20"));
}

TEST(InterfaceAddressSourceTest, AskingFirstCancelKeepsTheAdapterWhenARealAddressAppears) {
  NetworkNamespace ns;
  REQUIRE_NAMESPACE(ns);
  ASSERT_TRUE(NetworkNamespace::addInterface("a0"));
  ASSERT_TRUE(NetworkNamespace::addAddress("a0", "10.1.0.1/24"));
  const std::string dir = "/tmp/cv7-app-ns-" + std::to_string(::getpid());
  registry::Registry registry(dir + "/registry.sqlite");
  ConfigurationStore store(registry);
  store.writeInteger(config::kSatellite, config::kFlagNewIp, 0);
  StringTable strings;
  RecordingUserInterface ui(strings);
  RecordingSetupSheet sheet;
  InterfaceAddressSource source;
  IpAddressUpkeep upkeep(store, ui, source, sheet);
  upkeep.networkStartup({});
  ASSERT_EQ(upkeep.adapterAddress(), ip("10.1.0.1"));

  ASSERT_TRUE(NetworkNamespace::addInterface("ppp0"));
  ASSERT_TRUE(NetworkNamespace::addAddress("ppp0", "198.51.100.7/32"));
  ui.answerNext(MessageButton::Cancel);
  upkeep.ipAddressCheck();
  upkeep.ipAddressCheck();
  EXPECT_EQ(ui.texts(), QStringList{"198.51.100.7\n" + strings.text(StringId::NewIpAddress)});
  EXPECT_EQ(upkeep.adapterAddress(), ip("10.1.0.1"));
  std::filesystem::remove_all(dir);
}

// UDP sockets that count the datagrams arriving for each port.
class Receiver {
 public:
  explicit Receiver(uint16_t port) : fd_(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0)) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    bound_ = ::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    timeval wait{0, 20000};
    ::setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
  }
  ~Receiver() { ::close(fd_); }
  bool bound() const { return bound_; }
  int drain() {
    int count = 0;
    char buffer[2048];
    while (::recv(fd_, buffer, sizeof buffer, MSG_DONTWAIT) > 0) ++count;
    return count;
  }

 private:
  int fd_;
  bool bound_ = false;
};

// Datagrams per port over `window`, after what arrived before was dropped.
std::pair<int, int> countFor(Receiver& a, Receiver& b, std::chrono::milliseconds window) {
  a.drain();
  b.drain();
  std::this_thread::sleep_for(window);
  return {a.drain(), b.drain()};
}

class AdapterAddressEndToEndTest : public ReceptionFixture {
 protected:
  bool startDaemon() const override { return false; }

  // The default sky, with HOTBIRD's data beacon replaced by two unicast streams: on the
  // beacon's PID to the computer's first address (port 5000), on PID 0x501 to an address it
  // gets later (port 5001). The data file selects both.
  std::string writeSky() {
    std::ifstream in(CV7_DEFAULT_SKY);
    nlohmann::json sky = nlohmann::json::parse(in);
    auto source = [](const char* pid, const char* destination) {
      return nlohmann::json{{"kind", "generator"}, {"pid", pid}, {"encapsulation", "mpe"},
                            {"datagramsPerSecond", 40}, {"payloadSize", 64}, {"destination", destination},
                            {"source", "10.0.0.1:4000"}, {"selected", true}};
    };
    sky["satellites"][0]["transponders"][0]["sources"] = {source("0x0500", "10.1.0.1:5000"),
                                                          source("0x0501", "10.9.0.1:5001")};
    const std::string path = (root / "sky.json").string();
    std::ofstream(path) << sky.dump(2);

    Cvn_ChannelFileOpen(dataFile("HotBird.cvd").toUtf8().constData());
    Cvn_ChannelFileRead();
    DataInfo later{0, 1000, 0x400, 0x501, 3, 1, 0};
    Cvn_AddData(1, &later);
    Cvn_ChannelFileWrite();
    Cvn_ChannelFileClose();
    emptyLibraryDatabase();
    return path;
  }
};

TEST_F(AdapterAddressEndToEndTest, TheAdapterCarriesTheComputersAddressAndFollowsANewOneAndBack) {
  NetworkNamespace ns;
  REQUIRE_NAMESPACE(ns);
  ASSERT_TRUE(NetworkNamespace::addInterface("a0"));
  ASSERT_TRUE(NetworkNamespace::addAddress("a0", "10.1.0.1/24"));
  daemon.setNetworkNamespace(ns.path());
  ASSERT_TRUE(daemon.start({"--tap", "cv7tap", "--sky", writeSky()})) << daemon.log();
  // The card's own interface has an address too; it is never the computer's.
  ASSERT_TRUE(itest::eventually([] { return NetworkNamespace::addAddress("cv7tap", "10.7.0.1/24"); }));

  FileUpkeep files(state, store, ui, clock);
  ReceptionStartup reception(state, store, ui, files, tv);
  ASSERT_EQ(reception.OnStartProgram(nullptr), 1) << ui.texts().join("|").toStdString();
  ASSERT_EQ(state.m_LockIndicator.load(), 1);
  InterfaceAddressSource source;
  RecordingSetupSheet sheet;
  IpAddressUpkeep upkeep(store, ui, source, sheet);
  upkeep.networkStartup(selectedNetworkPids(state.g_TpNum, state.g_TrInfo.TransportID));
  EXPECT_EQ(upkeep.adapterAddress(), ip("10.1.0.1"));
  EXPECT_EQ(upkeep.knownAddresses(), ips({"10.1.0.1"})) << "not the card's interface";

  Receiver first(5000), later(5001);
  ASSERT_TRUE(first.bound() && later.bound());
  auto [toFirst, toLater] = countFor(first, later, std::chrono::milliseconds(600));
  EXPECT_GT(toFirst, 5) << daemon.log();

  // A new address: the adapter takes it (Flag New IP is 1 by default) and the card now passes
  // only its datagrams, although the first address is still the computer's.
  ASSERT_TRUE(NetworkNamespace::addInterface("ppp0"));
  ASSERT_TRUE(NetworkNamespace::addAddress("ppp0", "10.9.0.1/32"));
  upkeep.ipAddressCheck();
  EXPECT_EQ(upkeep.adapterAddress(), ip("10.9.0.1"));
  EXPECT_EQ(uint32_t(store.readInteger(config::kNetCard, config::kIpAddress, 0)), ip("10.9.0.1"));
  std::tie(toFirst, toLater) = countFor(first, later, std::chrono::milliseconds(600));
  EXPECT_EQ(toFirst, 0);
  EXPECT_GT(toLater, 5);

  // It vanishes: back to the first address, and its datagrams flow again.
  ASSERT_TRUE(NetworkNamespace::deleteAddress("ppp0", "10.9.0.1/32"));
  upkeep.ipAddressCheck();
  EXPECT_EQ(upkeep.adapterAddress(), ip("10.1.0.1"));
  std::tie(toFirst, toLater) = countFor(first, later, std::chrono::milliseconds(600));
  EXPECT_GT(toFirst, 5);
  EXPECT_TRUE(ui.messages().empty());
}

}  // namespace
}  // namespace cv7::app::test
