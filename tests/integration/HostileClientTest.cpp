// The daemon against hostile and careless clients: events that cannot be written, clients
// that die holding registrations, clients that never read, too many connections, skies and
// firmware files beyond any card, socket directories of other users, users outside the group.
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/stat.h>

#include "ChildProcess.h"
#include "ControlCodes.h"
#include "SystemFixture.h"
#include "ThrowawayAccounts.h"

namespace cv7::itest {
namespace {

namespace fs = std::filesystem;

constexpr uint32_t kInvalidParameter = 0xC000000D;
constexpr uint32_t kNotAnEvent = 0xC0000024;
constexpr uint32_t kTooManyConnections = 0xC000009A;

// A child process whose own connection does `setup`, then waits to be killed.
class HoldingClient : public ParkedChild {
 public:
  HoldingClient(const std::string& socket, const std::function<bool(RawConnection&)>& setup)
      // The child never leaves this constructor, so the captured connection stays open.
      : ParkedChild([&socket, &setup, connection = std::shared_ptr<RawConnection>()]() mutable {
          connection = std::make_shared<RawConnection>(socket);
          return connection->connected() && setup(*connection);
        }) {}
};

bool readEvent(int fd) {
  uint64_t count = 0;
  return ::read(fd, &count, sizeof count) == sizeof count;
}

// Sends on a non-blocking socket until the peer stops taking anything.
void sendUntilStuck(int fd, const std::vector<uint8_t>& message) {
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
  for (int sent = 0; sent < 200000; ++sent) {
    if (::send(fd, message.data(), message.size(), MSG_NOSIGNAL) >= 0) continue;
    if (errno != EAGAIN) return;
    pollfd writable{fd, POLLOUT, 0};
    if (::poll(&writable, 1, 300) <= 0) return;  // nothing taken for a while: stuck
  }
}

// A request with a large answer, so that unread answers fill the daemon's side first.
std::vector<uint8_t> tableRequest() {
  uint32_t header[8] = {0x52375643, 1, ctl::IOCTL_CV7_GET_PROGRAM_TABLE, 0, ctl::kProgramTableSize, 0, 0, 0};
  std::vector<uint8_t> message(sizeof header);
  std::memcpy(message.data(), header, sizeof header);
  return message;
}

// ---- Events ----

TEST_F(SystemTest, SaturatedEventfdAndPipeCannotWedgeTheDaemon) {
  RawConnection saturated(daemon.socketPath()), piped(daemon.socketPath());
  int full = ::eventfd(0, 0);  // blocking, as a careless client makes it
  uint64_t most = 0xFFFFFFFFFFFFFFFEull;
  ASSERT_EQ(::write(full, &most, sizeof most), ssize_t(sizeof most));
  EXPECT_EQ(saturated.requestWithFds(ctl::IOCTL_CV7_OPEN_CLIENT, {1, 7, 0}, {full}, {7}), 0u);

  int pipeEnds[2];
  ASSERT_EQ(::pipe(pipeEnds), 0);
  ::fcntl(pipeEnds[1], F_SETFL, O_NONBLOCK);
  char filler[4096] = {};
  while (::write(pipeEnds[1], filler, sizeof filler) > 0) {
  }
  ::fcntl(pipeEnds[1], F_SETFL, 0);  // full and blocking
  EXPECT_EQ(piped.requestWithFds(ctl::IOCTL_CV7_OPEN_CLIENT, {2, 9, 0}, {pipeEnds[1]}, {9}), kNotAnEvent);
  EXPECT_EQ(piped.word(ctl::IOCTL_CV7_QUERY_CLIENT1_OPEN), 1u);  // the connection goes on
  EXPECT_EQ(daemon.stat("events"), 1);                            // the pipe was never taken

  for (int i = 0; i < 3; ++i) ASSERT_TRUE(raise(21));
  // The interrupt thread went on: the event table still takes a client, whose event fires.
  RawConnection later(daemon.socketPath());
  int fresh = ::eventfd(0, EFD_NONBLOCK);
  EXPECT_EQ(later.requestWithFds(ctl::IOCTL_CV7_OPEN_CLIENT, {2, 5, 0}, {fresh}, {5}), 0u);
  ASSERT_TRUE(raise(21));
  EXPECT_TRUE(eventually([&] { return readEvent(fresh); }));
  EXPECT_EQ(daemon.stop(), 0);
  for (int fd : {full, pipeEnds[0], pipeEnds[1], fresh}) ::close(fd);
}

// ---- What a connection holds ----

TEST_F(SystemTest, KilledRawDataClientsLeaveNeitherDataPathNorPids) {
  // One more client than the PID table has entries; each takes the data path and a PID.
  for (uint32_t i = 0; i <= 16; ++i) {
    uint32_t pid = 0x100 + i;
    HoldingClient dump(daemon.socketPath(), [pid](RawConnection& c) {
      int event = ::eventfd(0, EFD_NONBLOCK);
      return c.word(ctl::IOCTL_CV7_ENABLE_DATA_PATH) == 1 &&
             c.requestWithFds(ctl::IOCTL_CV7_OPEN_DATA_PATH, {5}, {event}, {5}) == 0 &&
             c.word(ctl::IOCTL_CV7_ADD_PID, {ctl::kKindRawPackets, pid}) == 1;
    });
    ASSERT_TRUE(dump.ready()) << "client " << i;
    dump.kill();
    ASSERT_TRUE(eventually([&] { return daemon.stat("active-connections") == 0; }));
  }
  EXPECT_EQ(daemon.stat("events"), 0);
  RawConnection probe(daemon.socketPath());
  EXPECT_EQ(probe.word(ctl::IOCTL_CV7_ADD_PID, {ctl::kKindRawPackets, 0x110}), 1u);  // the last one's PID is free
  EXPECT_EQ(probe.word(ctl::IOCTL_CV7_REMOVE_PID, {0, 0x100}), 0u);                 // the first one's is gone
}

TEST_F(SystemTest, ChannelHeldUnderANumberNeverOpenedIsFreedWhenItsHolderDies) {
  HoldingClient holder(daemon.socketPath(), [](RawConnection& c) { return c.word(ctl::IOCTL_CV7_ACQUIRE_CHANNEL, {7}) == 1; });
  ASSERT_TRUE(holder.ready());
  EXPECT_EQ(daemon.stat("channel-owner"), 7);
  holder.kill();
  EXPECT_TRUE(eventually([&] { return daemon.stat("channel-owner") == 0; }));

  // A grant that went to another connection since is not the closed connection's.
  RawConnection first(daemon.socketPath()), second(daemon.socketPath());
  ASSERT_EQ(first.word(ctl::IOCTL_CV7_ACQUIRE_CHANNEL, {1}), 1u);
  ASSERT_EQ(first.request(ctl::IOCTL_CV7_RELEASE_CHANNEL, {}, 0), 0u);
  ASSERT_EQ(second.word(ctl::IOCTL_CV7_ACQUIRE_CHANNEL, {1}), 1u);
  first.close();
  ASSERT_TRUE(eventually([&] { return daemon.stat("active-connections") == 1; }));
  EXPECT_EQ(daemon.stat("channel-owner"), 1);
}

TEST_F(SystemTest, ClosingAConnectionLeavesAnotherConnectionsClientAlone) {
  RawConnection first(daemon.socketPath()), second(daemon.socketPath());
  EXPECT_EQ(first.request(ctl::IOCTL_CV7_OPEN_CLIENT, {1, 0, 0}, 0), 0u);  // without an event
  int event = ::eventfd(0, EFD_NONBLOCK);
  EXPECT_EQ(second.requestWithFds(ctl::IOCTL_CV7_OPEN_CLIENT, {1, 4, 0}, {event}, {4}), 0u);
  first.close();
  ASSERT_TRUE(eventually([&] { return daemon.stat("active-connections") == 1; }));
  EXPECT_EQ(second.word(ctl::IOCTL_CV7_QUERY_CLIENT1_OPEN), 1u);
  EXPECT_EQ(daemon.stat("events"), 1);
  ASSERT_TRUE(raise(21));
  EXPECT_TRUE(eventually([&] { return readEvent(event); }));
  second.close();
  EXPECT_TRUE(eventually([&] { return daemon.stat("events") == 0; }));
  ::close(event);
}

// ---- Clients that never read, too many clients ----

TEST_F(SystemTest, ClientsThatNeverReadAreDroppedAndHoldUpNeitherOthersNorTheStop) {
  RawConnection silent(daemon.socketPath());
  sendUntilStuck(silent.fd(), tableRequest());
  int silentAdmin = connectUnix(daemon.socketPath() + ".admin", SOCK_STREAM);
  ASSERT_GE(silentAdmin, 0);
  std::string stats = "stats\n";  // an answer line many times longer than the command
  sendUntilStuck(silentAdmin, std::vector<uint8_t>(stats.begin(), stats.end()));

  RawConnection other(daemon.socketPath());
  EXPECT_EQ(other.word(ctl::IOCTL_CV7_GET_INTERFACE_VERSION), 2u);
  EXPECT_EQ(daemon.stat("firmware-running"), 1);  // another admin client is served meanwhile
  EXPECT_TRUE(eventually([&] { return daemon.stat("dropped-connections") == 2; }, std::chrono::seconds(15)))
      << daemon.admin("stats");
  EXPECT_NE(daemon.log().find("connection dropped"), std::string::npos) << daemon.log();

  RawConnection silentAtTheEnd(daemon.socketPath());
  sendUntilStuck(silentAtTheEnd.fd(), tableRequest());
  EXPECT_EQ(daemon.stop(), 0);
  ::close(silentAdmin);
}

TEST(ConnectionLimitTest, ConnectionsBeyondTheLimitAreRefusedWithAStatus) {
  Daemon daemon;
  ASSERT_TRUE(daemon.start({"--max-connections", "2"})) << daemon.log();
  // The start's probing connections may still be ending.
  ASSERT_TRUE(eventually([&] { return daemon.stat("active-connections") == 0; }));
  RawConnection first(daemon.socketPath()), second(daemon.socketPath());
  ASSERT_EQ(first.word(ctl::IOCTL_CV7_GET_INTERFACE_VERSION), 2u);
  ASSERT_EQ(second.word(ctl::IOCTL_CV7_GET_INTERFACE_VERSION), 2u);
  long refusedBefore = daemon.stat("refused-connections");
  RawConnection third(daemon.socketPath());
  ASSERT_TRUE(third.connected());
  uint32_t refusal[2] = {};
  EXPECT_EQ(::recv(third.fd(), refusal, sizeof refusal, 0), ssize_t(sizeof refusal));
  EXPECT_EQ(refusal[0], kTooManyConnections);
  EXPECT_EQ(::recv(third.fd(), refusal, sizeof refusal, 0), 0);  // and closed
  EXPECT_EQ(daemon.stat("refused-connections"), refusedBefore + 1);
  first.close();
  EXPECT_TRUE(eventually([&] { return RawConnection(daemon.socketPath()).word(ctl::IOCTL_CV7_GET_INTERFACE_VERSION) == 2; }));
  EXPECT_NE(daemon.log().find("connection limit"), std::string::npos) << daemon.log();
}

// ---- Errors are errors ----

TEST_F(SystemTest, CtlInfoFailsWhenTheCardAnswersWithAnotherReply) {
  ASSERT_EQ(daemon.admin("fault wrong-reply-code on"), "ok");
  auto result = runProgram({ctlBinary(), "info"}, daemon.dir() + "/info.log");
  EXPECT_NE(result.status, 0) << result.output;
  EXPECT_EQ(result.output.find("firmware version: 0.00"), std::string::npos) << result.output;
}

// ---- Start-up refusals ----

class HostileStartTest : public ::testing::Test {
 protected:
  ProcessResult startWith(const std::vector<std::string>& extra, const std::string& socket = "") {
    std::vector<std::string> argv = {daemonBinary(), "--foreground", "--no-tap", "--socket",
                                     socket.empty() ? daemon.socketPath() : socket};
    argv.insert(argv.end(), extra.begin(), extra.end());
    return runProgram(argv, daemon.dir() + "/out.log", std::chrono::seconds(30));  // a daemon that starts is a failure
  }
  Daemon daemon;
};

TEST_F(HostileStartTest, SkyBeyondItsTransponderAndOversizedFirmwareAreRefused) {
  std::string sky = daemon.dir() + "/sky.json";
  std::ofstream(sky) << R"({"satellites": [{"name": "LOUD", "dish": {"diseqcPort": 1, "lnb": {"type": "universal"}},
    "transponders": [{"frequencyKHz": 11778000, "polarisation": "V", "symbolRateKsps": 27500, "transportStreamId": 1,
      "sources": [
        {"kind": "generator", "pid": "0x0500", "datagramsPerSecond": 100000, "payloadSize": 1472},
        {"kind": "generator", "pid": "0x0501", "datagramsPerSecond": 100000, "payloadSize": 1472}]}]}]})";
  auto result = startWith({"--sky", sky});
  EXPECT_EQ(result.status, 6);  // bad configuration
  EXPECT_NE(result.output.find("satellites[0].transponders[0].sources"), std::string::npos) << result.output;

  // A real header announcing 64 MiB of payload, in a sparse file of that size.
  std::ifstream in(binDir() + "/firmware/corvane.bin", std::ios::binary);
  std::vector<char> header(20);
  ASSERT_TRUE(in.read(header.data(), std::streamsize(header.size())));
  uint32_t payload = 64u << 20;
  std::memcpy(header.data() + 12, &payload, 4);
  std::string big = daemon.dir() + "/big.bin";
  std::ofstream(big, std::ios::binary).write(header.data(), std::streamsize(header.size()));
  fs::resize_file(big, header.size() + payload);
  result = startWith({"--firmware", big});
  EXPECT_EQ(result.status, 1);
  EXPECT_NE(result.output.find("more than a firmware image can have"), std::string::npos) << result.output;
}

