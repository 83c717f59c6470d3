// The daemon's parts that stand against careless input: events that cannot take a signal,
// firmware files beyond any image, log lines a client can provoke, the limit options.
#include <gtest/gtest.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <future>

#include "DaemonOptions.h"
#include "EventTable.h"
#include "FirmwareFile.h"
#include "LogLimiter.h"

namespace cv7::host {
namespace {

namespace fs = std::filesystem;

TEST(EventTable, TakesOnlyEventfdsAndASaturatedOneCountsAsSignalledWithoutBlocking) {
  EventTable table;
  int pipeEnds[2];
  ASSERT_EQ(::pipe(pipeEnds), 0);
  EXPECT_EQ(table.add(pipeEnds[1]), 0u);
  EXPECT_FALSE(EventTable::isEventfd(pipeEnds[1]));

  int full = ::eventfd(0, 0);  // blocking, as the client made it
  uint64_t most = 0xFFFFFFFFFFFFFFFEull;
  ASSERT_EQ(::write(full, &most, sizeof most), ssize_t(sizeof most));
  core::EventObject object = table.add(full);
  ASSERT_NE(object, 0u);
  // Would block for good on the client's blocking descriptor; the table's copy does not.
  auto signalled = std::async(std::launch::async, [&] { return table.signal(object); });
  bool returned = signalled.wait_for(std::chrono::seconds(5)) == std::future_status::ready;
  uint64_t drained = 0;
  if (!returned) {
    EXPECT_EQ(::read(full, &drained, sizeof drained), ssize_t(sizeof drained));  // set it free, then fail
  }
  EXPECT_TRUE(returned);
  EXPECT_TRUE(signalled.get());
  // The table stays usable meanwhile: another event is added and released.
  int other = ::eventfd(0, EFD_NONBLOCK);
  core::EventObject second = table.add(other);
  EXPECT_TRUE(table.signal(second));
  table.release(second);
  table.release(object);
  EXPECT_EQ(table.size(), 0u);
  for (int fd : {pipeEnds[0], pipeEnds[1], full, other}) ::close(fd);
}

class FirmwareFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/cv7-firmware-XXXXXX";
    dir_ = ::mkdtemp(pattern);
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string write(const std::string& name, const std::vector<uint8_t>& bytes) {
    std::string path = dir_ + "/" + name;
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return path;
  }
  std::string dir_;
};

TEST_F(FirmwareFileTest, ReadsAnImageAndRefusesWhatNoImageCanBe) {
  std::vector<uint8_t> image = sim::FirmwareImage::buildDefault();
  std::vector<uint8_t> content;
  std::string error;
  ASSERT_TRUE(FirmwareFile::read(write("good.bin", image), content, error)) << error;
  EXPECT_EQ(content, image);

  // Larger than any image: refused before a byte is read, even with a valid header.
  std::string huge = write("huge.bin", std::vector<uint8_t>(image.begin(), image.begin() + 20));
  fs::resize_file(huge, uint64_t(1) << 30);
  EXPECT_FALSE(FirmwareFile::read(huge, content, error));
  EXPECT_NE(error.find("more than a firmware image can have"), std::string::npos) << error;

  std::vector<uint8_t> wrongMagic = image;
  wrongMagic[0] ^= 0xFF;
  EXPECT_FALSE(FirmwareFile::read(write("magic.bin", wrongMagic), content, error));
  EXPECT_NE(error.find("wrong magic"), std::string::npos) << error;

  std::vector<uint8_t> cut(image.begin(), image.end() - 1);
  EXPECT_FALSE(FirmwareFile::read(write("cut.bin", cut), content, error));
  EXPECT_NE(error.find("announces"), std::string::npos) << error;

  EXPECT_FALSE(FirmwareFile::read(write("short.bin", {1, 2, 3}), content, error));
  EXPECT_FALSE(FirmwareFile::read(dir_, content, error));  // a directory
  EXPECT_FALSE(FirmwareFile::read(dir_ + "/missing.bin", content, error));
  EXPECT_EQ(content, image);  // untouched by every refusal
}

TEST(LogLimiter, WritesABurstThenCountsWhatItLeftOut) {
  LogLimiter limiter;
  auto start = std::chrono::steady_clock::now();
  uint64_t suppressed = 99;
  for (unsigned i = 0; i < LogLimiter::kBurst; ++i) {
    ASSERT_TRUE(limiter.allow(suppressed, start));
    EXPECT_EQ(suppressed, 0u);
  }
  for (int i = 0; i < 7; ++i) EXPECT_FALSE(limiter.allow(suppressed, start + std::chrono::seconds(1)));
  EXPECT_TRUE(limiter.allow(suppressed, start + LogLimiter::kInterval));
  EXPECT_EQ(suppressed, 7u);
  EXPECT_EQ(LogLimiter::leftOut(7), " (7 similar lines left out)");
  EXPECT_EQ(LogLimiter::leftOut(0), "");
}

TEST(DaemonOptions, ConnectionLimitAndGroupAreCheckedAndTaken) {
  auto parse = [](std::vector<const char*> args, std::string& error, DaemonOptions& options) {
    args.insert(args.begin(), "cv7");
    return options.parse(int(args.size()), const_cast<char**>(args.data()), error);
  };
  DaemonOptions options;
  std::string error;
  ASSERT_TRUE(parse({}, error, options));
  EXPECT_EQ(options.maxConnections, 64u);
  EXPECT_EQ(options.group, "cv7");
  ASSERT_TRUE(parse({"--max-connections", "3", "--group=receivers"}, error, options)) << error;
  EXPECT_EQ(options.maxConnections, 3u);
  EXPECT_EQ(options.group, "receivers");
  for (const char* bad : {"0", "4097", "-1", "12x", ""}) {
    DaemonOptions refused;
    EXPECT_FALSE(parse({"--max-connections", bad}, error, refused)) << bad;
  }
  EXPECT_FALSE(parse({"--group", ""}, error, options));
}

}  // namespace
}  // namespace cv7::host
