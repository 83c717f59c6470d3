// The favourite file through the exports: layout, bounded reading, writing over old files.
#include <gtest/gtest.h>

#include <cstring>

#include "DatabaseTestSupport.h"

namespace {

using namespace cvtest;

class FavoriteFile : public ::testing::Test {
 protected:
  void SetUp() override { resetLibrary(); }
  void TearDown() override { resetLibrary(); }

  static void addFavorites(uint32_t count) {
    for (uint32_t i = 1; i <= count; ++i) {
      FavoriteInfo f = favorite(i % 2 ? "Astra" : "Hotbird", 100 + i, "Fav");
      f.Program.AudioPIDCount = static_cast<uint16_t>(i);
      ASSERT_EQ(Cvn_AddFavorite(&f), 1);
    }
  }
  int32_t writeTo(const std::string& path) {
    if (Cvn_FavoriteFileCreate(path.c_str()) != 1) return -1;
    int32_t written = Cvn_FavoriteWriteFile();
    Cvn_FavoriteFileClose();
    return written;
  }
  int32_t readFrom(const std::string& path) {
    if (Cvn_FavoriteFileOpen(path.c_str()) != FILE_OPEN_OK) return -1;
    int32_t read = Cvn_FavoriteReadFile();
    Cvn_FavoriteFileClose();
    return read;
  }

  TempDir dir_;
};

TEST_F(FavoriteFile, WritesRecordsInListOrderAfterMagicAndCount) {
  addFavorites(3);
  std::string path = dir_.file("Cv7p.fch");
  ASSERT_EQ(writeTo(path), 1);
  Bytes f = readBytes(path);
  ASSERT_EQ(f.size(), 10u + 3 * 132);
  EXPECT_EQ(std::memcmp(f.data(), "CV9DAT", 6), 0);
  EXPECT_EQ(u32At(f, 6), 3u);
  for (uint32_t i = 0; i < 3; ++i) {
    size_t at = 10 + 132 * i;
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&f[at])), i % 2 ? "Hotbird" : "Astra");
    EXPECT_EQ(u32At(f, at + 48 + 4), 11778000u);
    EXPECT_EQ(u32At(f, at + 68), 101u + i);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&f[at + 68 + 32])), "Fav");
  }
}

TEST_F(FavoriteFile, AnEmptyListWritesExactlyTenBytes) {
  std::string path = dir_.file("empty.fch");
  ASSERT_EQ(writeTo(path), 1);
  EXPECT_EQ(readBytes(path), (FileBuilder().magic().u32(0).bytes()));

  addFavorites(2);
  ASSERT_EQ(writeTo(path), 1);
  Bytes before = readBytes(path);
  resetLibrary();
  ASSERT_EQ(Cvn_FavoriteFileOpen(path.c_str()), FILE_OPEN_OK);
  ASSERT_EQ(Cvn_FavoriteWriteFile(), 1);
  Cvn_FavoriteFileClose();
  Bytes after = readBytes(path);
  ASSERT_EQ(after.size(), before.size());
  EXPECT_EQ(u32At(after, 6), 0u);
  EXPECT_TRUE(std::equal(after.begin() + 10, after.end(), before.begin() + 10));
  EXPECT_EQ(readFrom(path), 1);
  EXPECT_EQ(Cvn_GetNumOfFavorite(), 0);
}

TEST_F(FavoriteFile, ThreeWrittenOverFiveReadBackAsThree) {
  addFavorites(5);
  std::string path = dir_.file("over.fch");
  ASSERT_EQ(writeTo(path), 1);
  resetLibrary();
  addFavorites(3);
  ASSERT_EQ(Cvn_FavoriteFileOpen(path.c_str()), FILE_OPEN_OK);
  ASSERT_EQ(Cvn_FavoriteWriteFile(), 1);
  Cvn_FavoriteFileClose();
  EXPECT_EQ(readBytes(path).size(), 10u + 5 * 132);
  resetLibrary();
  EXPECT_EQ(readFrom(path), 1);
  EXPECT_EQ(Cvn_GetNumOfFavorite(), 3);
}