TEST_F(HostileStartTest, SocketDirectoryWritableByOthersIsRefusedAndLeftAsItWas) {
  std::string open = daemon.dir() + "/open";
  fs::create_directories(open);
  fs::permissions(open, fs::perms(0777));
  auto result = startWith({}, open + "/Cv7Dev");
  EXPECT_EQ(result.status, 4);
  EXPECT_NE(result.output.find("may be written by other users"), std::string::npos) << result.output;
  EXPECT_EQ(fs::status(open).permissions() & fs::perms::all, fs::perms(0777));
  EXPECT_FALSE(fs::exists(open + "/Cv7Dev"));
}

TEST_F(HostileStartTest, SocketDirectoryOfAnotherUserIsRefusedAndLeftAsItWas) {
  if (::geteuid() != 0) GTEST_SKIP() << "only root can give a directory to another user";
  ThrowawayAccounts accounts;
  std::string owner = accounts.addUser("f");
  ASSERT_FALSE(owner.empty());
  std::string foreign = daemon.dir() + "/foreign";
  fs::create_directories(foreign);
  fs::permissions(foreign, fs::perms(0755));
  ASSERT_EQ(::chown(foreign.c_str(), ThrowawayAccounts::uidOf(owner), gid_t(-1)), 0);
  auto result = startWith({}, foreign + "/Cv7Dev");
  EXPECT_EQ(result.status, 4);
  EXPECT_NE(result.output.find("belongs to user"), std::string::npos) << result.output;
  struct stat info {};
  ASSERT_EQ(::stat(foreign.c_str(), &info), 0);
  EXPECT_EQ(info.st_uid, ThrowawayAccounts::uidOf(owner));
  EXPECT_EQ(info.st_mode & 07777, 0755u);
  EXPECT_FALSE(fs::exists(foreign + "/Cv7Dev"));
}

