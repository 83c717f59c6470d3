// Network data configuration: network PIDs, IP address, filter mode, MAC address.
#include "corvane.h"

extern "C" {

int32_t Cvn_SetNetworkPID(NetPid) { return 0; }
int32_t Cvn_ReleaseNetworkPID(NetPid) { return 0; }
int32_t Cvn_ReleaseAllNetworkPID() { return 0; }
int32_t Cvn_SetIPAddress(CvnIpAddress) { return 0; }
int32_t Cvn_GetMacAddress(uint8_t*) { return 0; }
int32_t Cvn_SetIPorMACfiltering(const uint8_t*) { return 0; }

}  // extern "C"
