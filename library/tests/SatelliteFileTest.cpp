// The satellite data file through the exports: the byte layout, the bounded reader, the
// owner stamp and I/O failures. This process has no connection, so its own stamp is 0;
// stamps of other client modes are written into the test files by hand, while a child
// process holds the file open as their live holder would.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstring>

#include "../../tests/integration/ChildProcess.h"
#include "DatabaseTestSupport.h"

namespace {

using namespace cvtest;

class SatelliteFile : public ::testing::Test {
 protected:
  void SetUp() override { resetLibrary(); }
  void TearDown() override { resetLibrary(); }

  // A file with the given stamp and transponder blocks (each with its programs' names).
  struct Block {
    TrInfo tr;
    std::vector<const char*> programs;
    std::vector<uint16_t> dataPids;
  };
  static Bytes craft(uint32_t stamp, const std::vector<Block>& blocks) {
    FileBuilder b;
    b.magic().u32(stamp).record(satellite("Crafted")).u32(static_cast<uint32_t>(blocks.size()));
    for (const Block& block : blocks) {
      b.record(block.tr).u32(static_cast<uint32_t>(block.programs.size()));
      for (const char* name : block.programs) b.record(program(name));
      b.u32(static_cast<uint32_t>(block.dataPids.size()));
      for (uint16_t pid : block.dataPids) b.record(dataService(pid));
    }
    return b.bytes();
  }
  int32_t openAndRead(const std::string& path) {
    if (Cvn_ChannelFileOpen(path.c_str()) != FILE_OPEN_OK) return -1;
    return Cvn_ChannelFileRead();
  }
  static void setStamp(const std::string& path, uint32_t stamp) {
    int fd = ::open(path.c_str(), O_WRONLY);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::pwrite(fd, &stamp, 4, 6), 4);
    ::close(fd);
  }
  static void fillDatabase(uint32_t transponders, uint32_t programs, uint32_t data) {
    Cvn_SetNewLNBInformation(satellite("Big", 10600000));
    for (uint32_t t = 0; t < transponders; ++t) {
      TrInfo tr = transponder(12000000 - t * 1000, 27500 + t, t % 2, static_cast<uint16_t>(t));
      ASSERT_EQ(Cvn_AddTransponder(&tr), 1);
    }
    for (uint32_t t = 1; t <= transponders; ++t) {
      for (uint32_t j = 0; j < programs; ++j) {
        ProgramInfo p = program("Program", static_cast<uint16_t>(j), static_cast<uint16_t>(j % 9));
        ASSERT_EQ(Cvn_AddProgram(t, &p), 1);
      }
      for (uint32_t j = 0; j < data; ++j) {
        DataInfo d = dataService(static_cast<uint16_t>(t * 100 + j));
        ASSERT_EQ(Cvn_AddData(t, &d), 1);
      }
    }
  }
  static std::string programName(uint32_t chNumber) {
    ProgramInfo p{};
    p.ChNumber = chNumber;
    return Cvn_GetInfoProgram(&p) == 1 ? p.ProgramName : "<no transponder>";
  }

  // A child process that has the file open through the library until it is killed.
  static bool holdFile(const std::string& path) { return Cvn_ChannelFileOpen(path.c_str()) == FILE_OPEN_OK; }

  TempDir dir_;
};

