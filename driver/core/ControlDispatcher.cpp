#include "ControlDispatcher.h"

#include <cstring>

#include "ChannelArbiter.h"
#include "DataRingReader.h"
#include "LittleEndian.h"

namespace cv7::core {

using namespace ctl;

namespace {
constexpr uint32_t kNone = 0;
constexpr uint32_t kWord = 4;
}  // namespace

// Sizes are what each request reads and writes at most (variable outputs are checked again by
// their handler). Reserved codes answer success with 0 bytes and read nothing.
const ControlDispatcher::Entry ControlDispatcher::kTable[] = {
    {IOCTL_CV7_GET_INTERFACE_VERSION, kNone, 2 * kWord, &ControlDispatcher::interfaceVersion},
    {IOCTL_CV7_GET_REGISTER_BASE, kNone, kWord, &ControlDispatcher::registerBase},
    {IOCTL_CV7_WRITE_REGISTER, 2 * kWord, kNone, &ControlDispatcher::writeRegister},
    {IOCTL_CV7_READ_REGISTER, kWord, kWord, &ControlDispatcher::readRegister},
    {IOCTL_CV7_ADD_PID, 6, kWord, &ControlDispatcher::addPid},
    {IOCTL_CV7_REMOVE_PID, 6, kWord, &ControlDispatcher::removePid},
    {IOCTL_CV7_SET_IP_ADDRESS, 4 * kWord, kNone, &ControlDispatcher::setIpAddress},
    {IOCTL_CV7_CLEAR_PIDS, kNone, kNone, &ControlDispatcher::clearPids},
    {IOCTL_CV7_GET_MAC_ADDRESS, kNone, 6 * kWord, &ControlDispatcher::macAddress},
    {IOCTL_CV7_GET_DRIVER_VERSION, kNone, 2 * kWord, &ControlDispatcher::driverVersion},
    {IOCTL_CV7_OPEN_CLIENT, kWord, kNone, &ControlDispatcher::openClient},
    {IOCTL_CV7_CLOSE_CLIENT, kWord, kNone, &ControlDispatcher::closeClient},
    {IOCTL_CV7_ACQUIRE_CHANNEL, kWord, kWord, &ControlDispatcher::acquireChannel},
    {IOCTL_CV7_RELEASE_CHANNEL, kNone, kNone, &ControlDispatcher::releaseChannel},
    {IOCTL_CV7_RESERVED_60, kNone, kNone, &ControlDispatcher::reserved},
    {IOCTL_CV7_RESERVED_64, kNone, kNone, &ControlDispatcher::reserved},
    {IOCTL_CV7_QUERY_CLIENT1_OPEN, kNone, kWord, &ControlDispatcher::queryClient1Open},
    {IOCTL_CV7_RELEASE_ALL_PIDS, kNone, kNone, &ControlDispatcher::clearPids},
    {IOCTL_CV7_RESERVED_70, kNone, kNone, &ControlDispatcher::reserved},
    {IOCTL_CV7_RESERVED_74, kNone, kNone, &ControlDispatcher::reserved},
    {IOCTL_CV7_SEND_COMMAND, kCommandBlockSize, kCommandBlockSize, &ControlDispatcher::sendCommand},
    {IOCTL_CV7_GET_PROGRAM_TABLE, kNone, kProgramTableSize, &ControlDispatcher::programTable},
    {IOCTL_CV7_OPEN_DATA_PATH, kWord, kWord, &ControlDispatcher::openDataPath},
    {IOCTL_CV7_CLOSE_DATA_PATH, kNone, kNone, &ControlDispatcher::closeDataPath},
    {IOCTL_CV7_ENABLE_DATA_PATH, kNone, kWord, &ControlDispatcher::enableDataPath},
    {IOCTL_CV7_GET_DATA_POSITIONS, kNone, 2 * kWord, &ControlDispatcher::dataPositions},
    {IOCTL_CV7_SET_DATA_READ_POSITION, kWord, kNone, &ControlDispatcher::setDataReadPosition},
    {IOCTL_CV7_READ_DATA_HEADER, kNone, kDataHeaderSize, &ControlDispatcher::readDataHeader},
    {IOCTL_CV7_READ_DATA, 2 * kWord, kNone, &ControlDispatcher::readData},
    {IOCTL_CV7_GET_PID_CHANGES, kNone, kWord, &ControlDispatcher::pidChanges},
};

const ControlDispatcher::Entry* ControlDispatcher::find(uint32_t code) {
  static const Entry reservedEntry{0, kNone, kNone, &ControlDispatcher::reserved};
  if (code >= IOCTL_CV7_RESERVED_FIRST && code <= IOCTL_CV7_RESERVED_LAST && code % 4 == 0) return &reservedEntry;
  for (const Entry& entry : kTable) {
    if (entry.code == code) return &entry;
  }
  return nullptr;
}

Status ControlDispatcher::dispatch(uint32_t code, uint8_t* buffer, uint32_t inputLength, uint32_t outputLength,
                                   uint32_t& bytesReturned) {
  bytesReturned = 0;
  const Entry* entry = find(code);
  if (!entry) return STATUS_INVALID_PARAMETER;
  if (!buffer) inputLength = outputLength = 0;
  if (inputLength < entry->inputNeeded || outputLength < entry->outputNeeded) return STATUS_BUFFER_TOO_SMALL;
  Request request{buffer, inputLength, outputLength};
  Status status = (this->*entry->handler)(request);
  bytesReturned = request.bytesReturned;
  return status;
}

uint32_t ControlDispatcher::Request::word(uint32_t index) const { return le::load32(buffer + 4 * index); }

void ControlDispatcher::Request::answer(uint32_t index, uint32_t value) {
  le::store32(buffer + 4 * index, value);
  bytesReturned = 4 * (index + 1);
}

// ---- Constant answers and registers ----

Status ControlDispatcher::reserved(Request&) { return STATUS_SUCCESS; }

Status ControlDispatcher::interfaceVersion(Request& r) {
  r.answer(0, kInterfaceVersionMajor);
  r.answer(1, kInterfaceVersionMinor);
  return STATUS_SUCCESS;
}

Status ControlDispatcher::driverVersion(Request& r) {
  r.answer(0, kDriverVersionMajor);
  r.answer(1, kDriverVersionMinor);
  return STATUS_SUCCESS;
}

Status ControlDispatcher::registerBase(Request& r) {
  r.answer(0, state_.registerBaseToken.load());
  return STATUS_SUCCESS;
}

RegisterWindow* ControlDispatcher::registerAt(uint32_t offset) const {
  RegisterWindow* window = state_.registers.load();
  uint64_t end = uint64_t(offset) + 4;
  if (!window || offset % 4 != 0 || end > state_.registerWindowLength.load()) return nullptr;
  return window;
}

Status ControlDispatcher::writeRegister(Request& r) {
  uint32_t offset = r.word(0), value = r.word(1);
  RegisterWindow* window = registerAt(offset);
  if (!window) return STATUS_INVALID_PARAMETER;
  window->write32(offset, value);
  return STATUS_SUCCESS;
}

Status ControlDispatcher::readRegister(Request& r) {
  uint32_t offset = r.word(0);
  RegisterWindow* window = registerAt(offset);
  if (!window) return STATUS_INVALID_PARAMETER;
  r.answer(0, window->read32(offset));
  return STATUS_SUCCESS;
}

// ---- PID filter table and addresses ----

// Add, remove and clear run in the callers' threads, one per connection: each holds the
// table's lock from its search to its store, so two clients never both take a free entry,
// add one PID twice or both remove it. The receive path reads the entries without the lock.
Status ControlDispatcher::addPid(Request& r) {
  uint8_t kind = r.buffer[0];
  uint16_t pid = le::load16(r.buffer + 4);
  r.answer(0, 0);
  std::lock_guard guard(state_.pidTableLock);
  for (auto& entry : state_.pidTable.entry) {
    if (entry.pid() == pid) return STATUS_SUCCESS;
  }
  for (auto& entry : state_.pidTable.entry) {
    if (entry.pid() == kPidFree) {
      entry.store(pid, kind);
      r.answer(0, 1);
      return STATUS_SUCCESS;
    }
  }
  return STATUS_SUCCESS;
}

Status ControlDispatcher::removePid(Request& r) {
  uint16_t pid = le::load16(r.buffer + 4);
  uint32_t removed = 0;
  std::lock_guard guard(state_.pidTableLock);
  for (auto& entry : state_.pidTable.entry) {
    if (entry.pid() == pid) {
      entry.clear();
      removed = 1;
      break;
    }
  }
  r.answer(0, removed);
  return STATUS_SUCCESS;
}

Status ControlDispatcher::clearPids(Request&) {
  std::lock_guard guard(state_.pidTableLock);
  state_.pidTable.clear();
  return STATUS_SUCCESS;
}

Status ControlDispatcher::setIpAddress(Request& r) {
  for (uint32_t i = 0; i < 4; ++i) state_.ipAddress[i].store(uint8_t(r.word(i)));
  return STATUS_SUCCESS;
}

Status ControlDispatcher::macAddress(Request& r) {
  for (uint32_t i = 0; i < 6; ++i) r.answer(i, uint32_t(int32_t(int8_t(state_.stationAddress[i].load()))));
  return STATUS_SUCCESS;
}

// ---- Clients and the command channel ----

Status ControlDispatcher::referenceInto(uint32_t handle, std::atomic<uint32_t>& heldHandle,
                                        std::atomic<EventObject>& held) {
  releaseFrom(heldHandle, held);
  EventObject object = 0;
  Status status = platform_.referenceEvent(handle, object);
  // A handle that could not be referenced is not kept: the signalling side tests the handle.
  bool referenced = isSuccess(status) && object != 0;
  held.store(referenced ? object : 0);
  heldHandle.store(referenced ? handle : 0);
  return status;
}

void ControlDispatcher::releaseFrom(std::atomic<uint32_t>& heldHandle, std::atomic<EventObject>& held) {
  heldHandle.store(0);
  EventObject object = held.exchange(0);
  if (object) platform_.releaseEvent(object);
}

Status ControlDispatcher::openClient(Request& r) {
  uint32_t number = r.word(0);
  uint32_t needed = number == 3 ? 3 * kWord : (number == 1 || number == 2) ? 2 * kWord : kWord;
  if (r.inputLength < needed) return STATUS_BUFFER_TOO_SMALL;
  if (ClientRecord* client = state_.clientRecord(number)) {
    client->active.store(1);
    client->refusals.store(0);
    referenceInto(r.word(1), client->handle, client->event);
    if (number == 3) referenceInto(r.word(2), client->statusHandle, client->statusEvent);
  }
  ChannelArbiter(state_).clientOpened(number);
  return STATUS_SUCCESS;
}

Status ControlDispatcher::closeClient(Request& r) {
  uint32_t number = r.word(0);
  if (ClientRecord* client = state_.clientRecord(number)) {
    client->active.store(0);
    client->refusals.store(0);
    releaseFrom(client->handle, client->event);
    if (number == 3) releaseFrom(client->statusHandle, client->statusEvent);
  }
  return STATUS_SUCCESS;
}

Status ControlDispatcher::acquireChannel(Request& r) {
  r.answer(0, ChannelArbiter(state_).acquire(r.word(0)) ? 1 : 0);
  return STATUS_SUCCESS;
}

// The driver frees the channel itself after every relayed command, so a client's release
// that follows may come after another client was granted it. A release that names a client
// (1 to 3) other than the holder therefore leaves the channel as it is; one without a client
// number frees it as before.
Status ControlDispatcher::releaseChannel(Request& r) {
  uint32_t client = r.inputLength >= 4 ? r.word(0) : 0;
  uint32_t owner = state_.channelOwner.load();
  if (client >= 1 && client <= 3 && owner != client && owner != 0) return STATUS_SUCCESS;
  ChannelArbiter(state_).release();
  return STATUS_SUCCESS;
}

Status ControlDispatcher::queryClient1Open(Request& r) {
  r.answer(0, state_.client[0].active.load() ? 1 : 0);
  return STATUS_SUCCESS;
}

Status ControlDispatcher::sendCommand(Request& r) {
  channel_.relay(r.buffer);
  r.bytesReturned = kCommandBlockSize;
  return STATUS_SUCCESS;
}

Status ControlDispatcher::programTable(Request& r) {
  channel_.readProgramTable(r.buffer);
  r.bytesReturned = kProgramTableSize;
  return STATUS_SUCCESS;
}

// ---- Data path ----

Status ControlDispatcher::openDataPath(Request& r) {
  DataPath& path = state_.data;
  Status status = referenceInto(r.word(0), path.handle, path.event);
  DataRingReader(path).resetPositions();
  r.answer(0, 1);
  return status;
}

Status ControlDispatcher::closeDataPath(Request&) {
  releaseFrom(state_.data.handle, state_.data.event);
  state_.data.capture.store(0);
  return STATUS_SUCCESS;
}

Status ControlDispatcher::enableDataPath(Request& r) {
  r.answer(0, state_.data.capture.exchange(1) == 0 ? 1 : 0);
  return STATUS_SUCCESS;
}

Status ControlDispatcher::dataPositions(Request& r) {
  r.answer(0, state_.data.writePosition.load());
  r.answer(1, state_.data.readPosition.load());
  return STATUS_SUCCESS;
}

Status ControlDispatcher::setDataReadPosition(Request& r) {
  return DataRingReader(state_.data).setReadPosition(r.word(0)) ? STATUS_SUCCESS : STATUS_INVALID_PARAMETER;
}

Status ControlDispatcher::readDataHeader(Request& r) {
  if (DataRingReader(state_.data).read(r.buffer, kDataHeaderSize, true)) r.bytesReturned = kDataHeaderSize;
  return STATUS_SUCCESS;
}

Status ControlDispatcher::readData(Request& r) {
  bool advance = r.word(0) != 0;
  uint32_t count = r.word(1);
  if (r.outputLength < count) return STATUS_BUFFER_TOO_SMALL;
  if (DataRingReader(state_.data).read(r.buffer, count, advance)) r.bytesReturned = count;
  return STATUS_SUCCESS;
}

// ---- PID change report ----

Status ControlDispatcher::pidChanges(Request& r) {
  std::lock_guard guard(state_.pidChangesLock);
  PidChangeReport& report = state_.pidChanges;
  uint8_t counter = report.changeCounter.load();
  if (report.lastReported.load() == counter) {
    r.answer(0, 0);
    return STATUS_SUCCESS;
  }
  uint32_t left = report.leftCount.load(), joined = report.joinedCount.load();
  if (left > kPidChangeListMax) left = kPidChangeListMax;
  if (joined > kPidChangeListMax) joined = kPidChangeListMax;
  if (r.outputLength < 4 * (left + joined + 3)) return STATUS_BUFFER_TOO_SMALL;
  uint32_t index = 0;
  r.answer(index++, 1);
  r.answer(index++, left);
  for (uint32_t i = 0; i < left; ++i) r.answer(index++, report.left[i].load());
  r.answer(index++, joined);
  for (uint32_t i = 0; i < joined; ++i) r.answer(index++, report.joined[i].load());
  report.lastReported.store(counter);
  return STATUS_SUCCESS;
}

}  // namespace cv7::core