TEST_F(HostileStartTest, OnlyTheGroupReachesTheSocketsAndTheParentStaysAsItWas) {
  if (::geteuid() != 0) GTEST_SKIP() << "only root can make users and groups";
  ThrowawayAccounts accounts;
  std::string group = accounts.addGroup("g");
  ASSERT_FALSE(group.empty());
  std::string member = accounts.addUser("m", group), outsider = accounts.addUser("o");
  ASSERT_FALSE(member.empty() || outsider.empty());
  // Everyone may pass the test's directory, so only the daemon's own modes decide.
  fs::permissions(daemon.dir(), fs::perms(0755));
  struct stat before {}, after {}, made {};
  ASSERT_EQ(::stat(daemon.dir().c_str(), &before), 0);
  ASSERT_TRUE(daemon.start({"--group", group})) << daemon.log();
  ASSERT_EQ(::stat(daemon.dir().c_str(), &after), 0);
  EXPECT_EQ(after.st_uid, before.st_uid);
  EXPECT_EQ(after.st_gid, before.st_gid);
  EXPECT_EQ(after.st_mode, before.st_mode);
  ASSERT_EQ(::stat(fs::path(daemon.socketPath()).parent_path().c_str(), &made), 0);
  EXPECT_EQ(made.st_mode & 07777, 0750u);
  EXPECT_EQ(made.st_gid, ThrowawayAccounts::gidOf(group));

  // 0: both sockets connect, 1: neither, 2: only one.
  auto reach = [&] {
    int control = connectUnix(daemon.socketPath(), SOCK_SEQPACKET);
    int admin = connectUnix(daemon.socketPath() + ".admin", SOCK_STREAM);
    int result = control >= 0 && admin >= 0 ? 0 : control < 0 && admin < 0 ? 1 : 2;
    for (int fd : {control, admin})
      if (fd >= 0) ::close(fd);
    return result;
  };
  EXPECT_EQ(ThrowawayAccounts::runAs(outsider, reach), 1);
  EXPECT_EQ(ThrowawayAccounts::runAs(member, reach), 0);
}

}  // namespace
}  // namespace cv7::itest
