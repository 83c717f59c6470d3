// The data path: raw data of up to 10 PIDs (TS packets, PES packets, sections) from the
// driver's 128 KiB data ring to the callbacks that clients registered, through the buffers
// they gave. One data thread drains the ring whenever the driver signals the data event.
#include <array>
#include <atomic>
#include <chrono>
#include <cstring>
#include <mutex>
#include <thread>

#include "AutoResetEvent.h"
#include "ControlCodes.h"
#include "Device.h"
#include "NetworkConfig.h"
#include "corvane.h"

namespace corvane::datapath {

namespace {

constexpr uint32_t kRingSize = cv7::ctl::kDataRingSize;
constexpr uint32_t kSlots = 10;
constexpr uint32_t kPacketSize = 188;
constexpr uint16_t kKindPackets = cv7::ctl::kKindRawPackets;
constexpr uint16_t kKindPes = cv7::ctl::kKindRawPes;
constexpr uint16_t kKindSections = cv7::ctl::kKindRawSections;

struct Slot {
  bool inUse = false;
  NetPid pid{};
  void* buffer = nullptr;
  uint32_t size = 0;
  CvnDataCallback callback = nullptr;
};

struct State {
  std::recursive_mutex lock;  // re-entrant: a callback may register or unregister
  std::array<Slot, kSlots> slots;
  std::atomic<bool> initialised{false};
  std::atomic<bool> stop{false};
  std::atomic<bool> exit{false};
  std::atomic<bool> busy{false};
  AutoResetEvent dataEvent;
  std::thread thread;
  uint32_t read = 0;   // the library's read offset (data thread only)
  uint32_t write = 0;
};

State& state() {
  static State s;
  return s;
}

uint32_t word(const uint8_t* p) {
  uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}

bool simpleRequest(uint32_t code, uint32_t* answer = nullptr) {
  uint32_t reply = 0;
  uint32_t returned = 0;
  bool ok = device().request(code, nullptr, 0, &reply, sizeof reply, &returned);
  if (answer) *answer = returned >= 4 ? reply : 0;
  return ok;
}

// ---- Reading the ring ----

bool readPositions(State& s) {
  uint8_t reply[8] = {};
  uint32_t returned = 0;
  if (!device().request(cv7::ctl::IOCTL_CV7_GET_DATA_POSITIONS, nullptr, 0, reply, sizeof reply, &returned) ||
      returned != 8) {
    return false;
  }
  s.write = word(reply);
  s.read = word(reply + 4);
  return true;
}

bool readBytes(State& s, void* out, uint32_t count, bool advance) {
  uint32_t input[2] = {advance ? 1u : 0u, count};
  uint32_t returned = 0;
  if (!device().request(cv7::ctl::IOCTL_CV7_READ_DATA, input, sizeof input, out, count, &returned) ||
      returned != count) {
    return false;
  }
  if (advance) s.read = (s.read + count) % kRingSize;
  return true;
}

// Moves the read offset n bytes on, rounded up to an even offset.
void skip(State& s, uint32_t n) {
  uint32_t next = s.read + n;
  if (next & 1) ++next;
  s.read = next % kRingSize;
  device().request(cv7::ctl::IOCTL_CV7_SET_DATA_READ_POSITION, &s.read, 4, nullptr, 0);
}

int findSlot(State& s, uint16_t pid, uint16_t kind) {
  for (uint32_t i = 0; i < kSlots; ++i) {
    const Slot& slot = s.slots[i];
    if (slot.inUse && slot.pid.DataPID == pid && slot.pid.Encapsulation == kind) return int(i);
  }
  return -1;
}

// Delivers `unit` bytes in buffer-sized pieces; returns the bytes read from the ring.
uint32_t deliverUnit(State& s, int index, uint32_t unit) {
  const Slot slot = s.slots[index];
  uint32_t remaining = unit;
  while (remaining > 0) {
    uint32_t piece = remaining <= slot.size ? remaining : slot.size;
    if (!readBytes(s, slot.buffer, piece, true)) break;
    remaining -= piece;
    slot.callback(remaining > 0 ? 1 : 0, slot.pid, unit, piece, int32_t(remaining));
    // A callback may have unregistered this PID: the rest of the unit is skipped.
    const Slot& now = s.slots[index];
    if (!now.inUse || now.pid.DataPID != slot.pid.DataPID || now.buffer != slot.buffer) break;
  }
  return unit - remaining;
}

// The unit length of a PES packet or a section from its first six bytes. A PES packet
// without a length (0, unbounded video) is the whole record.
uint32_t unitLength(uint16_t kind, const uint8_t* head, uint32_t recordLength) {
  uint32_t unit = 0;
  if (kind == kKindPes) {
    uint32_t length = (uint32_t(head[4]) << 8) | head[5];
    unit = length == 0 ? recordLength : length + 6;
  } else {
    unit = ((uint32_t(head[1] & 0x0F) << 8) | head[2]) + 3;
  }
  return unit < recordLength ? unit : recordLength;
}

void deliverRecord(State& s, uint16_t pid, uint16_t kind, uint32_t length) {
  if (kind != kKindPackets && kind != kKindPes && kind != kKindSections) {
    // An unknown kind: the rest of the queue cannot be trusted.
    s.read = s.write;
    device().request(cv7::ctl::IOCTL_CV7_SET_DATA_READ_POSITION, &s.read, 4, nullptr, 0);
    return;
  }
  int index = findSlot(s, pid, kind);
  if (index < 0) {
    skip(s, length);
    return;
  }
  uint32_t unit = length;
  if (kind != kKindPackets) {
    uint8_t head[6] = {};
    if (length < sizeof head || !readBytes(s, head, sizeof head, false)) {
      skip(s, length);
      return;
    }
    unit = unitLength(kind, head, length);
  }
  uint32_t delivered = deliverUnit(s, index, unit);
  skip(s, length - delivered);
}

void drain(State& s) {
  std::lock_guard guard(s.lock);
  if (!readPositions(s)) return;
  while (s.read != s.write && !s.stop.load()) {
    uint8_t header[6] = {};
    uint32_t returned = 0;
    if (!device().request(cv7::ctl::IOCTL_CV7_READ_DATA_HEADER, nullptr, 0, header, sizeof header, &returned) ||
        returned != sizeof header) {
      break;
    }
    s.read = (s.read + 6) % kRingSize;
    uint16_t pid = uint16_t(header[0] | (header[1] << 8));
    uint16_t kind = uint16_t(header[2] | (header[3] << 8));
    uint16_t length = uint16_t(header[4] | (header[5] << 8));
    deliverRecord(s, pid, kind, length);
    if (s.read == s.write && !readPositions(s)) break;
  }
}

void threadMain() {
  State& s = state();
  for (;;) {
    s.busy = false;
    s.dataEvent.wait(-1);
    if (s.exit.load()) return;
    if (!s.initialised.load() || s.stop.load()) continue;
    s.busy = true;
    drain(s);
  }
}

void closeDataPath() { simpleRequest(cv7::ctl::IOCTL_CV7_CLOSE_DATA_PATH); }

}  // namespace

int32_t init() {
  State& s = state();
  std::lock_guard guard(s.lock);
  if (s.initialised.load()) return CVN_DATAPATH_IN_USE;
  uint32_t enabled = 0;
  if (!simpleRequest(cv7::ctl::IOCTL_CV7_ENABLE_DATA_PATH, &enabled)) return CVN_DATAPATH_ERROR;
  if (enabled == 0) return CVN_DATAPATH_IN_USE;
  // From here a failure also switches capture off again, so the path is not left held.
  if (!s.dataEvent.create()) {
    closeDataPath();
    return CVN_DATAPATH_ERROR;
  }
  uint32_t handle = uint32_t(s.dataEvent.fd());
  int events[1] = {s.dataEvent.fd()};
  uint32_t reply = 0, returned = 0;
  if (!device().request(cv7::ctl::IOCTL_CV7_OPEN_DATA_PATH, &handle, 4, &reply, 4, &returned, events, 1) ||
      returned < 4 || reply != 1) {
    s.dataEvent.close();
    closeDataPath();
    return CVN_DATAPATH_ERROR;
  }
  s.slots = {};
  s.read = s.write = 0;
  s.stop = false;
  s.exit = false;
  s.thread = std::thread(threadMain);
  s.initialised = true;
  return CVN_DATAPATH_OK;
}

// A successful close-data-path request counts whatever its reply buffer holds: the driver
// has released the event and stopped capture once the request succeeded.
int32_t term() {
  State& s = state();
  {
    std::lock_guard guard(s.lock);
    if (!s.initialised.load()) return CVN_DATAPATH_NOT_INITIALISED;
    for (const Slot& slot : s.slots) {
      if (slot.inUse) return CVN_DATAPATH_BUSY;
    }
    if (!simpleRequest(cv7::ctl::IOCTL_CV7_CLOSE_DATA_PATH)) return CVN_DATAPATH_BUSY;
  }
  s.stop = true;
  while (s.busy.load()) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  s.exit = true;
  s.dataEvent.signal();
  if (s.thread.joinable()) s.thread.join();
  s.dataEvent.close();
  s.initialised = false;
  return CVN_DATAPATH_OK;
}

int32_t registerPid(const CvnDataPathRegistration& r) {
  if (r.Buffer == nullptr || r.BufferSize == 0 || r.Callback == nullptr) return CVN_DATAPATH_INVALID;
  if (r.Pid.Encapsulation == kKindPackets && r.BufferSize % kPacketSize != 0) return CVN_DATAPATH_INVALID;
  State& s = state();
  if (!s.initialised.load()) return CVN_DATAPATH_NOT_INITIALISED;
  std::lock_guard guard(s.lock);
  Slot* free = nullptr;
  for (Slot& slot : s.slots) {
    if (slot.inUse && slot.pid.DataPID == r.Pid.DataPID) return CVN_DATAPATH_PID_REFUSED;
    if (!slot.inUse && free == nullptr) free = &slot;
  }
  if (free == nullptr) return CVN_DATAPATH_PID_REFUSED;
  *free = Slot{true, r.Pid, r.Buffer, r.BufferSize, r.Callback};
  network::clearPidAlreadyActive();
  int32_t set = Cvn_SetNetworkPID(r.Pid);
  if (network::pidAlreadyActive() || set == 0) {
    network::clearPidAlreadyActive();
    *free = Slot{};
    return CVN_DATAPATH_PID_REFUSED;
  }
  return CVN_DATAPATH_OK;
}

int32_t unregisterPid(const NetPid& pid) {
  State& s = state();
  if (!s.initialised.load()) return CVN_DATAPATH_NOT_INITIALISED;
  std::lock_guard guard(s.lock);
  for (Slot& slot : s.slots) {
    if (slot.inUse && slot.pid.DataPID == pid.DataPID) {
      slot = Slot{};
      return Cvn_ReleaseNetworkPID(pid) ? CVN_DATAPATH_OK : CVN_DATAPATH_PID_REFUSED;
    }
  }
  return CVN_DATAPATH_PID_REFUSED;
}

}  // namespace corvane::datapath

extern "C" {

int32_t Cvn_InitDataPath(void) { return corvane::datapath::init(); }
int32_t Cvn_TermDataPath(void) { return corvane::datapath::term(); }
int32_t Cvn_RegisterDataPath(CvnDataPathRegistration registration) {
  return corvane::datapath::registerPid(registration);
}
int32_t Cvn_UnRegisterDataPath(NetPid pid) { return corvane::datapath::unregisterPid(pid); }

}  // extern "C"
