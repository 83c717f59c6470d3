// The data path: raw data of up to 10 PIDs (TS packets, PES packets, sections) from the
// driver's 128 KiB data ring to the callbacks that clients registered, through the buffers
// they gave. One data thread drains the ring whenever the driver signals the data event.
//
// Each initialisation is a run of its own (slots, event, thread, lock). Termination ends
// the run; a data thread that terminates its own run from a callback ends as soon as the
// callback returns, and what it still touches is its run, which it keeps alive.
#include "DataPath.h"

#include <array>
#include <atomic>
#include <chrono>
#include <cstring>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

#include "AutoResetEvent.h"
#include "ControlCodes.h"
#include "Device.h"
#include "LibraryThread.h"
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

struct Run {
  std::recursive_mutex lock;  // re-entrant: a callback may register or unregister
  std::atomic<int> waiting{0};  // threads other than the drain waiting for the lock
  std::array<Slot, kSlots> slots;
  std::atomic<bool> stop{false};
  AutoResetEvent dataEvent;
  std::thread thread;
  uint32_t read = 0;  // the library's read offset (data thread only)
  uint32_t write = 0;
};

// The run's lock, taken so that the drain lets the taker in between two records.
class RunLock {
 public:
  explicit RunLock(Run& run) : run_(run) {
    ++run_.waiting;
    run_.lock.lock();
    --run_.waiting;
  }
  ~RunLock() { run_.lock.unlock(); }
  RunLock(const RunLock&) = delete;
  RunLock& operator=(const RunLock&) = delete;

 private:
  Run& run_;
};

// The current run; the pointer is only read or replaced under its own small lock, never
// while a run's lock is waited for.
struct Current {
  std::mutex lock;
  std::shared_ptr<Run> run;
};

Current& current() {
  static Current* c = new Current;  // never destroyed: a data thread may outlive exit
  return *c;
}

std::shared_ptr<Run> currentRun() {
  Current& c = current();
  std::lock_guard guard(c.lock);
  return c.run;
}