TEST_F(SatelliteFile, WritesTheDatabaseInTheFileLayout) {
  Cvn_SetNewLNBInformation(satellite("Astra", 9750000));
  TrInfo high = transponder(12188000, 27500, 2, 1051);
  TrInfo low = transponder(10714000, 22000, 1, 1001);
  ASSERT_EQ(Cvn_AddTransponder(&high), 1);
  ASSERT_EQ(Cvn_AddTransponder(&low), 1);
  ProgramInfo p = program("One", 0x101, 2);
  ASSERT_EQ(Cvn_AddProgram(1, &p), 1);
  DataInfo d = dataService(0x777);
  ASSERT_EQ(Cvn_AddData(2, &d), 1);

  std::string path = dir_.file("layout.cvd");
  ASSERT_EQ(Cvn_ChannelFileCreate(path.c_str()), 1);
  ASSERT_EQ(Cvn_ChannelFileWrite(), 1);
  EXPECT_EQ(Cvn_ChannelFileClose(), 0);  // stamped 0 by this process
  Bytes f = readBytes(path);

  ASSERT_EQ(f.size(), 62u + (20 + 4 + 64 + 4) + (20 + 4 + 4 + 20));
  EXPECT_EQ(std::memcmp(f.data(), "CV9DAT", 6), 0);
  EXPECT_EQ(u32At(f, 6), 0u);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&f[10])), "Astra");
  EXPECT_EQ(u32At(f, 10 + 32), 9750000u);
  EXPECT_EQ(f[10 + 44], 2);
  EXPECT_EQ(f[10 + 45], 3);
  EXPECT_EQ(u32At(f, 58), 2u);
  // Block 1: the lower frequency, with its program.
  EXPECT_EQ(u32At(f, 62), 1u);
  EXPECT_EQ(u32At(f, 66), 10714000u);
  EXPECT_EQ(u32At(f, 70), 22000u);
  EXPECT_EQ(u32At(f, 78) & 0xFFFF, 1001u);
  EXPECT_EQ(u32At(f, 82), 1u);
  EXPECT_EQ(u32At(f, 86), 101u);
  EXPECT_EQ(f[86 + 6], 2);                      // AudioPIDCount
  EXPECT_EQ(u32At(f, 86 + 12), 0u);             // audio entries 2, 3 beyond the count
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&f[86 + 32])), "One");
  EXPECT_EQ(u32At(f, 150), 0u);
  // Block 2.
  EXPECT_EQ(u32At(f, 154), 2u);
  EXPECT_EQ(u32At(f, 158), 12188000u);
  EXPECT_EQ(u32At(f, 174), 0u);
  EXPECT_EQ(u32At(f, 178), 1u);
  EXPECT_EQ(u32At(f, 182), 201u);
  EXPECT_EQ(u32At(f, 182 + 8) & 0xFFFF, 0x777u);
}

TEST_F(SatelliteFile, ReadsAFileWithoutTranspondersAsASatelliteOnly) {
  std::string path = dir_.file("empty.cvd");
  Bytes bytes = craft(0, {});
  ASSERT_EQ(bytes.size(), 62u);
  writeBytes(path, bytes);
  TrInfo old = transponder(11000000);
  ASSERT_EQ(Cvn_AddTransponder(&old), 1);
  EXPECT_EQ(openAndRead(path), 1);
  EXPECT_EQ(Cvn_GetNumOfTransponder(), 0);
  LnbInfo lnb{};
  Cvn_GetSatelliteInformation(&lnb);
  EXPECT_STREQ(lnb.SatelliteName, "Crafted");
}

TEST_F(SatelliteFile, FailsAt57BytesBeforeTheLnbInfo) {
  std::string path = dir_.file("short.cvd");
  Bytes bytes = craft(0, {});
  bytes.resize(57);
  writeBytes(path, bytes);
  Cvn_SetNewLNBInformation(satellite("Kept"));
  EXPECT_EQ(openAndRead(path), 0);
  LnbInfo lnb{};
  Cvn_GetSatelliteInformation(&lnb);
  EXPECT_STREQ(lnb.SatelliteName, "Kept");
}

TEST_F(SatelliteFile, EveryTruncationFailsAtTheItemThatDoesNotFit) {
  Bytes full = craft(0, {{transponder(11000000), {"a", "b"}, {1, 2}}, {transponder(12000000), {"c"}, {}}});
  std::string path = dir_.file("cut.cvd");
  for (size_t length = 0; length < full.size(); ++length) {
    writeBytes(path, Bytes(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(length)));
    int32_t opened = Cvn_ChannelFileOpen(path.c_str());
    if (length < 10) {
      EXPECT_EQ(opened, FILE_OPEN_ERROR) << length;
      continue;
    }
    ASSERT_EQ(opened, FILE_OPEN_OK) << length;
    EXPECT_EQ(Cvn_ChannelFileRead(), 0) << length;
    Cvn_ChannelFileClose();
  }
  writeBytes(path, full);
  EXPECT_EQ(openAndRead(path), 1);
  EXPECT_EQ(Cvn_GetNumOfProgram(1), 2);
}

TEST_F(SatelliteFile, AHugeCountFailsAtTheFirstItemThatIsNotThere) {
  FileBuilder b;
  b.magic().u32(0).record(satellite("Liar")).u32(0xFFFFFFFF);
  b.record(transponder(11000000)).u32(0xFFFFFFFF).record(program("real"));
  std::string path = dir_.file("huge.cvd");
  writeBytes(path, b.bytes());
  EXPECT_EQ(openAndRead(path), 0);
  EXPECT_EQ(Cvn_GetNumOfTransponder(), 1);  // what was read so far stays
  EXPECT_EQ(Cvn_GetNumOfProgram(1), 1);
}

