#include "NetworkPids.h"

#include "Trace.h"

namespace cv7::app {

NetPid networkPidOf(const DataInfo& data, uint16_t transportId) {
  return NetPid{data.DataPID, data.Encapsulation, transportId, data.pgnumber, data.PmtPID};
}

std::vector<NetPid> selectedNetworkPids(uint32_t transponder, uint16_t transportId) {
  std::vector<NetPid> pids;
  if (transponder == 0) return pids;
  const int32_t count = Cvn_GetNumOfData(transponder);
  for (int32_t index = 1; index <= count; ++index) {
    DataInfo data{};
    data.DataNumber = transponder * 100 + uint32_t(index);
    if (!Cvn_GetInfoData(&data)) trace(QStringLiteral("Cvn_GetInfoData %1 failed").arg(data.DataNumber));
    if (data.SetFlag != 1) continue;
    pids.push_back(networkPidOf(data, transportId));
  }
  return pids;
}

void setNetworkPids(const std::vector<NetPid>& pids) {
  for (const NetPid& pid : pids) {
    if (!Cvn_SetNetworkPID(pid)) trace(QStringLiteral("Cvn_SetNetworkPID 0x%1 failed").arg(pid.DataPID, 0, 16));
  }
}

}  // namespace cv7::app
