// Driver-global state shared by the control dispatcher, the command channel and the receive
// path. These run in different threads without a lock, so every shared field is atomic:
// the behaviour is the lock-free one the driver is designed for, and the program has no
// data race.
#pragma once
#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>

#include "ControlCodes.h"
#include "SpinLock.h"
#include "platform.h"

namespace cv7::core {

// One entry of the PID filter table: PID in bits 0..15 (0xFFFF = free), kind in 16..23.
// Packed into one word so a reader never sees the PID of one entry with the kind of another.
class PidFilterEntry {
 public:
  static constexpr uint32_t pack(uint16_t pid, uint8_t kind) { return pid | (uint32_t(kind) << 16); }
  uint16_t pid() const { return uint16_t(word_.load(std::memory_order_acquire)); }
  uint8_t kind() const { return uint8_t(word_.load(std::memory_order_acquire) >> 16); }
  uint32_t load() const { return word_.load(std::memory_order_acquire); }
  void store(uint16_t pid, uint8_t kind) { word_.store(pack(pid, kind), std::memory_order_release); }
  void clear() { store(ctl::kPidFree, 0); }

 private:
  std::atomic<uint32_t> word_{pack(ctl::kPidFree, 0)};
};

struct PidFilterTable {
  std::array<PidFilterEntry, ctl::kPidTableEntries> entry;
  void clear() {
    for (auto& e : entry) e.clear();
  }
};

struct ClientRecord {
  std::atomic<uint32_t> active{0};
  std::atomic<uint32_t> refusals{0};
  std::atomic<uint32_t> handle{0};
  std::atomic<EventObject> event{0};
  // Client 3 only: the status event.
  std::atomic<uint32_t> statusHandle{0};
  std::atomic<EventObject> statusEvent{0};
};

struct PidChangeReport {
  std::atomic<uint8_t> leftCount{0};
  std::array<std::atomic<uint16_t>, ctl::kPidChangeListMax> left{};
  std::atomic<uint8_t> joinedCount{0};
  std::array<std::atomic<uint16_t>, ctl::kPidChangeListMax> joined{};
  std::atomic<uint8_t> changeCounter{0};   // 0..99, wraps to 0 after 99
  std::atomic<uint8_t> lastReported{0};
};

struct DataPath {
  std::atomic<uint32_t> handle{0};
  std::atomic<EventObject> event{0};
  std::atomic<uint8_t> capture{0};
  uint8_t* ring = nullptr;                 // ctl::kDataRingSize bytes, owned by the adapter
  std::atomic<uint32_t> writePosition{0};  // written only by the receive path
  std::atomic<uint32_t> readPosition{0};   // written only by control requests
};

// The multicast timer's view of the list: the list of its previous run, of this run, and the
// one client 3 last heard of (the previous run's, unless a report is still unread). Written
// only by the timer routine.
struct MulticastLists {
  static constexpr uint32_t kMax = 8;
  std::array<std::array<uint8_t, 6>, kMax> previous{};
  uint32_t previousCount = 0;
  std::array<std::array<uint8_t, 6>, kMax> heard{};
  uint32_t heardCount = 0;
  std::array<std::array<uint8_t, 6>, kMax> current{};
  uint32_t currentCount = 0;
};

struct DriverState {
  PidFilterTable pidTable;
  // Held by the control requests that change pidTable, from their search to their store.
  std::mutex pidTableLock;
  std::array<ClientRecord, 3> client;      // client numbers 1..3 at index 0..2
  std::atomic<uint32_t> channelOwner{0};   // 0 free, 1..3 client, 5 the driver itself
  DataPath data;
  PidChangeReport pidChanges;
  MulticastLists multicast;
  // Held by the multicast timer while it rewrites the change report and by the request that
  // reads it, so a report is never read half old, half new.
  std::mutex pidChangesLock;
  std::array<std::atomic<uint8_t>, 4> ipAddress{};
  std::array<std::atomic<uint8_t>, 6> stationAddress{};
  // Held by the interrupt routine and the command channel across each read-modify-write of
  // MailboxControl (Mailbox.h).
  SpinLock mailboxControlLock;
  // Card interrupts that a command's reset-channel found pending and acknowledged before the
  // interrupt routine saw them (the command channel passes the events on).
  std::atomic<uint64_t> cardEventsAtReset{0};
  // The mapped register window of the started adapter (nullptr before a start).
  std::atomic<RegisterWindow*> registers{nullptr};
  std::atomic<uint32_t> registerWindowLength{0};
  std::atomic<uint32_t> registerBaseToken{0};

  ClientRecord* clientRecord(uint32_t number) {
    return (number >= 1 && number <= 3) ? &client[number - 1] : nullptr;
  }
};

inline constexpr uint32_t kDriverChannelOwner = 5;

}  // namespace cv7::core
