// Network data configuration: network PIDs, the adapter's IP address, the filter mode and
// the MAC address. The driver owns the one PID table of the card; the library programs the
// card only when the driver's table has changed (its add or remove check answered 1).
#include "NetworkConfig.h"

#include <cstring>

#include "CommandChannel.h"
#include "CommandCodes.h"
#include "ControlCodes.h"
#include "Device.h"
#include "Trace.h"
#include "corvane.h"

namespace corvane::network {

namespace {

// The add or remove check: {Encapsulation, DataPID} as two words, one answer word.
bool pidCheck(uint32_t code, const NetPid& pid, uint32_t& answer) {
  uint32_t words[2] = {pid.Encapsulation, pid.DataPID};
  uint32_t reply[2] = {};
  uint8_t buffer[8];
  std::memcpy(buffer, words, sizeof words);
  uint32_t returned = 0;
  if (!device().request(code, buffer, sizeof buffer, reply, sizeof reply, &returned) || returned < 4) return false;
  answer = reply[0];
  return true;
}

// Commands 5 and 6 carry the five NetPid words at bytes 8..17.
bool pidCommand(uint8_t code, const NetPid& pid) {
  CommandBlock block(code);
  std::memcpy(block.parameters(), &pid, sizeof pid);
  return sendCommand(block) != 0;
}

// The check, then the command; when the card refuses, the opposite check puts the driver's
// table back (its answer does not matter: there is nothing more to undo).
PidChange changePid(uint32_t check, uint32_t undo, uint8_t command, const NetPid& pid) {
  uint32_t answer = 0;
  if (!pidCheck(check, pid, answer)) return PidChange::Failed;
  if (answer == 0) return PidChange::Unchanged;
  if (pidCommand(command, pid)) return PidChange::Changed;
  uint32_t ignored = 0;
  pidCheck(undo, pid, ignored);
  return PidChange::Failed;
}

}  // namespace

PidChange addPid(const NetPid& pid) {
  return changePid(cv7::ctl::IOCTL_CV7_ADD_PID, cv7::ctl::IOCTL_CV7_REMOVE_PID, cv7::cmd::CMD_SET_NETWORK_PID, pid);
}

PidChange removePid(const NetPid& pid) {
  return changePid(cv7::ctl::IOCTL_CV7_REMOVE_PID, cv7::ctl::IOCTL_CV7_ADD_PID, cv7::cmd::CMD_RELEASE_NETWORK_PID,
                   pid);
}

}  // namespace corvane::network

using namespace corvane;

extern "C" {

// 1 also when the driver's table already held the PID (or was full): nothing was sent then.
int32_t Cvn_SetNetworkPID(NetPid pid) {
  trace("Cv7_SetNetworkPID\n");
  int32_t result = network::addPid(pid) != network::PidChange::Failed ? 1 : 0;
  trace("Cv7_SetNetworkPID return = %d\n", result);
  return result;
}

int32_t Cvn_ReleaseNetworkPID(NetPid pid) {
  trace("Cv7_ReleaseNetworkPID\n");
  int32_t result = network::removePid(pid) != network::PidChange::Failed ? 1 : 0;
  trace("Cv7_ReleaseNetworkPID return = %d\n", result);
  return result;
}

// The remove-all request answers no word; every successful request is followed by command
// 24, so the card forgets its PIDs whenever the driver's table was emptied.
int32_t Cvn_ReleaseAllNetworkPID(void) {
  trace("Cv7_ReleaseAllNetworkPID\n");
  uint32_t reply = 0;
  int32_t result = 0;
  if (device().request(cv7::ctl::IOCTL_CV7_RELEASE_ALL_PIDS, nullptr, 0, &reply, sizeof reply)) {
    CommandBlock block(cv7::cmd::CMD_RELEASE_ALL_PIDS);
    result = sendCommand(block) != 0 ? 1 : 0;
  }
  trace("Cv7_ReleaseAllNetworkPID return = %d\n", result);
  return result;
}

int32_t Cvn_SetIPAddress(CvnIpAddress address) {
  trace("Cv7_SetIPAddress\n");
  uint32_t words[4] = {address.Octet[0], address.Octet[1], address.Octet[2], address.Octet[3]};
  int32_t result = 0;
  if (device().request(cv7::ctl::IOCTL_CV7_SET_IP_ADDRESS, words, sizeof words, nullptr, 0)) {
    CommandBlock block(cv7::cmd::CMD_SET_IP_ADDRESS);
    std::memcpy(block.parameters(), address.Octet, 4);
    result = sendCommand(block) != 0 ? 1 : 0;
  }
  trace("Cv7_SetIPAddress return =%d\n", result);
  return result;
}

int32_t Cvn_GetMacAddress(uint8_t mac[6]) {
  if (mac == nullptr) return 0;
  uint32_t words[6] = {};
  uint32_t returned = 0;
  if (!device().request(cv7::ctl::IOCTL_CV7_GET_MAC_ADDRESS, nullptr, 0, words, sizeof words, &returned) ||
      returned < sizeof words) {
    return 0;
  }
  for (int i = 0; i < 6; ++i) mac[i] = uint8_t(words[i]);
  return 1;
}

int32_t Cvn_SetIPorMACfiltering(const uint8_t* mode) {
  if (mode == nullptr) return 0;
  CommandBlock block(cv7::cmd::CMD_SET_FILTER_MODE);
  block.parameters()[0] = *mode;
  return sendCommand(block) != 0 ? 1 : 0;
}

}  // extern "C"