// Ends the run as the current one; false when another (or none) is current.
bool retire(const std::shared_ptr<Run>& run) {
  Current& c = current();
  std::lock_guard guard(c.lock);
  if (c.run != run) return false;
  c.run.reset();
  return true;
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

bool readPositions(Run& r) {
  uint8_t reply[8] = {};
  uint32_t returned = 0;
  if (!device().request(cv7::ctl::IOCTL_CV7_GET_DATA_POSITIONS, nullptr, 0, reply, sizeof reply, &returned) ||
      returned != 8) {
    return false;
  }
  r.write = word(reply);
  r.read = word(reply + 4);
  return true;
}

bool readBytes(Run& r, void* out, uint32_t count, bool advance) {
  uint32_t input[2] = {advance ? 1u : 0u, count};
  uint32_t returned = 0;
  if (!device().request(cv7::ctl::IOCTL_CV7_READ_DATA, input, sizeof input, out, count, &returned) ||
      returned != count) {
    return false;
  }
  if (advance) r.read = (r.read + count) % kRingSize;
  return true;
}

// Moves the read offset n bytes on, rounded up to an even offset.
void skip(Run& r, uint32_t n) {
  uint32_t next = r.read + n;
  if (next & 1) ++next;
  r.read = next % kRingSize;
  device().request(cv7::ctl::IOCTL_CV7_SET_DATA_READ_POSITION, &r.read, 4, nullptr, 0);
}

int findSlot(Run& r, uint16_t pid, uint16_t kind) {
  for (uint32_t i = 0; i < kSlots; ++i) {
    const Slot& slot = r.slots[i];
    if (slot.inUse && slot.pid.DataPID == pid && slot.pid.Encapsulation == kind) return int(i);
  }
  return -1;
}

// Delivers `unit` bytes in buffer-sized pieces; returns the bytes read from the ring.
uint32_t deliverUnit(Run& r, int index, uint32_t unit) {
  const Slot slot = r.slots[index];
  uint32_t remaining = unit;
  while (remaining > 0 && !r.stop.load()) {
    uint32_t piece = remaining <= slot.size ? remaining : slot.size;
    if (!readBytes(r, slot.buffer, piece, true)) break;
    remaining -= piece;
    slot.callback(remaining > 0 ? 1 : 0, slot.pid, unit, piece, int32_t(remaining));
    // A callback may have unregistered this PID: the rest of the unit is skipped.
    const Slot& now = r.slots[index];
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

void deliverRecord(Run& r, uint16_t pid, uint16_t kind, uint32_t length) {
  if (kind != kKindPackets && kind != kKindPes && kind != kKindSections) {
    // An unknown kind: the rest of the queue cannot be trusted.
    r.read = r.write;
    device().request(cv7::ctl::IOCTL_CV7_SET_DATA_READ_POSITION, &r.read, 4, nullptr, 0);
    return;
  }
  int index = findSlot(r, pid, kind);
  if (index < 0) {
    skip(r, length);
    return;
  }
  uint32_t unit = length;
  if (kind != kKindPackets) {
    uint8_t head[6] = {};
    if (length < sizeof head || !readBytes(r, head, sizeof head, false)) {
      skip(r, length);
      return;
    }
    unit = unitLength(kind, head, length);
  }
  uint32_t delivered = deliverUnit(r, index, unit);
  if (!r.stop.load()) skip(r, length - delivered);
}

// Between two records the drain hands the lock to a registration or termination that
// waits for it, so that a ring that never runs dry cannot keep them out.
void letWaitersIn(Run& r, std::unique_lock<std::recursive_mutex>& held) {
  if (r.waiting.load() == 0) return;
  held.unlock();
  while (r.waiting.load() > 0 && !r.stop.load()) std::this_thread::sleep_for(std::chrono::microseconds(200));
  held.lock();
}

void drain(Run& r) {
  std::unique_lock held(r.lock);
  if (!readPositions(r)) return;
  while (r.read != r.write && !r.stop.load()) {
    uint8_t header[6] = {};
    uint32_t returned = 0;
    if (!device().request(cv7::ctl::IOCTL_CV7_READ_DATA_HEADER, nullptr, 0, header, sizeof header, &returned) ||
        returned != sizeof header) {
      break;
    }
    r.read = (r.read + 6) % kRingSize;
    uint16_t pid = uint16_t(header[0] | (header[1] << 8));
    uint16_t kind = uint16_t(header[2] | (header[3] << 8));
    uint16_t length = uint16_t(header[4] | (header[5] << 8));
    deliverRecord(r, pid, kind, length);
    letWaitersIn(r, held);
    if (r.read == r.write && !readPositions(r)) break;
  }
}

// The thread keeps its run alive: termination from a callback returns before the thread ends.
void threadMain(std::shared_ptr<Run> run) {
  nameLibraryThread("cvn-data");
  while (!run->stop.load()) {
    run->dataEvent.wait(-1);
    if (run->stop.load()) break;
    drain(*run);
  }
}

// Wakes the data thread to its end and waits for it, unless the caller is that thread (a
// callback that terminates): it ends when the callback returns.
void endThread(Run& r) {
  r.stop.store(true);
  r.dataEvent.signal();
  if (!r.thread.joinable()) return;
  if (r.thread.get_id() == std::this_thread::get_id()) {
    r.thread.detach();
  } else {
    r.thread.join();
  }
}

void closeDataPath() { simpleRequest(cv7::ctl::IOCTL_CV7_CLOSE_DATA_PATH); }

bool anyInUse(const Run& r) {
  for (const Slot& slot : r.slots) {
    if (slot.inUse) return true;
  }
  return false;
}

}  // namespace

int32_t init() {
  Current& c = current();
  std::lock_guard guard(c.lock);
  if (c.run) return CVN_DATAPATH_IN_USE;
  uint32_t enabled = 0;
  if (!simpleRequest(cv7::ctl::IOCTL_CV7_ENABLE_DATA_PATH, &enabled)) return CVN_DATAPATH_ERROR;
  if (enabled == 0) return CVN_DATAPATH_IN_USE;
  // From here a failure also switches capture off again, so the path is not left held.
  auto run = std::make_shared<Run>();
  if (!run->dataEvent.create()) {
    closeDataPath();
    return CVN_DATAPATH_ERROR;
  }
  uint32_t handle = uint32_t(run->dataEvent.fd());
  int events[1] = {run->dataEvent.fd()};
  uint32_t reply = 0, returned = 0;
  if (!device().request(cv7::ctl::IOCTL_CV7_OPEN_DATA_PATH, &handle, 4, &reply, 4, &returned, events, 1) ||
      returned < 4 || reply != 1) {
    closeDataPath();
    return CVN_DATAPATH_ERROR;
  }
  try {
    run->thread = std::thread(threadMain, run);
  } catch (const std::system_error&) {
    closeDataPath();
    return CVN_DATAPATH_ERROR;
  }
  c.run = std::move(run);
  return CVN_DATAPATH_OK;
}

// A successful close-data-path request counts whatever its reply buffer holds: the driver
// has released the event and stopped capture once the request succeeded.
int32_t term() {
  std::shared_ptr<Run> run = currentRun();
  if (!run) return CVN_DATAPATH_NOT_INITIALISED;
  {
    RunLock guard(*run);
    if (run->stop.load()) return CVN_DATAPATH_NOT_INITIALISED;  // another termination was first
    if (anyInUse(*run)) return CVN_DATAPATH_BUSY;
    if (!simpleRequest(cv7::ctl::IOCTL_CV7_CLOSE_DATA_PATH)) return CVN_DATAPATH_BUSY;
    run->stop.store(true);
  }
  retire(run);
  endThread(*run);
  return CVN_DATAPATH_OK;
}

void shutdown() {
  std::shared_ptr<Run> run = currentRun();
  if (!run || !retire(run)) return;
  endThread(*run);
  RunLock guard(*run);
  for (Slot& slot : run->slots) {
    if (slot.inUse) network::removePid(slot.pid);
    slot = Slot{};
  }
  closeDataPath();
}

int32_t registerPid(const CvnDataPathRegistration& r) {
  if (r.Buffer == nullptr || r.BufferSize == 0 || r.Callback == nullptr) return CVN_DATAPATH_INVALID;
  if (r.Pid.Encapsulation == kKindPackets && r.BufferSize % kPacketSize != 0) return CVN_DATAPATH_INVALID;
  std::shared_ptr<Run> run = currentRun();
  if (!run) return CVN_DATAPATH_NOT_INITIALISED;
  RunLock guard(*run);
  if (run->stop.load()) return CVN_DATAPATH_NOT_INITIALISED;
  Slot* free = nullptr;
  for (Slot& slot : run->slots) {
    if (slot.inUse && slot.pid.DataPID == r.Pid.DataPID) return CVN_DATAPATH_PID_REFUSED;
    if (!slot.inUse && free == nullptr) free = &slot;
  }
  if (free == nullptr) return CVN_DATAPATH_PID_REFUSED;
  *free = Slot{true, r.Pid, r.Buffer, r.BufferSize, r.Callback};
  // Already in the driver's table (another client's, or the table is full) or refused.
  if (network::addPid(r.Pid) != network::PidChange::Changed) {
    *free = Slot{};
    return CVN_DATAPATH_PID_REFUSED;
  }
  return CVN_DATAPATH_OK;
}

// A release that the driver or the card refuses keeps the registration: the PID is still
// received, and a later unregistration can try again.
int32_t unregisterPid(const NetPid& pid) {
  std::shared_ptr<Run> run = currentRun();
  if (!run) return CVN_DATAPATH_NOT_INITIALISED;
  RunLock guard(*run);
  if (run->stop.load()) return CVN_DATAPATH_NOT_INITIALISED;
  for (Slot& slot : run->slots) {
    if (slot.inUse && slot.pid.DataPID == pid.DataPID) {
      if (network::removePid(pid) == network::PidChange::Failed) return CVN_DATAPATH_PID_REFUSED;
      slot = Slot{};
      return CVN_DATAPATH_OK;
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
