// Turning the driver's program table into the SiList that the application receives.
#pragma once
#include <cstdint>

#include "corvane.h"

namespace corvane::search {

// Classifies the table's programs into TV, radio and data entries. `table` holds the
// 43972 bytes of the driver's program table.
void buildSiList(const uint8_t* table, const LnbInfo& lnb, const TrInfo& lastTr, SiList& list);

}  // namespace corvane::search
