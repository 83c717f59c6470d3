#include <gtest/gtest.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "Registry.h"
#include "RegistryValueCodec.h"

namespace cv7::registry {
namespace {

namespace fs = std::filesystem;

class RegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("cv7-registry-" + std::to_string(::getpid()) + "-" +
                                       ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    path = (dir / "state" / "registry.sqlite").string();
  }
  void TearDown() override { fs::remove_all(dir); }

  // Another program sharing the store writes a row with plain SQL, as docs/configuration.md
  // describes the table.
  void insertRaw(const std::string& key, const std::string& name, int type, const std::string& bytes) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    sqlite3_stmt* st = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db, "INSERT OR REPLACE INTO registry_value VALUES (?, ?, ?, ?)", -1, &st, nullptr),
              SQLITE_OK);
    sqlite3_bind_text(st, 1, key.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(st, 2, name.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_int(st, 3, type);
    sqlite3_bind_blob(st, 4, bytes.data(), int(bytes.size()), SQLITE_TRANSIENT);
    EXPECT_EQ(sqlite3_step(st), SQLITE_DONE);
    sqlite3_finalize(st);
    sqlite3_close(db);
  }

  fs::path dir;
  std::string path;
};

TEST_F(RegistryTest, FirstWriteCreatesTheStoreWithItsDirectoryAndTheDocumentedRows) {
  Registry registry(path);
  EXPECT_EQ(registry.readInteger("Satellite", "Satellite Num", 0), 0);
  EXPECT_FALSE(fs::exists(path)) << "reading never creates the store";

  ASSERT_TRUE(registry.writeInteger("Satellite", "Satellite Num", 4));
  ASSERT_TRUE(registry.writeText("Satellite", "Satellite Name1", "HOTBIRD"));
  std::vector<RegistryValue> values;
  std::string error;
  ASSERT_TRUE(registry.listValues("", values, error)) << error;
  ASSERT_EQ(values.size(), 2u);
  EXPECT_EQ(values[0].key, "Software\\TVK\\CV7\\Satellite");
  EXPECT_EQ(values[0].name, "Satellite Name1");
  EXPECT_EQ(values[0].type, 1u);
  EXPECT_EQ(values[0].data, (std::vector<uint8_t>{'H', 'O', 'T', 'B', 'I', 'R', 'D', 0}));
  EXPECT_EQ(values[1].type, 4u);
  EXPECT_EQ(values[1].data, (std::vector<uint8_t>{4, 0, 0, 0}));
}

TEST_F(RegistryTest, ReadsFollowTheTypeRulesOfValuesWrittenByOtherPrograms) {
  Registry registry(path);
  ASSERT_TRUE(registry.writeInteger("Net Card", "IP Address", 0));
  const std::string key = "Software\\TVK\\CV7\\Satellite";
  insertRaw(key, "Expand", 2, std::string("%HOME%/x\0", 9));
  insertRaw(key, "Link", 6, std::string("linked\0", 7));
  insertRaw(key, "Unterminated", 1, "abc");
  insertRaw(key, "BigEndian", 5, std::string("\x00\x00\x00\x01", 4));
  insertRaw(key, "Short", 4, std::string("\x01\x02\x03", 3));
  insertRaw(key, "Long", 4, std::string("\x01\x02\x03\x04\x05", 5));
  insertRaw(key, "Unknown", 3, std::string("\x07\x00\x00\x00", 4));

  EXPECT_EQ(registry.readText("Satellite", "Expand", "-"), "%HOME%/x") << "never expanded";
  EXPECT_EQ(registry.readText("Satellite", "Link", "-"), "linked");
  EXPECT_EQ(registry.readText("Satellite", "Unterminated", "-"), "abc");
  EXPECT_EQ(registry.readInteger("Satellite", "BigEndian", -1), 0x01000000) << "taken as stored";
  EXPECT_EQ(registry.readInteger("Satellite", "Short", -1), -1);
  EXPECT_EQ(registry.readInteger("Satellite", "Long", -1), -1);
  EXPECT_EQ(registry.readInteger("Satellite", "Unknown", -1), -1);
  EXPECT_EQ(registry.readText("Satellite", "Unknown", "-"), "-");
  EXPECT_EQ(registry.readInteger("Satellite", "Link", -1), -1) << "a text is no integer";
  EXPECT_EQ(registry.readText("Net Card", "IP Address", "-"), "-") << "an integer is no text";
  EXPECT_EQ(registry.readInteger("Satellite", "Flag New IP", 1), 1) << "never written";
}

