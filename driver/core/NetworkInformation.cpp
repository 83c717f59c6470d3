#include "NetworkInformation.h"

#include <cstring>
#include <vector>

#include "Miniport.h"

namespace cv7::core {

namespace {

constexpr uint32_t kLookahead = 1500;
constexpr uint32_t kLinkSpeed = 1000000;  // 100 Mbit/s in units of 100 bit/s
constexpr uint32_t kBufferSpace = 48448;
constexpr uint32_t kBlockSize = 1514;
constexpr uint32_t kMacOptions = 0xF;
constexpr uint32_t kMaxSendPackets = 8;
constexpr uint16_t kNdisVersion = 0x0500;

std::vector<uint32_t> supportedList() {
  std::vector<uint32_t> list;
  for (uint32_t id = 0x00010101; id <= 0x00010115; ++id) list.push_back(id);
  list.push_back(0x00010117);
  for (uint32_t id = 0x00020101; id <= 0x00020105; ++id) list.push_back(id);
  list.push_back(0x0002020D);
  list.push_back(0x0002020E);
  for (uint32_t id = 0x01010101; id <= 0x01010104; ++id) list.push_back(id);
  for (uint32_t id = 0x01020101; id <= 0x01020103; ++id) list.push_back(id);
  for (uint32_t id = 0x01020201; id <= 0x01020207; ++id) list.push_back(id);
  for (uint32_t id = 0xFD010100; id <= 0xFD010104; ++id) list.push_back(id);
  list.push_back(0xFD010106);
  return list;
}

// The answer to a query, as bytes; empty optional = not supported.
struct Answer {
  bool supported = true;
  std::vector<uint8_t> bytes;
};

Answer word(uint32_t value) {
  Answer a;
  a.bytes.resize(4);
  std::memcpy(a.bytes.data(), &value, 4);
  return a;
}

Answer bytes(const void* data, size_t length) {
  Answer a;
  a.bytes.assign(static_cast<const uint8_t*>(data), static_cast<const uint8_t*>(data) + length);
  return a;
}

Answer answerFor(uint32_t id, const AdapterContext* adapter) {
  using namespace oid;
  static const std::array<uint8_t, 6> kNoAddress{};
  const auto& permanent = adapter ? adapter->permanentAddress : kNoAddress;
  switch (id) {
    case GEN_SUPPORTED_LIST: {
      auto list = supportedList();
      return bytes(list.data(), list.size() * 4);
    }
    case GEN_HARDWARE_STATUS:
    case GEN_MEDIA_SUPPORTED:
    case GEN_MEDIA_IN_USE:
    case GEN_MEDIA_CONNECT_STATUS:
    case GEN_XMIT_OK:
    case GEN_XMIT_ERROR:
    case GEN_RCV_ERROR:
    case GEN_RCV_NO_BUFFER:
      return word(0);
    case GEN_RCV_OK:
      return word(adapter ? adapter->receiveCounter : 0);
    case GEN_MAXIMUM_LOOKAHEAD:
    case GEN_MAXIMUM_FRAME_SIZE:
    case GEN_CURRENT_LOOKAHEAD:
      return word(kLookahead);
    case GEN_LINK_SPEED:
      return word(kLinkSpeed);
    case GEN_TRANSMIT_BUFFER_SPACE:
    case GEN_RECEIVE_BUFFER_SPACE:
      return word(kBufferSpace);
    case GEN_TRANSMIT_BLOCK_SIZE:
    case GEN_RECEIVE_BLOCK_SIZE:
    case GEN_MAXIMUM_TOTAL_SIZE:
      return word(kBlockSize);
    case GEN_VENDOR_ID: {
      uint8_t vendor[4] = {permanent[0], permanent[1], permanent[2], 0};
      return bytes(vendor, 4);
    }
    case GEN_VENDOR_DESCRIPTION:
      return bytes(kVendorDescription, sizeof(kVendorDescription) - 1);  // no terminating zero
    case GEN_DRIVER_VERSION:
      return bytes(&kNdisVersion, 2);
    case GEN_MAC_OPTIONS:
      return word(kMacOptions);
    case GEN_MAXIMUM_SEND_PACKETS:
      return word(kMaxSendPackets);
    case E802_3_PERMANENT_ADDRESS:
      return bytes(permanent.data(), 6);
    case E802_3_CURRENT_ADDRESS:
      return bytes(adapter ? adapter->currentAddress.data() : kNoAddress.data(), 6);
    case E802_3_MAXIMUM_LIST_SIZE:
      return word(kMaxMulticastList);
    default:
      return Answer{false, {}};
  }
}

uint32_t readWord(const void* buffer) {
  uint32_t value;
  std::memcpy(&value, buffer, 4);
  return value;
}

}  // namespace

Status NetworkInformation::query(uint32_t id, void* buffer, uint32_t length, uint32_t& bytesWritten,
                                 uint32_t& bytesNeeded) {
  bytesWritten = bytesNeeded = 0;
  Answer answer = answerFor(id, adapter_);
  if (!answer.supported) return NDIS_STATUS_NOT_SUPPORTED;
  uint32_t size = uint32_t(answer.bytes.size());
  if (size > length || (size > 0 && buffer == nullptr)) {
    bytesNeeded = size;
    return NDIS_STATUS_BUFFER_TOO_SHORT;
  }
  std::memcpy(buffer, answer.bytes.data(), size);
  bytesWritten = size;
  return NDIS_STATUS_SUCCESS;
}

Status NetworkInformation::set(uint32_t id, const void* buffer, uint32_t length, uint32_t& bytesRead,
                               uint32_t& bytesNeeded) {
  bytesRead = bytesNeeded = 0;
  if (adapter_ == nullptr) return NDIS_STATUS_FAILURE;
  switch (id) {
    case oid::GEN_CURRENT_PACKET_FILTER: {
      if (length != 4 || buffer == nullptr) return NDIS_STATUS_INVALID_LENGTH;
      uint32_t filter = readWord(buffer);
      if (filter & ~kPacketFilterSupported) {
        bytesRead = 4;
        return NDIS_STATUS_NOT_SUPPORTED;
      }
      adapter_->packetFilter = filter;
      break;
    }
    case oid::GEN_CURRENT_LOOKAHEAD: {
      if (length != 4 || buffer == nullptr) return NDIS_STATUS_INVALID_LENGTH;
      uint32_t lookahead = readWord(buffer);
      if (lookahead > kMaxSettableLookahead) return NDIS_STATUS_INVALID_LENGTH;
      adapter_->currentLookahead = lookahead;
      break;
    }
    case oid::E802_3_MULTICAST_LIST:
      return setMulticastList(static_cast<const uint8_t*>(buffer), length, bytesRead, bytesNeeded);
    case oid::PNP_SET_POWER:
    case oid::PNP_ADD_WAKE_UP_PATTERN:
    case oid::PNP_REMOVE_WAKE_UP_PATTERN:
    case oid::PNP_ENABLE_WAKE_UP:
      return NDIS_STATUS_NOT_SUPPORTED;
    default:
      return NDIS_STATUS_INVALID_OID;
  }
  bytesRead = length;
  return NDIS_STATUS_SUCCESS;
}

// More addresses than the adapter's eight are refused with NDIS_STATUS_MULTICAST_FULL and
// change nothing; the network stack then falls back to all-multicast.
Status NetworkInformation::setMulticastList(const uint8_t* addresses, uint32_t length, uint32_t& bytesRead,
                                            uint32_t& bytesNeeded) {
  if (length % 6 != 0 || (length > 0 && addresses == nullptr)) return NDIS_STATUS_INVALID_LENGTH;
  uint32_t count = length / 6;
  if (count > adapter_->maxMulticastList) {
    bytesNeeded = adapter_->maxMulticastList * 6;
    return NDIS_STATUS_MULTICAST_FULL;
  }
  for (uint32_t i = 0; i < count; ++i) std::memcpy(adapter_->multicastList[i].data(), addresses + 6 * i, 6);
  adapter_->multicastCount = count;
  bytesRead = length;
  platform_.setTimer(TimerId::Multicast, 10);
  return NDIS_STATUS_PENDING;
}

// The status event is signalled after the change counter has moved, so a client woken at
// once finds the change. Changes that come before client 3 has read the last report are
// added to it: the lists then compare with the list that client 3 last heard of.
void NetworkInformation::multicastTimer() {
  if (adapter_ == nullptr) return;
  MulticastLists& lists = state_.multicast;
  ClientRecord& client3 = *state_.clientRecord(3);
  bool reported = client3.statusHandle.load() != 0;
  EventObject statusEvent = client3.statusEvent.load();
  {
    std::lock_guard guard(state_.pidChangesLock);
    PidChangeReport& report = state_.pidChanges;
    lists.currentCount = std::min(adapter_->multicastCount.load(), MulticastLists::kMax);
    for (uint32_t i = 0; i < lists.currentCount; ++i) lists.current[i] = adapter_->multicastList[i];
    if (report.lastReported.load() == report.changeCounter.load()) {
      lists.heard = lists.previous;
      lists.heardCount = lists.previousCount;
    }
    updatePidChanges();
    lists.previous = lists.current;
    lists.previousCount = lists.currentCount;
    if (reported) {
      uint8_t counter = report.changeCounter.load();
      report.changeCounter.store(counter >= 99 ? 0 : counter + 1);
    }
  }
  if (reported) platform_.signalEvent(statusEvent);
  bool sent = channel_.setMulticastList(adapter_->multicastList.data(), lists.currentCount);
  platform_.setInformationComplete(sent ? NDIS_STATUS_SUCCESS : NDIS_STATUS_FAILURE);
}

// The PIDs of the list client 3 last heard of that the new one lacks have left; those of the
// new list that it lacked have joined.
void NetworkInformation::updatePidChanges() {
  const MulticastLists& lists = state_.multicast;
  auto contains = [](const auto& list, uint32_t count, uint16_t pid) {
    for (uint32_t i = 0; i < count; ++i) {
      if (multicastPid(list[i]) == pid) return true;
    }
    return false;
  };
  PidChangeReport& report = state_.pidChanges;
  uint8_t left = 0, joined = 0;
  for (uint32_t i = 0; i < lists.heardCount; ++i) {
    uint16_t pid = multicastPid(lists.heard[i]);
    if (!contains(lists.current, lists.currentCount, pid)) report.left[left++] = pid;
  }
  for (uint32_t i = 0; i < lists.currentCount; ++i) {
    uint16_t pid = multicastPid(lists.current[i]);
    if (!contains(lists.heard, lists.heardCount, pid)) report.joined[joined++] = pid;
  }
  report.leftCount = left;
  report.joinedCount = joined;
}

// ---- Miniport handlers ----

Status Miniport::queryInformation(uint32_t id, void* buffer, uint32_t length, uint32_t& bytesWritten,
                                  uint32_t& bytesNeeded) {
  return NetworkInformation(platform_, state_, channel_, adapters_).query(id, buffer, length, bytesWritten, bytesNeeded);
}

Status Miniport::setInformation(uint32_t id, const void* buffer, uint32_t length, uint32_t& bytesRead,
                                uint32_t& bytesNeeded) {
  return NetworkInformation(platform_, state_, channel_, adapters_).set(id, buffer, length, bytesRead, bytesNeeded);
}

void Miniport::timerFired(TimerId timer) {
  if (timer == TimerId::Multicast) NetworkInformation(platform_, state_, channel_, adapters_).multicastTimer();
}

// The adapter receives only: a send succeeds at once and the packet is not touched.
Status Miniport::send(const uint8_t*, uint32_t) { return NDIS_STATUS_SUCCESS; }

bool Miniport::checkForHang() { return false; }

}  // namespace cv7::core