TEST_F(SatelliteFile, ReadsBlocksOutOfOrderIntoFrequencyOrder) {
  std::string path = dir_.file("order.cvd");
  writeBytes(path, craft(0, {{transponder(12188000), {"high"}, {3}},
                             {transponder(10714000), {"low1", "low2"}, {}},
                             {transponder(11778000), {"mid"}, {5, 6}}}));
  ASSERT_EQ(openAndRead(path), 1);
  EXPECT_EQ(programName(101), "low1");
  EXPECT_EQ(programName(102), "low2");
  EXPECT_EQ(programName(201), "mid");
  EXPECT_EQ(programName(301), "high");
  DataInfo d{};
  d.DataNumber = 302;
  ASSERT_EQ(Cvn_GetInfoData(&d), 1);
  EXPECT_EQ(d.DataPID, 0);  // no such entry: left as it was
  d.DataNumber = 301;
  ASSERT_EQ(Cvn_GetInfoData(&d), 1);
  EXPECT_EQ(d.DataPID, 3);
  EXPECT_EQ(Cvn_GetNumOfData(2), 2);
}

TEST_F(SatelliteFile, EqualFrequenciesKeepTheirFileOrderAndManyBlocksSortOnce) {
  std::vector<Block> blocks = {{transponder(12000000, 27500, 1), {"a"}, {}},
                               {transponder(11000000), {"b"}, {}},
                               {transponder(12000000, 27500, 0), {"c"}, {}}};
  for (uint32_t i = 0; i < 5000; ++i) blocks.push_back({transponder(20000000 - i), {}, {static_cast<uint16_t>(i)}});
  std::string path = dir_.file("sorted.cvd");
  writeBytes(path, craft(0, blocks));
  ASSERT_EQ(openAndRead(path), 1);
  EXPECT_EQ(programName(101), "b");
  EXPECT_EQ(programName(201), "a");
  EXPECT_EQ(programName(301), "c");
  ASSERT_EQ(Cvn_GetNumOfTransponder(), 5003);
  DataInfo last{};
  last.DataNumber = 5003 * 100 + 1;
  ASSERT_EQ(Cvn_GetInfoData(&last), 1);
  EXPECT_EQ(last.DataPID, 0);  // the highest frequency came first in the file
  TrInfo fourth{};
  ASSERT_EQ(Cvn_GetInfoTransponder(4, &fourth), 1);
  EXPECT_EQ(fourth.Frequency, 20000000u - 4999);
}

TEST_F(SatelliteFile, TwoEqualTranspondersFailTheReadAtTheSecond) {
  std::string path = dir_.file("twice.cvd");
  writeBytes(path, craft(0, {{transponder(11000000), {"first"}, {}}, {transponder(11000000), {"again"}, {}}}));
  EXPECT_EQ(openAndRead(path), 0);
  EXPECT_EQ(Cvn_GetNumOfTransponder(), 1);
  EXPECT_EQ(programName(101), "first");
}

TEST_F(SatelliteFile, ReadsMoreThan100TranspondersButNotA100thProgram) {
  std::vector<Block> many;
  for (uint32_t i = 0; i < 150; ++i) many.push_back({transponder(10000000 + i * 1000), {}, {}});
  std::string path = dir_.file("many.cvd");
  writeBytes(path, craft(0, many));
  ASSERT_EQ(openAndRead(path), 1);
  EXPECT_EQ(Cvn_GetNumOfTransponder(), 150);
  TrInfo extra = transponder(13000000);
  EXPECT_EQ(Cvn_AddTransponder(&extra), 0);
  Cvn_ChannelFileClose();

  std::vector<const char*> programs(100, "p");
  writeBytes(path, craft(0, {{transponder(11000000), programs, {}}}));
  EXPECT_EQ(openAndRead(path), 0);
  EXPECT_EQ(Cvn_GetNumOfProgram(1), 99);
}