TEST_F(RegistryTest, SectionNamingTvkIsAFullKeyAndOtherSectionsGetTheRoot) {
  Registry registry(path);
  ASSERT_TRUE(registry.writeText("Software\\TVK\\Other", "Name", "full"));
  ASSERT_TRUE(registry.writeText("LNB", "Local Oscillator 1", "11300"));
  std::vector<RegistryValue> values;
  std::string error;
  ASSERT_TRUE(registry.listValues("", values, error));
  ASSERT_EQ(values.size(), 2u);
  EXPECT_EQ(values[0].key, "Software\\TVK\\CV7\\LNB");
  EXPECT_EQ(values[1].key, "Software\\TVK\\Other");
  EXPECT_EQ(registry.readText("Software\\TVK\\Other", "Name", ""), "full");
  EXPECT_EQ(registry.readText("Other", "Name", "none"), "none");
  ASSERT_TRUE(registry.listValues("LNB", values, error));
  EXPECT_EQ(values.size(), 1u);
}

TEST_F(RegistryTest, OverwriteAndRemoveKeepOneRowPerValue) {
  Registry registry(path);
  ASSERT_TRUE(registry.writeText("Satellite", "Data SateName", "HOTBIRD"));
  ASSERT_TRUE(registry.writeInteger("Satellite", "Data SateName", 7));
  EXPECT_EQ(registry.readInteger("Satellite", "Data SateName", 0), 7);
  EXPECT_EQ(registry.readText("Satellite", "Data SateName", "-"), "-");
  ASSERT_TRUE(registry.writeText("Satellite", "Empty", ""));
  EXPECT_EQ(registry.readText("Satellite", "Empty", "-"), "") << "an empty text is a value";
  bool removed = false;
  std::string error;
  ASSERT_TRUE(registry.removeValue("Satellite", "Data SateName", removed, error));
  EXPECT_TRUE(removed);
  ASSERT_TRUE(registry.removeValue("Satellite", "Data SateName", removed, error));
  EXPECT_FALSE(removed);
  std::vector<RegistryValue> values;
  ASSERT_TRUE(registry.listValues("Satellite", values, error));
  EXPECT_EQ(values.size(), 1u);
}

TEST_F(RegistryTest, AFileThatIsNotAStoreReadsDefaultsAndIsNeverOverwritten) {
  fs::create_directories(fs::path(path).parent_path());
  const std::string garbage(3000, '\x5a');
  { std::ofstream(path, std::ios::binary) << garbage; }
  Registry registry(path);
  EXPECT_EQ(registry.readInteger("Satellite", "Satellite Num", 9), 9);
  EXPECT_EQ(registry.readText("Satellite", "Satellite Dir", "d"), "d");
  EXPECT_FALSE(registry.writeInteger("Satellite", "Satellite Num", 4));
  std::vector<RegistryValue> values;
  std::string error;
  EXPECT_FALSE(registry.listValues("", values, error));
  EXPECT_FALSE(error.empty());
  std::ifstream in(path, std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), garbage);
}

TEST_F(RegistryTest, AStoreThatCannotBeCreatedFailsItsWritesOnly) {
  fs::create_directories(dir);
  { std::ofstream(dir / "plain-file") << "x"; }
  Registry registry((dir / "plain-file" / "registry.sqlite").string());
  EXPECT_FALSE(registry.writeText("Satellite", "Satellite Dir", "/tmp"));
  EXPECT_EQ(registry.readText("Satellite", "Satellite Dir", "default"), "default");
}

TEST_F(RegistryTest, DefaultPathComesFromTheEnvironment) {
  ::setenv("CV7_REGISTRY", path.c_str(), 1);
  EXPECT_EQ(Registry::defaultPath(), path);
  ::setenv("CV7_REGISTRY", "", 1);
  EXPECT_EQ(Registry::defaultPath(), "/var/lib/cv7/registry.sqlite");
  ::unsetenv("CV7_REGISTRY");
}

TEST(RegistryValueCodecTest, DescribesValuesOnOneLine) {
  EXPECT_EQ(RegistryValueCodec::describe({"k", "n", 1, RegistryValueCodec::encodeText("a\"b\nc")}),
            "text \"a\\\"b\\nc\"");
  EXPECT_EQ(RegistryValueCodec::describe({"k", "n", 4, RegistryValueCodec::encodeInteger(0xFFFFFFFF)}),
            "integer 4294967295 (-1)");
  EXPECT_EQ(RegistryValueCodec::describe({"k", "n", 4, {1, 2}}), "integer, 2 bytes: 01 02");
  EXPECT_EQ(RegistryValueCodec::describe({"k", "n", 9, {}}), "type 9, 0 bytes");
}

}  // namespace
}  // namespace cv7::registry
