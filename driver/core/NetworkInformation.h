// The adapter as the network stack sees it: a receive-only Ethernet adapter. Query and set
// of object identifiers, and the multicast timer that turns the stack's multicast list into
// the card's list and into the PID change lists for client 3.
#pragma once
#include <cstdint>

#include "AdapterContext.h"
#include "CommandChannel.h"
#include "DriverState.h"
#include "platform.h"

namespace cv7::core {

namespace oid {
inline constexpr uint32_t GEN_SUPPORTED_LIST = 0x00010101;
inline constexpr uint32_t GEN_HARDWARE_STATUS = 0x00010102;
inline constexpr uint32_t GEN_MEDIA_SUPPORTED = 0x00010103;
inline constexpr uint32_t GEN_MEDIA_IN_USE = 0x00010104;
inline constexpr uint32_t GEN_MAXIMUM_LOOKAHEAD = 0x00010105;
inline constexpr uint32_t GEN_MAXIMUM_FRAME_SIZE = 0x00010106;
inline constexpr uint32_t GEN_LINK_SPEED = 0x00010107;
inline constexpr uint32_t GEN_TRANSMIT_BUFFER_SPACE = 0x00010108;
inline constexpr uint32_t GEN_RECEIVE_BUFFER_SPACE = 0x00010109;
inline constexpr uint32_t GEN_TRANSMIT_BLOCK_SIZE = 0x0001010A;
inline constexpr uint32_t GEN_RECEIVE_BLOCK_SIZE = 0x0001010B;
inline constexpr uint32_t GEN_VENDOR_ID = 0x0001010C;
inline constexpr uint32_t GEN_VENDOR_DESCRIPTION = 0x0001010D;
inline constexpr uint32_t GEN_CURRENT_PACKET_FILTER = 0x0001010E;
inline constexpr uint32_t GEN_CURRENT_LOOKAHEAD = 0x0001010F;
inline constexpr uint32_t GEN_DRIVER_VERSION = 0x00010110;
inline constexpr uint32_t GEN_MAXIMUM_TOTAL_SIZE = 0x00010111;
inline constexpr uint32_t GEN_MAC_OPTIONS = 0x00010113;
inline constexpr uint32_t GEN_MEDIA_CONNECT_STATUS = 0x00010114;
inline constexpr uint32_t GEN_MAXIMUM_SEND_PACKETS = 0x00010115;
inline constexpr uint32_t GEN_XMIT_OK = 0x00020101;
inline constexpr uint32_t GEN_RCV_OK = 0x00020102;
inline constexpr uint32_t GEN_XMIT_ERROR = 0x00020103;
inline constexpr uint32_t GEN_RCV_ERROR = 0x00020104;
inline constexpr uint32_t GEN_RCV_NO_BUFFER = 0x00020105;
inline constexpr uint32_t E802_3_PERMANENT_ADDRESS = 0x01010101;
inline constexpr uint32_t E802_3_CURRENT_ADDRESS = 0x01010102;
inline constexpr uint32_t E802_3_MULTICAST_LIST = 0x01010103;
inline constexpr uint32_t E802_3_MAXIMUM_LIST_SIZE = 0x01010104;
inline constexpr uint32_t PNP_CAPABILITIES = 0xFD010100;
inline constexpr uint32_t PNP_SET_POWER = 0xFD010101;
inline constexpr uint32_t PNP_QUERY_POWER = 0xFD010102;
inline constexpr uint32_t PNP_ADD_WAKE_UP_PATTERN = 0xFD010103;
inline constexpr uint32_t PNP_REMOVE_WAKE_UP_PATTERN = 0xFD010104;
inline constexpr uint32_t PNP_ENABLE_WAKE_UP = 0xFD010106;
}  // namespace oid

inline constexpr uint32_t kPacketFilterSupported = 0x2F;  // directed, multicast, all multicast, broadcast, promiscuous
inline constexpr uint32_t kMaxSettableLookahead = 238;
inline constexpr const char kVendorDescription[] = "Corvane-7D Ethernet Adapter.";

// The PID an application asks for with a multicast address: the low 13 bits of its last two bytes.
inline uint16_t multicastPid(const std::array<uint8_t, 6>& address) {
  return uint16_t(((address[4] & 0x1F) << 8) | address[5]);
}

class NetworkInformation {
 public:
  NetworkInformation(Platform& platform, DriverState& state, CommandChannel& channel, AdapterContext* adapter)
      : platform_(platform), state_(state), channel_(channel), adapter_(adapter) {}

  Status query(uint32_t oid, void* buffer, uint32_t length, uint32_t& bytesWritten, uint32_t& bytesNeeded);
  Status set(uint32_t oid, const void* buffer, uint32_t length, uint32_t& bytesRead, uint32_t& bytesNeeded);
  void multicastTimer();

 private:
  Status setMulticastList(const uint8_t* addresses, uint32_t length, uint32_t& bytesRead, uint32_t& bytesNeeded);
  void updatePidChanges();

  Platform& platform_;
  DriverState& state_;
  CommandChannel& channel_;
  AdapterContext* adapter_;
};

}  // namespace cv7::core