TEST_F(SatelliteFile, ALargeDatabaseRoundTripsByteForByte) {
  fillDatabase(100, 99, 99);
  std::string first = dir_.file("first.cvd");
  std::string second = dir_.file("second.cvd");
  ASSERT_EQ(Cvn_ChannelFileCreate(first.c_str()), 1);
  ASSERT_EQ(Cvn_ChannelFileWrite(), 1);
  Cvn_ChannelFileClose();
  Cvn_FreeTransponderStructure();
  Cvn_SetNewLNBInformation(LnbInfo{});

  ASSERT_EQ(openAndRead(first), 1);
  Cvn_ChannelFileClose();
  EXPECT_EQ(Cvn_GetNumOfTransponder(), 100);
  EXPECT_EQ(Cvn_GetNumOfData(100), 99);
  ASSERT_EQ(Cvn_ChannelFileCreate(second.c_str()), 1);
  ASSERT_EQ(Cvn_ChannelFileWrite(), 1);
  Cvn_ChannelFileClose();
  Bytes a = readBytes(first);
  EXPECT_EQ(a.size(), 62u + 100u * (28 + 99 * 64 + 99 * 20));
  EXPECT_TRUE(a == readBytes(second));
}

TEST_F(SatelliteFile, ASmallerDatabaseOverALargerFileLeavesTheTailAndReadsBack) {
  fillDatabase(3, 2, 1);
  std::string path = dir_.file("shrink.cvd");
  ASSERT_EQ(Cvn_ChannelFileCreate(path.c_str()), 1);
  ASSERT_EQ(Cvn_ChannelFileWrite(), 1);
  Cvn_ChannelFileClose();
  Bytes large = readBytes(path);

  ASSERT_EQ(Cvn_DeleteTransponder(1), 1);
  ASSERT_EQ(Cvn_ChannelFileOpen(path.c_str()), FILE_OPEN_OK);
  ASSERT_EQ(Cvn_ChannelFileWrite(), 1);
  Cvn_ChannelFileClose();
  Bytes after = readBytes(path);
  ASSERT_EQ(after.size(), large.size());
  size_t written = 62 + 2 * (28 + 2 * 64 + 20);
  EXPECT_TRUE(std::equal(after.begin() + static_cast<std::ptrdiff_t>(written), after.end(),
                         large.begin() + static_cast<std::ptrdiff_t>(written)));

  Cvn_FreeTransponderStructure();
  ASSERT_EQ(openAndRead(path), 1);
  EXPECT_EQ(Cvn_GetNumOfTransponder(), 2);
  EXPECT_EQ(Cvn_GetNumOfProgram(2), 2);
}

TEST_F(SatelliteFile, OwnerStampDecidesWhoMayOpen) {
  std::string path = dir_.file("stamp.cvd");
  writeBytes(path, craft(0, {}));
  cv7::itest::ParkedChild holder([&] { return holdFile(path); });
  ASSERT_TRUE(holder.ready());
  setStamp(path, 3);  // as the live holder of mode 3 has it
  // This process has no connection: its mode is 0, so a file held by mode 3 is in use.
  EXPECT_EQ(Cvn_ChannelFileOpen(path.c_str()), FILE_IS_USING);
  EXPECT_EQ(Cvn_ChannelFileRead(), 0);  // the handle was closed
  EXPECT_EQ(u32At(readBytes(path), 6), 3u);

  setStamp(path, 0);
  EXPECT_EQ(Cvn_ChannelFileOpen(path.c_str()), FILE_OPEN_OK);
  EXPECT_EQ(u32At(readBytes(path), 6), 0u);
  EXPECT_EQ(Cvn_ChannelFileClose(), 0);  // stamp 0: answers 0 but closes
  EXPECT_EQ(Cvn_ChannelFileRead(), 0);
  EXPECT_EQ(Cvn_ChannelFileClose(), 0);
}

TEST_F(SatelliteFile, CloseClearsANonZeroStamp) {
  std::string path = dir_.file("held.cvd");
  writeBytes(path, craft(0, {}));
  ASSERT_EQ(Cvn_ChannelFileOpen(path.c_str()), FILE_OPEN_OK);
  setStamp(path, 1);  // as a holder of mode 1 would leave it
  EXPECT_EQ(Cvn_ChannelFileClose(), 1);
  EXPECT_EQ(u32At(readBytes(path), 6), 0u);
}

