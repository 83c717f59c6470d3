// Copy rules of the channel records. A stored record never holds more than it may mean:
// padding is zero, and audio entries beyond AudioPIDCount (at most 6 of them) are zero, so
// a database written to a file, read back and written again gives the same bytes.
#pragma once
#include <cstddef>

#include "corvane.h"

namespace corvane {

// Audio entries a copy moves: AudioPIDCount, never more than the 6 the record has room for.
size_t audioEntriesToCopy(const ProgramInfo& program);

// The satellite record as stored: the six fields, padding zero.
LnbInfo storedLnb(const LnbInfo& lnb);
// The five transponder fields, padding zero.
TrInfo storedTransponder(const TrInfo& tr);
// A program as stored (ChNumber left 0): fields from VideoPID on, audio by the copy rule.
ProgramInfo storedProgram(const ProgramInfo& program);
// A data service as stored (DataNumber left 0).
DataInfo storedData(const DataInfo& data);
// A favourite as stored: the whole satellite and transponder, the program by the copy rule.
FavoriteInfo storedFavorite(const FavoriteInfo& favorite);

// Moves the program fields from VideoPID on into `to`; audio entries beyond the copied
// ones keep whatever `to` held.
void copyProgramFields(ProgramInfo& to, const ProgramInfo& from);
// Moves pgnumber, PmtPID, DataPID, Encapsulation, SetFlag and Reserved.
void copyDataFields(DataInfo& to, const DataInfo& from);
// Moves the five transponder fields (padding of `to` stays).
void copyTransponderFields(TrInfo& to, const TrInfo& from);
// Moves a favourite into a caller's record by the same rules.
void copyFavorite(FavoriteInfo& to, const FavoriteInfo& from);

// A favourite is known by its satellite name (compared as a NUL-terminated string within
// its 30 bytes) and its program's ChNumber.
bool sameFavoriteKey(const FavoriteInfo& a, const FavoriteInfo& b);

}  // namespace corvane
