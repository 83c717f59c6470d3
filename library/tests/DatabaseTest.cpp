// The channel database through the exports: numbering in frequency order, renumbering on
// insert and delete, the copy rules, the return rules and the favourite list.
#include <gtest/gtest.h>

#include <cstring>

#include "DatabaseTestSupport.h"

namespace {

using namespace cvtest;

class Database : public ::testing::Test {
 protected:
  void SetUp() override { resetLibrary(); }
  void TearDown() override { resetLibrary(); }

  static uint32_t add(uint32_t frequency, uint32_t polarity = 1) {
    TrInfo tr = transponder(frequency, 27500, polarity);
    EXPECT_EQ(Cvn_AddTransponder(&tr), 1) << frequency;
    return tr.TransponderNumber;
  }
  static uint32_t addProgram(uint32_t t, const char* name) {
    ProgramInfo p = program(name);
    EXPECT_EQ(Cvn_AddProgram(t, &p), 1);
    return p.ChNumber;
  }
  static std::string programName(uint32_t chNumber) {
    ProgramInfo p{};
    p.ChNumber = chNumber;
    if (Cvn_GetInfoProgram(&p) != 1) return "<no transponder>";
    return p.ProgramName;
  }
  static uint32_t frequencyOf(uint32_t number) {
    TrInfo tr{};
    return Cvn_GetInfoTransponder(number, &tr) == 1 ? tr.Frequency : 0;
  }
};

TEST_F(Database, NumbersTranspondersInFrequencyOrderAndMovesTheirPrograms) {
  EXPECT_EQ(add(11778000), 1u);
  EXPECT_EQ(addProgram(1, "first"), 101u);
  EXPECT_EQ(addProgram(1, "second"), 102u);
  DataInfo d = dataService(0x500);
  ASSERT_EQ(Cvn_AddData(1, &d), 1);
  EXPECT_EQ(d.DataNumber, 101u);

  EXPECT_EQ(add(10714000), 1u);
  EXPECT_EQ(add(12188000), 3u);

  EXPECT_EQ(frequencyOf(1), 10714000u);
  EXPECT_EQ(frequencyOf(2), 11778000u);
  EXPECT_EQ(frequencyOf(3), 12188000u);
  EXPECT_EQ(Cvn_GetNumOfProgram(2), 2);
  EXPECT_EQ(programName(201), "first");
  EXPECT_EQ(programName(202), "second");
  DataInfo moved{};
  moved.DataNumber = 201;
  ASSERT_EQ(Cvn_GetInfoData(&moved), 1);
  EXPECT_EQ(moved.DataPID, 0x500);
  EXPECT_EQ(Cvn_GetNumOfProgram(1), 0);
}

TEST_F(Database, RefusesAnEqualTransponderButPlacesOtherPolarityAfterTheHeldOne) {
  add(11778000, 1);
  TrInfo same = transponder(11778000, 27500, 1);
  EXPECT_EQ(Cvn_AddTransponder(&same), 0);
  EXPECT_EQ(add(11778000, 0), 2u);
  EXPECT_EQ(add(10000000), 1u);
  TrInfo second{};
  ASSERT_EQ(Cvn_GetInfoTransponder(3, &second), 1);
  EXPECT_EQ(second.Frequency, 11778000u);
  EXPECT_EQ(second.Polarity, 0u);
  EXPECT_EQ(Cvn_GetNumOfTransponder(), 3);
}

TEST_F(Database, RefusesThe101stTransponder) {
  for (uint32_t i = 0; i < 100; ++i) add(10700000 + i * 1000);
  TrInfo extra = transponder(12000000);
  EXPECT_EQ(Cvn_AddTransponder(&extra), 0);
  EXPECT_EQ(Cvn_GetNumOfTransponder(), 100);
}

TEST_F(Database, DeletingATransponderMovesTheLaterOnesAndTheirEntriesDown) {
  add(10714000);
  add(11778000);
  add(12188000);
  addProgram(3, "on third");
  DataInfo d = dataService(0x600);
  ASSERT_EQ(Cvn_AddData(3, &d), 1);
  EXPECT_EQ(Cvn_DeleteTransponder(2), 1);
  EXPECT_EQ(Cvn_DeleteTransponder(3), 0);
  EXPECT_EQ(Cvn_GetNumOfTransponder(), 2);
  EXPECT_EQ(frequencyOf(2), 12188000u);
  EXPECT_EQ(programName(201), "on third");
  DataInfo moved{};
  moved.DataNumber = 201;
  ASSERT_EQ(Cvn_GetInfoData(&moved), 1);
  EXPECT_EQ(moved.DataPID, 0x600);
  EXPECT_EQ(Cvn_GetNumOfProgram(3), 0);
}

TEST_F(Database, DeletingAProgramClosesTheGapAndAMissingNumberStillSucceeds) {
  add(10714000);
  add(11778000);
  for (const char* name : {"a", "b", "c", "d", "e"}) addProgram(2, name);
  EXPECT_EQ(Cvn_DeleteProgram(203), 1);
  EXPECT_EQ(Cvn_GetNumOfProgram(2), 4);
  EXPECT_EQ(programName(203), "d");
  EXPECT_EQ(programName(204), "e");
  EXPECT_EQ(Cvn_DeleteProgram(299), 1);
  EXPECT_EQ(Cvn_DeleteProgram(999), 1);
  EXPECT_EQ(Cvn_GetNumOfProgram(2), 4);
  ProgramInfo next = program("f");
  ASSERT_EQ(Cvn_AddProgram(2, &next), 1);
  EXPECT_EQ(next.ChNumber, 205u);
}

TEST_F(Database, DeletingADataServiceClosesTheGap) {
  add(10714000);
  for (uint16_t pid = 1; pid <= 3; ++pid) {
    DataInfo d = dataService(pid);
    ASSERT_EQ(Cvn_AddData(1, &d), 1);
  }
  EXPECT_EQ(Cvn_DeleteData(101), 1);
  EXPECT_EQ(Cvn_DeleteData(150), 1);
  ASSERT_EQ(Cvn_GetNumOfData(1), 2);
  DataInfo first{};
  first.DataNumber = 101;
  ASSERT_EQ(Cvn_GetInfoData(&first), 1);
  EXPECT_EQ(first.DataPID, 2);
}

TEST_F(Database, LookUpOfAMissingEntryOnAHeldTransponderSucceedsWithoutTouchingTheRecord) {
  add(10714000);
  addProgram(1, "only");
  ProgramInfo probe;
  std::memset(&probe, 0xEE, sizeof probe);
  probe.ChNumber = 150;
  ProgramInfo before = probe;
  EXPECT_EQ(Cvn_GetInfoProgram(&probe), 1);
  EXPECT_EQ(std::memcmp(&probe, &before, sizeof probe), 0);

  probe.ChNumber = 250;
  EXPECT_EQ(Cvn_GetInfoProgram(&probe), 0);
  DataInfo data{};
  data.DataNumber = 105;
  EXPECT_EQ(Cvn_GetInfoData(&data), 1);
  data.DataNumber = 205;
  EXPECT_EQ(Cvn_GetInfoData(&data), 0);
  EXPECT_EQ(Cvn_UpdateProgram(program("x")), 0);  // ChNumber 0: transponder 0 is never held
  ProgramInfo missing = program("x");
  missing.ChNumber = 160;
  EXPECT_EQ(Cvn_UpdateProgram(missing), 1);
  EXPECT_EQ(programName(101), "only");
}

TEST_F(Database, CopiesOnlyAudioPidCountAudioEntriesAndNeverMoreThanSix) {
  add(10714000);
  ProgramInfo two = program("two", 0x100, 2);
  ProgramInfo many = program("many", 0x100, 9);
  ASSERT_EQ(Cvn_AddProgram(1, &two), 1);
  ASSERT_EQ(Cvn_AddProgram(1, &many), 1);

  ProgramInfo out;
  std::memset(&out, 0xEE, sizeof out);
  out.ChNumber = 101;
  ASSERT_EQ(Cvn_GetInfoProgram(&out), 1);
  EXPECT_EQ(out.AudioPIDCount, 2);
  EXPECT_EQ(out.AudioPID[0], 0x200);
  EXPECT_EQ(out.AudioPID[1], 0x201);
  for (int i = 2; i < 6; ++i) EXPECT_EQ(out.AudioPID[i], 0xEEEE) << i;
  EXPECT_STREQ(out.ProgramName, "two");
  EXPECT_EQ(out.TTxtPID, 0x300);

  out.ChNumber = 102;
  ASSERT_EQ(Cvn_GetInfoProgram(&out), 1);
  EXPECT_EQ(out.AudioPIDCount, 9);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(out.AudioPID[i], 0x200 + i) << i;
  EXPECT_STREQ(out.ProgramName, "many");
}

TEST_F(Database, UpdateTransponderKeepsNumberAndPlace) {
  add(10714000);
  add(11778000);
  TrInfo changed = transponder(12500000, 22000, 0, 77);
  changed.TransponderNumber = 1;
  EXPECT_EQ(Cvn_UpdateTransponder(changed), 1);
  TrInfo out{};
  ASSERT_EQ(Cvn_GetInfoTransponder(1, &out), 1);
  EXPECT_EQ(out.TransponderNumber, 1u);
  EXPECT_EQ(out.Frequency, 12500000u);
  EXPECT_EQ(out.SymbolRate, 22000u);
  EXPECT_EQ(out.TransportID, 77);
  EXPECT_EQ(frequencyOf(2), 11778000u);
  changed.TransponderNumber = 3;
  EXPECT_EQ(Cvn_UpdateTransponder(changed), 0);
}

TEST_F(Database, UpdatesOverwriteEntriesButKeepTheirNumbers) {
  add(10714000);
  addProgram(1, "old");
  DataInfo d = dataService(0x10);
  ASSERT_EQ(Cvn_AddData(1, &d), 1);

  ProgramInfo renamed = program("new", 0, 0);
  renamed.ChNumber = 101;
  EXPECT_EQ(Cvn_UpdateProgram(renamed), 1);
  EXPECT_EQ(programName(101), "new");
  DataInfo changed = dataService(0x20, 5);
  changed.DataNumber = 101;
  changed.SetFlag = 0;
  EXPECT_EQ(Cvn_UpdateData(changed), 1);
  DataInfo out{};
  out.DataNumber = 101;
  ASSERT_EQ(Cvn_GetInfoData(&out), 1);
  EXPECT_EQ(out.DataNumber, 101u);
  EXPECT_EQ(out.DataPID, 0x20);
  EXPECT_EQ(out.Encapsulation, 5);
  EXPECT_EQ(out.SetFlag, 0u);
  EXPECT_EQ(out.Reserved, 0xA5A5A5A5u);
}

TEST_F(Database, RefusesThe100thProgramAndDataServiceOfOneTransponder) {
  add(10714000);
  for (int i = 0; i < 99; ++i) addProgram(1, "p");
  ProgramInfo hundredth = program("too many");
  EXPECT_EQ(Cvn_AddProgram(1, &hundredth), 0);
  for (int i = 0; i < 99; ++i) {
    DataInfo d = dataService(static_cast<uint16_t>(i));
    ASSERT_EQ(Cvn_AddData(1, &d), 1);
    EXPECT_EQ(d.DataNumber, 101u + static_cast<uint32_t>(i));
  }
  DataInfo extra = dataService(0x1FFF);
  EXPECT_EQ(Cvn_AddData(1, &extra), 0);
  EXPECT_EQ(Cvn_GetNumOfProgram(1), 99);
  EXPECT_EQ(Cvn_GetNumOfData(1), 99);
}

TEST_F(Database, EntriesNeedAHeldTransponder) {
  ProgramInfo p = program("orphan");
  DataInfo d = dataService(1);
  EXPECT_EQ(Cvn_AddProgram(1, &p), 0);
  EXPECT_EQ(Cvn_AddData(0, &d), 0);
  EXPECT_EQ(Cvn_GetNumOfProgram(1), 0);
  EXPECT_EQ(Cvn_GetNumOfData(1), 0);
  EXPECT_EQ(Cvn_AddTransponder(nullptr), 0);
  EXPECT_EQ(Cvn_GetInfoProgram(nullptr), 0);
}

TEST_F(Database, FreeingTranspondersKeepsTheSatelliteRecord) {
  LnbInfo lnb = satellite("Astra 19.2E", 9750000);
  EXPECT_EQ(Cvn_SetNewLNBInformation(lnb), 1);
  add(10714000);
  EXPECT_EQ(Cvn_FreeTransponderStructure(), 1);
  EXPECT_EQ(Cvn_GetNumOfTransponder(), 0);
  LnbInfo out{};
  ASSERT_EQ(Cvn_GetSatelliteInformation(&out), 1);
  EXPECT_STREQ(out.SatelliteName, "Astra 19.2E");
  EXPECT_EQ(out.LocalOscillator, 9750000u);
  EXPECT_EQ(out.DiSEqC, 3);
  EXPECT_EQ(add(11000000), 1u);
}

class Favorites : public Database {
 protected:
  static void addFavorite(const char* satelliteName, uint32_t chNumber, const char* name = "Fav") {
    FavoriteInfo f = favorite(satelliteName, chNumber, name);
    ASSERT_EQ(Cvn_AddFavorite(&f), 1);
  }
  static uint32_t nextOf(const char* satelliteName, uint32_t chNumber) {
    FavoriteInfo out{};
    return Cvn_GetNextFavorite(favorite(satelliteName, chNumber), &out) == 1 ? out.Program.ChNumber : 0;
  }
  static uint32_t previousOf(const char* satelliteName, uint32_t chNumber) {
    FavoriteInfo out{};
    return Cvn_GetPrevFavorite(favorite(satelliteName, chNumber), &out) == 1 ? out.Program.ChNumber : 0;
  }
};

TEST_F(Favorites, NextAndPreviousWrapRound) {
  addFavorite("A", 101);
  addFavorite("B", 101);
  addFavorite("A", 205);
  EXPECT_EQ(nextOf("A", 101), 101u);  // B's 101
  EXPECT_EQ(nextOf("A", 205), 101u);
  EXPECT_EQ(previousOf("A", 101), 205u);
  EXPECT_EQ(previousOf("A", 205), 101u);
  EXPECT_EQ(nextOf("C", 101), 0u);
  EXPECT_EQ(previousOf("A", 999), 0u);
  FavoriteInfo after{};
  ASSERT_EQ(Cvn_GetNextFavorite(favorite("A", 101), &after), 1);
  EXPECT_STREQ(after.Lnb.SatelliteName, "B");
}

TEST_F(Favorites, WithOneFavoriteNextAndPreviousReturnIt) {
  FavoriteInfo empty{};
  EXPECT_EQ(Cvn_GetFirstProgramInFavorite(&empty), 0);
  EXPECT_EQ(Cvn_GetNextFavorite(favorite("A", 101), &empty), 0);
  addFavorite("A", 101, "single");
  FavoriteInfo out{};
  ASSERT_EQ(Cvn_GetNextFavorite(favorite("A", 101), &out), 1);
  EXPECT_STREQ(out.Program.ProgramName, "single");
  ASSERT_EQ(Cvn_GetPrevFavorite(favorite("A", 101), &out), 1);
  EXPECT_STREQ(out.Program.ProgramName, "single");
}

TEST_F(Favorites, IndexedAccessAndDeletionByKey) {
  addFavorite("A", 101, "one");
  addFavorite("A", 101, "duplicate");
  addFavorite("B", 302, "three");
  EXPECT_EQ(Cvn_GetNumOfFavorite(), 3);
  FavoriteInfo out{};
  EXPECT_EQ(Cvn_GetFavoriteInfo(0, &out), 0);
  EXPECT_EQ(Cvn_GetFavoriteInfo(4, &out), 0);
  EXPECT_EQ(Cvn_UpdateFavorite(4, favorite("C", 1)), 0);
  ASSERT_EQ(Cvn_UpdateFavorite(3, favorite("C", 401, "replaced")), 1);
  ASSERT_EQ(Cvn_GetFavoriteInfo(3, &out), 1);
  EXPECT_STREQ(out.Program.ProgramName, "replaced");

  EXPECT_EQ(Cvn_DeleteFavorite(favorite("A", 101)), 1);  // the first of the two
  ASSERT_EQ(Cvn_GetFirstProgramInFavorite(&out), 1);
  EXPECT_STREQ(out.Program.ProgramName, "duplicate");
  EXPECT_EQ(Cvn_DeleteFavorite(favorite("B", 302)), 0);
  EXPECT_EQ(Cvn_GetNumOfFavorite(), 2);
}

TEST_F(Favorites, DatabaseChangesLeaveFavoritesAlone) {
  add(11778000);
  uint32_t number = addProgram(1, "news");
  ProgramInfo p{};
  p.ChNumber = number;
  ASSERT_EQ(Cvn_GetInfoProgram(&p), 1);
  FavoriteInfo f = favorite("Astra", number);
  f.Program = p;
  ASSERT_EQ(Cvn_AddFavorite(&f), 1);
  add(10714000);
  Cvn_DeleteProgram(201);
  FavoriteInfo out{};
  ASSERT_EQ(Cvn_GetFavoriteInfo(1, &out), 1);
  EXPECT_EQ(out.Program.ChNumber, 101u);
  EXPECT_STREQ(out.Program.ProgramName, "news");
  Cvn_FreeTransponderStructure();
  EXPECT_EQ(Cvn_GetNumOfFavorite(), 1);
}

TEST_F(Favorites, SatelliteNamesCompareAsTerminatedStrings) {
  FavoriteInfo stored = favorite("Hotbird", 101);
  std::memset(stored.Lnb.SatelliteName + 8, 'x', sizeof stored.Lnb.SatelliteName - 8);
  ASSERT_EQ(Cvn_AddFavorite(&stored), 1);
  EXPECT_EQ(nextOf("Hotbird", 101), 101u);
  FavoriteInfo unterminated = favorite("", 102);
  std::memset(unterminated.Lnb.SatelliteName, 'S', sizeof unterminated.Lnb.SatelliteName);
  ASSERT_EQ(Cvn_AddFavorite(&unterminated), 1);
  EXPECT_EQ(Cvn_DeleteFavorite(unterminated), 1);
  EXPECT_EQ(Cvn_GetNumOfFavorite(), 1);
}

}  // namespace
