// Channel search.
#include "corvane.h"

extern "C" {

int32_t Cvn_SearchChannel(uint32_t) { return 0; }
int32_t Cvn_SearchCancel() { return 0; }

}  // extern "C"
