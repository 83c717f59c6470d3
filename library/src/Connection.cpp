// Connection to the driver, threads, messages and the system lifecycle.
#include "corvane.h"
#include "LibraryState.h"

namespace corvane {
uint8_t openClientMode() { return 0; }
}  // namespace corvane

extern "C" {

int32_t Cvn_OpenSystem(uint8_t, CvnWindow*, uint32_t, uint32_t, uint32_t) { return 0; }
int32_t Cvn_CloseSystem() { return 0; }
int32_t Cvn_StartSystem() { return 1; }
int32_t Cvn_StopSystem() { return 1; }
int32_t Cvn_GetVideoMode(uint8_t*) { return 0; }
int32_t Cvn_GetFirmwareVersion(uint8_t*) { return 0; }
int32_t Cvn_GetDriverVersion(uint8_t*) { return 0; }

}  // extern "C"
