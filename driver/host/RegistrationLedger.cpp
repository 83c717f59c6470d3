#include "RegistrationLedger.h"

#include <cstring>
#include <vector>

#include "ChannelArbiter.h"
#include "ControlCodes.h"
#include "Log.h"
#include "Miniport.h"

namespace cv7::host {

using core::Status;

namespace {

uint32_t wordAt(const uint8_t* bytes, uint32_t length, uint32_t offset) {
  if (bytes == nullptr || length < offset + 4) return 0;
  uint32_t value;
  std::memcpy(&value, bytes + offset, 4);
  return value;
}

uint16_t halfAt(const uint8_t* bytes, uint32_t length, uint32_t offset) {
  if (bytes == nullptr || length < offset + 2) return 0;
  uint16_t value;
  std::memcpy(&value, bytes + offset, 2);
  return value;
}

bool isDataPathKind(uint8_t kind) {
  return kind == ctl::kKindRawPackets || kind == ctl::kKindRawPes || kind == ctl::kKindRawSections;
}

}  // namespace

bool RegistrationLedger::changesRegistrations(uint32_t code) {
  switch (code) {
    case ctl::IOCTL_CV7_OPEN_CLIENT:
    case ctl::IOCTL_CV7_CLOSE_CLIENT:
    case ctl::IOCTL_CV7_ACQUIRE_CHANNEL:
    case ctl::IOCTL_CV7_OPEN_DATA_PATH:
    case ctl::IOCTL_CV7_CLOSE_DATA_PATH:
    case ctl::IOCTL_CV7_ENABLE_DATA_PATH:
    case ctl::IOCTL_CV7_ADD_PID:
    case ctl::IOCTL_CV7_REMOVE_PID:
    case ctl::IOCTL_CV7_CLEAR_PIDS:
    case ctl::IOCTL_CV7_RELEASE_ALL_PIDS:
      return true;
    default:
      return false;
  }
}

Status RegistrationLedger::dispatch(uint64_t connection, uint32_t code, uint8_t* buffer, uint32_t inputLength,
                                    uint32_t outputLength, uint32_t& bytesReturned) {
  if (!changesRegistrations(code)) return miniport_.control(code, buffer, inputLength, outputLength, bytesReturned);
  // The answer overwrites the input: take what the record needs first.
  Request request{code, wordAt(buffer, inputLength, 0), halfAt(buffer, inputLength, 4)};
  std::lock_guard guard(mutex_);
  Status status = miniport_.control(code, buffer, inputLength, outputLength, bytesReturned);
  note(connection, request, status, buffer, bytesReturned);
  return status;
}

void RegistrationLedger::note(uint64_t connection, const Request& request, Status status, const uint8_t* output,
                              uint32_t returned) {
  bool answeredOne = core::isSuccess(status) && wordAt(output, returned, 0) == 1;
  uint32_t number = request.word0;
  switch (request.code) {
    case ctl::IOCTL_CV7_OPEN_CLIENT:
      if (core::isSuccess(status) && number >= 1 && number <= 3) clients_[number] = connection;
      break;
    case ctl::IOCTL_CV7_CLOSE_CLIENT:
      if (core::isSuccess(status) && number >= 1 && number <= 3) clients_[number] = 0;
      break;
    case ctl::IOCTL_CV7_ACQUIRE_CHANNEL:
      if (answeredOne) grant_ = {connection, number};
      break;
    case ctl::IOCTL_CV7_ENABLE_DATA_PATH:
      if (answeredOne) dataPath_ = connection;
      break;
    case ctl::IOCTL_CV7_OPEN_DATA_PATH:
      dataPath_ = connection;  // opened even when its event could not be referenced
      break;
    case ctl::IOCTL_CV7_CLOSE_DATA_PATH:
      if (core::isSuccess(status)) dataPath_ = 0;
      break;
    case ctl::IOCTL_CV7_ADD_PID:
      if (answeredOne && isDataPathKind(uint8_t(number))) pids_[request.pid] = {connection, uint8_t(number)};
      break;
    case ctl::IOCTL_CV7_REMOVE_PID:
      if (answeredOne) pids_.erase(request.pid);
      break;
    case ctl::IOCTL_CV7_CLEAR_PIDS:
    case ctl::IOCTL_CV7_RELEASE_ALL_PIDS:
      if (core::isSuccess(status)) pids_.clear();
      break;
    default:
      break;
  }
}

uint32_t RegistrationLedger::call(uint32_t code, uint32_t word0, uint32_t word1) {
  uint8_t buffer[8];
  std::memcpy(buffer, &word0, 4);
  std::memcpy(buffer + 4, &word1, 4);
  uint32_t returned = 0;
  Status status = miniport_.control(code, buffer, sizeof buffer, 4, returned);
  return core::isSuccess(status) ? wordAt(buffer, returned, 0) : 0;
}

// In the order a program closing its handle would go: channel, clients, data path, PIDs.
void RegistrationLedger::release(uint64_t connection) {
  std::vector<std::pair<uint16_t, uint8_t>> removed;
  {
    std::lock_guard guard(mutex_);
    if (grant_.connection == connection) {
      // Only while the grant still stands: the channel may have gone to the driver or,
      // through a later grant, to someone else since.
      if (core::ChannelArbiter(miniport_.state()).releaseHeldBy(grant_.number))
        CV7_LOG_INFO("released the command channel held as client %u by a closed connection", grant_.number);
      grant_ = {};
    }
    for (uint32_t number = 1; number <= 3; ++number) {
      if (clients_[number] != connection) continue;
      CV7_LOG_DEBUG("closing client %u of a closed connection", number);
      call(ctl::IOCTL_CV7_CLOSE_CLIENT, number);
      clients_[number] = 0;
    }
    if (dataPath_ == connection) {
      call(ctl::IOCTL_CV7_CLOSE_DATA_PATH, 0);
      dataPath_ = 0;
    }
    for (auto it = pids_.begin(); it != pids_.end();) {
      if (it->second.connection != connection) {
        ++it;
        continue;
      }
      if (call(ctl::IOCTL_CV7_REMOVE_PID, it->second.kind, it->first) == 1) removed.emplace_back(it->first, it->second.kind);
      it = pids_.erase(it);
    }
  }
  // The card forgets them too; this waits for the command channel, so not under the lock.
  for (auto [pid, kind] : removed) {
    if (!miniport_.commandChannel().releaseNetworkPid(pid, kind))
      CV7_LOG_WARN("the card did not take the release of PID 0x%04X of a closed connection", pid);
  }
}

}  // namespace cv7::host
