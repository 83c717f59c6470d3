// The network PIDs of the data services that the user selected (SetFlag 1) on one
// transponder. Reading them touches the library's channel database and belongs on the window
// thread; setting them only asks the driver, so the network worker may do it.
#pragma once
#include <corvane.h>

#include <vector>

namespace cv7::app {

// The PID request of data service `data` on the transport stream `transportId`.
NetPid networkPidOf(const DataInfo& data, uint16_t transportId);

// The PID requests of transponder `transponder`'s selected data services (data numbers
// transponder * 100 + 1 ... n), with `transportId` as their transport stream. A service that
// cannot be read is only traced.
std::vector<NetPid> selectedNetworkPids(uint32_t transponder, uint16_t transportId);

// Asks the driver for each PID; failures are only traced.
void setNetworkPids(const std::vector<NetPid>& pids);

}  // namespace cv7::app
