// The data path: raw PID data from the driver's data ring to application callbacks.
#include "corvane.h"

extern "C" {

int32_t Cvn_InitDataPath() { return CVN_DATAPATH_ERROR; }
int32_t Cvn_TermDataPath() { return CVN_DATAPATH_NOT_INITIALISED; }
int32_t Cvn_RegisterDataPath(CvnDataPathRegistration) { return CVN_DATAPATH_NOT_INITIALISED; }
int32_t Cvn_UnRegisterDataPath(NetPid) { return CVN_DATAPATH_NOT_INITIALISED; }

}  // extern "C"
