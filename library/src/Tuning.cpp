// Tuning and lock test.
#include "corvane.h"

extern "C" {

int32_t Cvn_TunerLockTest(LnbInfo, TrInfo) { return CVN_ERROR; }
int32_t Cvn_SetChannel(CvnChannelRequest) { return CVN_ERROR; }
int32_t Cvn_StopChannel(CvnChannelRequest) { return CVN_ERROR; }
int32_t Cvn_SetAudioChannel(uint16_t) { return 0; }
int32_t Cvn_GetTunerInformation(uint8_t*) { return 0; }
int32_t Cvn_SetAudioControl(CvnAudioControl) { return 0; }

}  // extern "C"
