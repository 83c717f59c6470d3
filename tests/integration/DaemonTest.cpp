// The daemon's start-up, refusals, stop, protocol checks and the command-line client.
#include <fstream>
#include <iterator>

#include "SystemFixture.h"
#include "ControlCodes.h"

namespace cv7::itest {
namespace {

TEST_F(SystemTest, SecondDaemonOnALivePathIsRefused) {
  auto result = runProgram({daemonBinary(), "--foreground", "--socket", daemon.socketPath()}, daemon.dir() + "/second.log");
  EXPECT_EQ(result.status, 3);
  EXPECT_NE(result.output.find("already running"), std::string::npos) << result.output;
  RawConnection still(daemon.socketPath());
  EXPECT_EQ(still.word(ctl::IOCTL_CV7_GET_INTERFACE_VERSION), 2u);
}

TEST_F(SystemTest, StopsOnSigtermAndRemovesItsSockets) {
  EXPECT_EQ(daemon.stop(), 0);
  EXPECT_FALSE(std::filesystem::exists(daemon.socketPath()));
  EXPECT_FALSE(std::filesystem::exists(daemon.socketPath() + ".admin"));
}

TEST_F(SystemTest, SocketAndDirectoryAreForTrustedUsersOnly) {
  namespace fs = std::filesystem;
  auto directory = fs::status(fs::path(daemon.socketPath()).parent_path()).permissions();
  auto socket = fs::status(daemon.socketPath()).permissions();
  EXPECT_EQ(directory & fs::perms::all, fs::perms(0750));
  EXPECT_EQ(socket & fs::perms::all, fs::perms(0660));
}

TEST_F(SystemTest, MalformedRequestsAreRefusedAndTheConnectionGoesOn) {
  RawConnection connection(daemon.socketPath());
  const uint32_t invalid = 0xC000000D;
  EXPECT_EQ(connection.sendRaw({}, 0), invalid);         // empty
  EXPECT_EQ(connection.sendRaw({1, 2, 3}, 0), invalid);  // shorter than a header
  uint32_t header[8] = {0x52375643, 1, ctl::IOCTL_CV7_GET_INTERFACE_VERSION, 100, 8, 0, 0, 0};
  std::vector<uint8_t> message(sizeof header);
  std::memcpy(message.data(), header, sizeof header);
  EXPECT_EQ(connection.sendRaw(message, 8), invalid);  // announces input that is not there
  header[0] = 0x12345678;
  header[3] = 0;
  std::memcpy(message.data(), header, sizeof header);
  EXPECT_EQ(connection.sendRaw(message, 8), invalid);  // wrong magic
  header[0] = 0x52375643;
  header[4] = 1u << 20;
  std::memcpy(message.data(), header, sizeof header);
  EXPECT_EQ(connection.sendRaw(message, 8), invalid);  // output beyond the cap
  header[4] = 8;
  header[5] = 1;
  std::memcpy(message.data(), header, sizeof header);
  EXPECT_EQ(connection.sendRaw(message, 8), invalid);  // names a handle but carries no fd
  EXPECT_EQ(connection.word(ctl::IOCTL_CV7_GET_INTERFACE_VERSION), 2u);
  EXPECT_EQ(daemon.stat("malformed"), 6);
}

TEST_F(SystemTest, AnswerNeverExceedsTheAskedOutputLength) {
  RawConnection connection(daemon.socketPath());
  std::vector<uint8_t> out;
  EXPECT_EQ(connection.request(ctl::IOCTL_CV7_GET_DRIVER_VERSION, {}, 8, &out), 0u);
  EXPECT_EQ(out.size(), 8u);
  EXPECT_EQ(connection.request(0x172FFC, {}, 8, &out), 0xC000000Du);  // unknown code
  EXPECT_TRUE(out.empty());
}

TEST_F(SystemTest, AdminSocketAnswersItsCommands) {
  EXPECT_EQ(daemon.admin("card-event 300"), "error usage: card-event CODE (0..255)");
  EXPECT_EQ(daemon.admin("no-such-thing").rfind("error", 0), 0u);
  EXPECT_EQ(daemon.stat("firmware-running"), 1);
}

TEST_F(SystemTest, CtlInfoPrintsTheVersions) {
  auto result = runProgram({ctlBinary(), "info"}, daemon.dir() + "/info.log");
  EXPECT_EQ(result.status, 0) << result.output;
  EXPECT_NE(result.output.find("interface version: 2.0"), std::string::npos) << result.output;
  EXPECT_NE(result.output.find("driver version: 2.20"), std::string::npos) << result.output;
  EXPECT_NE(result.output.find("firmware version: 1.00"), std::string::npos) << result.output;
}

TEST_F(SystemTest, CtlRawPrintsStatusAndBytes) {
  auto result = runProgram({ctlBinary(), "raw", "0x17204C", "--out", "8"}, daemon.dir() + "/raw.log");
  EXPECT_EQ(result.status, 0) << result.output;
  EXPECT_EQ(result.output, "status 0x00000000\nreturned 8\n02 00 00 00 14 00 00 00\n");
  result = runProgram({ctlBinary(), "raw", "0x17200C", "zz"}, daemon.dir() + "/raw.log");
  EXPECT_EQ(result.status, 2);
}

// Start-up failures, each with its own daemon.
class DaemonStartTest : public ::testing::Test {
 protected:
  Daemon daemon;
};

TEST_F(DaemonStartTest, StaleSocketFileIsReplaced) {
  std::filesystem::create_directories(std::filesystem::path(daemon.socketPath()).parent_path());
  int fd = ::socket(AF_UNIX, SOCK_SEQPACKET, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, daemon.socketPath().c_str(), sizeof address.sun_path - 1);
  ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ::close(fd);  // the file stays, nobody listens
  ASSERT_TRUE(daemon.start()) << daemon.log();
  RawConnection connection(daemon.socketPath());
  EXPECT_EQ(connection.word(ctl::IOCTL_CV7_GET_INTERFACE_VERSION), 2u);
}

TEST_F(DaemonStartTest, BadOptionIsRefused) {
  auto result = runProgram({daemonBinary(), "--no-such-option"}, daemon.dir() + "/out.log");
  EXPECT_EQ(result.status, 2);
  EXPECT_NE(result.output.find("unknown option"), std::string::npos) << result.output;
  result = runProgram({daemonBinary(), "--log-level", "loud"}, daemon.dir() + "/out.log");
  EXPECT_EQ(result.status, 2);
}

TEST_F(DaemonStartTest, MissingFirmwareIsNamed) {
  std::string missing = daemon.dir() + "/no/corvane.bin";
  auto result = runProgram({daemonBinary(), "--foreground", "--socket", daemon.socketPath(), "--firmware", missing},
                           daemon.dir() + "/out.log");
  EXPECT_EQ(result.status, 1);
  EXPECT_NE(result.output.find(missing), std::string::npos) << result.output;
  EXPECT_FALSE(std::filesystem::exists(daemon.socketPath()));
}

TEST_F(DaemonStartTest, CorruptFirmwareFailsTheStartAndSaysWhy) {
  std::ifstream in(binDir() + "/firmware/corvane.bin", std::ios::binary);
  std::vector<char> image((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_GT(image.size(), 32u);
  image.back() ^= 0x5A;  // the checksum no longer matches
  std::string corrupt = daemon.dir() + "/corrupt.bin";
  std::ofstream(corrupt, std::ios::binary).write(image.data(), std::streamsize(image.size()));
  auto result = runProgram({daemonBinary(), "--foreground", "--no-tap", "--socket", daemon.socketPath(), "--firmware", corrupt},
                           daemon.dir() + "/out.log");
  EXPECT_EQ(result.status, 1);
  EXPECT_NE(result.output.find("adapter start failed (status 0xC0010006)"), std::string::npos) << result.output;
  EXPECT_NE(result.output.find("refused"), std::string::npos) << result.output;
  EXPECT_FALSE(std::filesystem::exists(daemon.socketPath()));
}

// Under systemd (Type=notify) the daemon says READY=1 only when its socket serves requests,
// and STOPPING=1 when a stop begins.
TEST_F(DaemonStartTest, TellsTheServiceManagerWhenItIsReadyAndWhenItStops) {
  std::string notifyPath = daemon.dir() + "/notify";
  int notify = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, notifyPath.c_str(), sizeof address.sun_path - 1);
  ASSERT_EQ(::bind(notify, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  timeval limit{20, 0};
  ::setsockopt(notify, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
  auto next = [&] {
    char text[512];
    ssize_t got = ::recv(notify, text, sizeof text, 0);
    return got > 0 ? std::string(text, size_t(got)) : std::string();
  };

  daemon.setEnvironment("NOTIFY_SOCKET", notifyPath);
  daemon.launch();
  std::string ready = next();
  EXPECT_NE(ready.find("READY=1"), std::string::npos) << ready;
  // At that moment a request is answered at once.
  RawConnection connection(daemon.socketPath());
  timeval brief{1, 0};
  ::setsockopt(connection.fd(), SOL_SOCKET, SO_RCVTIMEO, &brief, sizeof brief);
  EXPECT_EQ(connection.word(ctl::IOCTL_CV7_GET_INTERFACE_VERSION), 2u) << daemon.log();
  EXPECT_NE(daemon.log().find("serving"), std::string::npos) << daemon.log();

  connection.close();
  ::kill(daemon.pid(), SIGTERM);
  EXPECT_EQ(next(), "STOPPING=1");
  EXPECT_EQ(daemon.stop(), 0);
  ::close(notify);
}

// A sky whose recording is missing or no transport stream is a bad configuration: the
// start fails naming the recording once, and leaves no socket.
TEST_F(DaemonStartTest, SkyWithAnUnplayableRecordingIsRefused) {
  std::string sky = daemon.dir() + "/sky.json", recording = daemon.dir() + "/rec.ts";
  std::ofstream(sky) << R"({"satellites": [{"name": "T", "dish": {"lnb": {"type": "universal"}}, "transponders": [
      {"frequencyKHz": 11778000, "polarisation": "V", "symbolRateKsps": 27500, "transportStreamId": 1,
       "sources": [{"kind": "ts-file", "pid": 1280, "file": "rec.ts"}]}]}]})";
  for (const char* content : {"", "not a transport stream"}) {
    if (*content) std::ofstream(recording) << content;
    auto result = runProgram({daemonBinary(), "--foreground", "--no-tap", "--socket", daemon.socketPath(), "--sky", sky},
                             daemon.dir() + "/out.log");
    EXPECT_EQ(result.status, 6) << result.output;
    EXPECT_NE(result.output.find(recording + (*content ? ": holds no transport stream" : ": cannot be opened")),
              std::string::npos) << result.output;
    EXPECT_EQ(result.output.find(recording), result.output.rfind(recording)) << result.output;
    EXPECT_EQ(result.output.find(sky), result.output.rfind(sky)) << result.output;
    EXPECT_FALSE(std::filesystem::exists(daemon.socketPath()));
  }
}

TEST_F(DaemonStartTest, UnusableSocketDirectoryIsAPermissionFailure) {
  if (::geteuid() == 0) GTEST_SKIP() << "root may write anywhere";
  std::string locked = daemon.dir() + "/locked";
  std::filesystem::create_directories(locked);
  std::filesystem::permissions(locked, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
  auto result = runProgram({daemonBinary(), "--foreground", "--socket", locked + "/sub/Cv7Dev"}, daemon.dir() + "/out.log");
  EXPECT_EQ(result.status, 4) << result.output;
  std::filesystem::permissions(locked, std::filesystem::perms::owner_all);
}

}  // namespace
}  // namespace cv7::itest
