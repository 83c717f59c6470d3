// The favourite file (.fch).
#include "corvane.h"

extern "C" {

int32_t Cvn_FavoriteFileOpen(const char*) { return 0; }
int32_t Cvn_FavoriteFileCreate(const char*) { return 0; }
int32_t Cvn_FavoriteFileClose() { return 0; }
int32_t Cvn_FavoriteWriteFile() { return 0; }
int32_t Cvn_FavoriteReadFile() { return 0; }

}  // extern "C"