TEST_F(FavoriteFile, RoundTripsByteForByte) {
  addFavorites(40);
  std::string first = dir_.file("a.fch");
  std::string second = dir_.file("b.fch");
  ASSERT_EQ(writeTo(first), 1);
  resetLibrary();
  ASSERT_EQ(readFrom(first), 1);
  EXPECT_EQ(Cvn_GetNumOfFavorite(), 40);
  FavoriteInfo f{};
  ASSERT_EQ(Cvn_GetFavoriteInfo(9, &f), 1);
  EXPECT_EQ(f.Program.AudioPIDCount, 9);  // more than 6: six audio entries came along
  EXPECT_EQ(f.Program.AudioPID[5], 0x205);
  ASSERT_EQ(writeTo(second), 1);
  EXPECT_TRUE(readBytes(first) == readBytes(second));
}

TEST_F(FavoriteFile, FilesTooShortForTheCountFailTheRead) {
  std::string path = dir_.file("short.fch");
  Bytes header = FileBuilder().magic().u32(0).bytes();
  for (size_t length = 6; length <= 9; ++length) {
    writeBytes(path, Bytes(header.begin(), header.begin() + static_cast<std::ptrdiff_t>(length)));
    EXPECT_EQ(readFrom(path), 0) << length;
  }
  writeBytes(path, header);
  EXPECT_EQ(readFrom(path), 1);
}

TEST_F(FavoriteFile, ATruncatedRecordFailsTheReadAndKeepsTheOnesBefore) {
  FileBuilder b;
  b.magic().u32(1000000).record(favorite("A", 101)).record(favorite("A", 102));
  Bytes bytes = b.bytes();
  bytes.resize(bytes.size() + 131, 0);
  std::string path = dir_.file("cut.fch");
  writeBytes(path, bytes);
  addFavorites(4);
  EXPECT_EQ(readFrom(path), 0);
  EXPECT_EQ(Cvn_GetNumOfFavorite(), 2);
}

TEST_F(FavoriteFile, OpenNeedsTheMagicAndCloseNeedsAnOpenFile) {
  std::string wrong = dir_.file("wrong.fch");
  writeBytes(wrong, FileBuilder().raw("CV9DAX", 6).u32(0).bytes());
  EXPECT_EQ(Cvn_FavoriteFileOpen(wrong.c_str()), 0);
  EXPECT_EQ(Cvn_FavoriteFileClose(), 0);
  EXPECT_EQ(Cvn_FavoriteFileOpen(dir_.file("missing.fch").c_str()), 0);
  EXPECT_EQ(Cvn_FavoriteFileOpen(dir_.path().c_str()), 0);
  EXPECT_EQ(Cvn_FavoriteFileCreate(dir_.path().c_str()), 0);
  EXPECT_EQ(Cvn_FavoriteReadFile(), 0);
  EXPECT_EQ(Cvn_FavoriteWriteFile(), 0);

  std::string good = dir_.file("good.fch");
  writeBytes(good, FileBuilder().magic().bytes());
  EXPECT_EQ(Cvn_FavoriteFileOpen(good.c_str()), FILE_OPEN_OK);
  EXPECT_EQ(Cvn_FavoriteReadFile(), 0);  // open checks the magic only
  EXPECT_EQ(Cvn_FavoriteFileClose(), 1);
  EXPECT_EQ(Cvn_FavoriteFileClose(), 0);
}

TEST_F(FavoriteFile, AFullDiskFailsTheWrite) {
  addFavorites(1);
  if (Cvn_FavoriteFileCreate("/dev/full") != 1) GTEST_SKIP() << "no /dev/full";
  EXPECT_EQ(Cvn_FavoriteWriteFile(), 0);
  EXPECT_EQ(Cvn_FavoriteFileClose(), 1);
  EXPECT_EQ(writeTo(dir_.file("after.fch")), 1);
}

}  // namespace
