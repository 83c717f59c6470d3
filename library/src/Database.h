// The channel database as the rest of the library uses it (the exports are in corvane.h).
#pragma once
#include <cstdint>

#include "corvane.h"

namespace corvane::db {

// Empties the transponder list (programs and data services with it); the satellite record
// stays. Used at open for client modes 1 and 3 and by Cvn_FreeTransponderStructure.
bool freeTransponders();
// Empties the favourite list.
void freeFavorites();
// The first transponder (numbers 1..N in order) with this frequency and symbol rate.
bool findTransponder(uint32_t frequency, uint32_t symbolRate, TrInfo& out);

}  // namespace corvane::db
