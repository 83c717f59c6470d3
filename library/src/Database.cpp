// The channel database exports: satellite record, transponders, programs, data services,
// favourites. Thin wrappers over ChannelDatabase and FavoriteList; no exception leaves them.
#include "Database.h"

#include "ChannelDatabase.h"
#include "ChannelRecords.h"
#include "FavoriteList.h"
#include "corvane.h"

namespace corvane::db {

bool freeTransponders() {
  channelDatabase().clear();
  return true;
}

void freeFavorites() { favoriteList().clear(); }

bool findTransponder(uint32_t frequency, uint32_t symbolRate, TrInfo& out) {
  for (const ChannelDatabase::Transponder& t : channelDatabase().transponders()) {
    if (t.info.Frequency == frequency && t.info.SymbolRate == symbolRate) {
      out = t.info;
      return true;
    }
  }
  return false;
}

}  // namespace corvane::db

using corvane::ChannelDatabase;
using corvane::channelDatabase;
using corvane::favoriteList;

namespace {

// Copies a favourite out; 0 when there is none.
int32_t giveFavorite(const FavoriteInfo* found, FavoriteInfo* out) {
  if (found == nullptr || out == nullptr) return 0;
  corvane::copyFavorite(*out, *found);
  return 1;
}

}  // namespace

extern "C" {

int32_t Cvn_GetSatelliteInformation(LnbInfo* lnb) {
  if (lnb == nullptr) return 0;
  *lnb = channelDatabase().satellite();
  return 1;
}

int32_t Cvn_SetNewLNBInformation(LnbInfo lnb) {
  channelDatabase().setSatellite(lnb);
  return 1;
}

// Refused when 100 transponders are held or an equal one (frequency, symbol rate,
// polarity) exists. The list makes room for the new node before it renumbers the later
// transponders, so a failed allocation returns 0 with the numbering unchanged.
int32_t Cvn_AddTransponder(TrInfo* tr) {
  return tr != nullptr && channelDatabase().addTransponder(*tr, true) ? 1 : 0;
}

// Keeps the transponder's number and place: no re-sorting, no duplicate check.
int32_t Cvn_UpdateTransponder(TrInfo tr) {
  ChannelDatabase::Transponder* held = channelDatabase().transponder(tr.TransponderNumber);
  if (held == nullptr) return 0;
  tr.TransponderNumber = held->info.TransponderNumber;
  corvane::copyTransponderFields(held->info, tr);
  return 1;
}

int32_t Cvn_DeleteTransponder(uint32_t transponderNumber) {
  return channelDatabase().deleteTransponder(transponderNumber) ? 1 : 0;
}

int32_t Cvn_GetInfoTransponder(uint32_t transponderNumber, TrInfo* tr) {
  const ChannelDatabase::Transponder* held = channelDatabase().transponder(transponderNumber);
  if (held == nullptr || tr == nullptr) return 0;
  corvane::copyTransponderFields(*tr, held->info);
  return 1;
}

int32_t Cvn_GetNumOfTransponder() { return static_cast<int32_t>(channelDatabase().transponderCount()); }

int32_t Cvn_GetNumOfProgram(uint32_t transponderNumber) {
  const ChannelDatabase::Transponder* held = channelDatabase().transponder(transponderNumber);
  return held == nullptr ? 0 : static_cast<int32_t>(held->programs.size());
}

int32_t Cvn_GetNumOfData(uint32_t transponderNumber) {
  const ChannelDatabase::Transponder* held = channelDatabase().transponder(transponderNumber);
  return held == nullptr ? 0 : static_cast<int32_t>(held->data.size());
}

// 1 whenever transponder ChNumber / 100 is held, even without such a program (the record
// is then left as it was).
int32_t Cvn_GetInfoProgram(ProgramInfo* program) {
  if (program == nullptr) return 0;
  ChannelDatabase::Transponder* held = channelDatabase().transponder(program->ChNumber / 100);
  if (held == nullptr) return 0;
  if (const ProgramInfo* found = ChannelDatabase::findProgram(*held, program->ChNumber))
    corvane::copyProgramFields(*program, *found);
  return 1;
}

int32_t Cvn_GetInfoData(DataInfo* data) {
  if (data == nullptr) return 0;
  ChannelDatabase::Transponder* held = channelDatabase().transponder(data->DataNumber / 100);
  if (held == nullptr) return 0;
  if (const DataInfo* found = ChannelDatabase::findData(*held, data->DataNumber))
    corvane::copyDataFields(*data, *found);
  return 1;
}

// The 100th program (data service) of one transponder is refused with 0: its number would
// be the next transponder's first.
int32_t Cvn_AddProgram(uint32_t transponderNumber, ProgramInfo* program) {
  return program != nullptr && channelDatabase().addProgram(transponderNumber, *program) ? 1 : 0;
}

int32_t Cvn_AddData(uint32_t transponderNumber, DataInfo* data) {
  return data != nullptr && channelDatabase().addData(transponderNumber, *data) ? 1 : 0;
}

// 1 whether or not such a program existed.
int32_t Cvn_DeleteProgram(uint32_t chNumber) {
  channelDatabase().deleteProgram(chNumber);
  return 1;
}

int32_t Cvn_DeleteData(uint32_t dataNumber) {
  channelDatabase().deleteData(dataNumber);
  return 1;
}

int32_t Cvn_UpdateProgram(ProgramInfo program) {
  ChannelDatabase::Transponder* held = channelDatabase().transponder(program.ChNumber / 100);
  if (held == nullptr) return 0;
  if (ProgramInfo* found = ChannelDatabase::findProgram(*held, program.ChNumber)) {
    uint32_t number = found->ChNumber;
    *found = corvane::storedProgram(program);
    found->ChNumber = number;
  }
  return 1;
}

int32_t Cvn_UpdateData(DataInfo data) {
  ChannelDatabase::Transponder* held = channelDatabase().transponder(data.DataNumber / 100);
  if (held == nullptr) return 0;
  if (DataInfo* found = ChannelDatabase::findData(*held, data.DataNumber)) corvane::copyDataFields(*found, data);
  return 1;
}

int32_t Cvn_FreeTransponderStructure() { return corvane::db::freeTransponders() ? 1 : 0; }

int32_t Cvn_DeleteFavorite(FavoriteInfo favorite) { return favoriteList().remove(favorite) ? 1 : 0; }

int32_t Cvn_AddFavorite(FavoriteInfo* favorite) {
  return favorite != nullptr && favoriteList().add(*favorite) ? 1 : 0;
}

int32_t Cvn_GetNextFavorite(FavoriteInfo current, FavoriteInfo* next) {
  return giveFavorite(favoriteList().next(current), next);
}

int32_t Cvn_GetPrevFavorite(FavoriteInfo current, FavoriteInfo* previous) {
  return giveFavorite(favoriteList().previous(current), previous);
}

int32_t Cvn_GetFirstProgramInFavorite(FavoriteInfo* first) { return giveFavorite(favoriteList().at(1), first); }

int32_t Cvn_GetNumOfFavorite() { return static_cast<int32_t>(favoriteList().size()); }

int32_t Cvn_GetFavoriteInfo(uint32_t index, FavoriteInfo* favorite) {
  return giveFavorite(favoriteList().at(index), favorite);
}

int32_t Cvn_UpdateFavorite(uint32_t index, FavoriteInfo favorite) {
  return favoriteList().replace(index, favorite) ? 1 : 0;
}

}  // extern "C"