// Another process of another client mode holds the file; the same exchange between two
// connected clients needs the driver and is covered with the connection.
TEST_F(SatelliteFile, AStampIsHeldOnlyWhileItsHolderLives) {
  std::string path = dir_.file("shared.cvd");
  writeBytes(path, craft(0, {}));
  auto openInChild = [&] {
    pid_t child = fork();
    if (child == 0) _exit(Cvn_ChannelFileOpen(path.c_str()));
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  };
  cv7::itest::ParkedChild holder([&] { return holdFile(path); });
  ASSERT_TRUE(holder.ready());
  setStamp(path, 1);
  EXPECT_EQ(openInChild(), FILE_IS_USING);
  EXPECT_EQ(Cvn_ChannelFileOpen(path.c_str()), FILE_IS_USING);
  // Killed without closing: its stamp stays in the file, but nobody holds it any more.
  holder.kill();
  EXPECT_EQ(u32At(readBytes(path), 6), 1u);
  EXPECT_EQ(Cvn_ChannelFileOpen(path.c_str()), FILE_OPEN_OK);
  EXPECT_EQ(u32At(readBytes(path), 6), 0u);  // taken over with this process's stamp
  // While this process holds it, a stamp of another mode is live again.
  setStamp(path, 1);
  EXPECT_EQ(openInChild(), FILE_IS_USING);
  Cvn_ChannelFileClose();
}

TEST_F(SatelliteFile, RefusesWhatIsNoSatelliteDataFile) {
  std::string wrong = dir_.file("wrong.cvd");
  Bytes bytes = craft(0, {});
  bytes[0] = 'X';
  writeBytes(wrong, bytes);
  EXPECT_EQ(Cvn_ChannelFileOpen(wrong.c_str()), FILE_OPEN_ERROR);
  EXPECT_EQ(Cvn_ChannelFileOpen(dir_.file("missing.cvd").c_str()), FILE_OPEN_ERROR);
  EXPECT_EQ(Cvn_ChannelFileOpen(dir_.path().c_str()), FILE_OPEN_ERROR);
  EXPECT_EQ(Cvn_ChannelFileOpen(nullptr), FILE_OPEN_ERROR);
  EXPECT_EQ(Cvn_ChannelFileCreate(dir_.path().c_str()), 0);
  EXPECT_EQ(Cvn_ChannelFileCreate(dir_.file("wrong.cvd/below").c_str()), 0);
  EXPECT_EQ(Cvn_ChannelFileRead(), 0);
  EXPECT_EQ(Cvn_ChannelFileWrite(), 0);
  EXPECT_EQ(Cvn_ChannelFileClose(), 0);
}

TEST_F(SatelliteFile, CreateFailsOnAReadOnlyFile) {
  std::string path = dir_.file("readonly.cvd");
  writeBytes(path, craft(0, {}));
  ASSERT_EQ(chmod(path.c_str(), 0444), 0);
  ASSERT_EQ(chmod(dir_.path().c_str(), 0755), 0);
  // Run as an ordinary user, since the superuser may write any file.
  pid_t child = fork();
  if (child == 0) {
    if (geteuid() == 0 && setuid(65534) != 0) _exit(99);
    _exit(Cvn_ChannelFileCreate(path.c_str()) * 10 + Cvn_ChannelFileOpen(path.c_str()));
  }
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(readBytes(path).size(), 62u);
}

TEST_F(SatelliteFile, AFullDiskFailsTheWriteAndTheLibraryCarriesOn) {
  TrInfo tr = transponder(11000000);
  ASSERT_EQ(Cvn_AddTransponder(&tr), 1);
  if (Cvn_ChannelFileCreate("/dev/full") != 1) GTEST_SKIP() << "no /dev/full";
  EXPECT_EQ(Cvn_ChannelFileWrite(), 0);
  Cvn_ChannelFileClose();
  std::string path = dir_.file("after.cvd");
  ASSERT_EQ(Cvn_ChannelFileCreate(path.c_str()), 1);
  EXPECT_EQ(Cvn_ChannelFileWrite(), 1);
  EXPECT_EQ(readBytes(path).size(), 62u + 28u);
}

TEST_F(SatelliteFile, OpeningAnotherFileReplacesTheHandle) {
  std::string one = dir_.file("one.cvd");
  std::string two = dir_.file("two.cvd");
  writeBytes(one, craft(0, {{transponder(11000000), {}, {}}}));
  writeBytes(two, craft(0, {{transponder(11000000), {}, {}}, {transponder(12000000), {}, {}}}));
  ASSERT_EQ(Cvn_ChannelFileOpen(one.c_str()), FILE_OPEN_OK);
  ASSERT_EQ(Cvn_ChannelFileOpen(two.c_str()), FILE_OPEN_OK);
  ASSERT_EQ(Cvn_ChannelFileRead(), 1);
  EXPECT_EQ(Cvn_GetNumOfTransponder(), 2);
  ASSERT_EQ(Cvn_ChannelFileOpen(dir_.file("none.cvd").c_str()), FILE_OPEN_ERROR);
  EXPECT_EQ(Cvn_ChannelFileRead(), 0);
}

}  // namespace
