// The channel database: satellite record, transponders, programs, data services, favourites.
#include "corvane.h"
#include "Database.h"

namespace corvane::db {
bool freeTransponders() { return true; }
void freeFavorites() {}
bool findTransponder(uint32_t, uint32_t, TrInfo&) { return false; }
}  // namespace corvane::db

extern "C" {

int32_t Cvn_GetSatelliteInformation(LnbInfo*) { return 0; }
int32_t Cvn_SetNewLNBInformation(LnbInfo) { return 0; }
int32_t Cvn_AddTransponder(TrInfo*) { return 0; }
int32_t Cvn_UpdateTransponder(TrInfo) { return 0; }
int32_t Cvn_DeleteTransponder(uint32_t) { return 0; }
int32_t Cvn_GetInfoTransponder(uint32_t, TrInfo*) { return 0; }
int32_t Cvn_GetNumOfTransponder() { return 0; }
int32_t Cvn_GetNumOfProgram(uint32_t) { return 0; }
int32_t Cvn_GetNumOfData(uint32_t) { return 0; }
int32_t Cvn_GetInfoProgram(ProgramInfo*) { return 0; }
int32_t Cvn_GetInfoData(DataInfo*) { return 0; }
int32_t Cvn_AddProgram(uint32_t, ProgramInfo*) { return 0; }
int32_t Cvn_AddData(uint32_t, DataInfo*) { return 0; }
int32_t Cvn_DeleteProgram(uint32_t) { return 0; }
int32_t Cvn_DeleteData(uint32_t) { return 0; }
int32_t Cvn_UpdateProgram(ProgramInfo) { return 0; }
int32_t Cvn_UpdateData(DataInfo) { return 0; }
int32_t Cvn_FreeTransponderStructure() { return 0; }
int32_t Cvn_DeleteFavorite(FavoriteInfo) { return 0; }
int32_t Cvn_AddFavorite(FavoriteInfo*) { return 0; }
int32_t Cvn_GetNextFavorite(FavoriteInfo, FavoriteInfo*) { return 0; }
int32_t Cvn_GetPrevFavorite(FavoriteInfo, FavoriteInfo*) { return 0; }
int32_t Cvn_GetFirstProgramInFavorite(FavoriteInfo*) { return 0; }
int32_t Cvn_GetNumOfFavorite() { return 0; }
int32_t Cvn_GetFavoriteInfo(uint32_t, FavoriteInfo*) { return 0; }
int32_t Cvn_UpdateFavorite(uint32_t, FavoriteInfo) { return 0; }

}  // extern "C"
