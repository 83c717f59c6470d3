// Card command codes and their reply data codes, shared by the driver core and the card model.
#pragma once
#include <cstdint>

namespace cv7::cmd {

inline constexpr uint8_t CMD_TUNE = 2;
inline constexpr uint8_t CMD_SET_CHANNEL = 3;
inline constexpr uint8_t CMD_STOP_CHANNEL = 4;
inline constexpr uint8_t CMD_SET_NETWORK_PID = 5;
inline constexpr uint8_t CMD_RELEASE_NETWORK_PID = 6;
inline constexpr uint8_t CMD_SET_IP_ADDRESS = 7;
inline constexpr uint8_t CMD_GET_MAC_ADDRESS = 8;
inline constexpr uint8_t CMD_GET_TUNER_INFO = 9;
inline constexpr uint8_t CMD_GET_VIDEO_MODE = 10;
inline constexpr uint8_t CMD_GET_STATUS_BYTE = 11;
inline constexpr uint8_t CMD_SEARCH_CANCEL = 12;
inline constexpr uint8_t CMD_GET_PROGRAM_TABLE = 13;
inline constexpr uint8_t CMD_QUERY_3BYTES = 14;
inline constexpr uint8_t CMD_SET_AUDIO_CONTROL = 15;
inline constexpr uint8_t CMD_SET_MULTICAST_LIST = 16;
inline constexpr uint8_t CMD_QUERY_2DWORDS = 17;
inline constexpr uint8_t CMD_SET_FILTER_MODE = 18;
inline constexpr uint8_t CMD_GET_EVENT = 19;
inline constexpr uint8_t CMD_GET_FIRMWARE_VERSION = 20;
inline constexpr uint8_t CMD_OPEN_CLIENT = 21;
inline constexpr uint8_t CMD_CLOSE_CLIENT = 22;
inline constexpr uint8_t CMD_SET_AUDIO_PID = 23;
inline constexpr uint8_t CMD_RELEASE_ALL_PIDS = 24;
inline constexpr uint8_t CMD_GET_SEARCH_STATUS = 25;
inline constexpr uint8_t CMD_START_SEARCH = 26;
inline constexpr uint8_t kFirstCommand = CMD_TUNE;
inline constexpr uint8_t kLastCommand = CMD_START_SEARCH;

// Reply data codes (first byte of the card's data frame).
inline constexpr uint8_t REPLY_TUNER_INFO = 0x64;      // L = 4
inline constexpr uint8_t REPLY_VIDEO_MODE = 0x65;      // L = 1
inline constexpr uint8_t REPLY_STATUS_BYTE = 0x66;     // L = 1
inline constexpr uint8_t REPLY_PROGRAM_TABLE = 0x67;   // L = payload length
inline constexpr uint8_t REPLY_3BYTES = 0x69;          // L = 3
inline constexpr uint8_t REPLY_MAC_ADDRESS = 0x6A;     // L = byte count
inline constexpr uint8_t REPLY_2DWORDS = 0x6B;         // L = 8
inline constexpr uint8_t REPLY_EVENT = 0x6C;           // L = 1
inline constexpr uint8_t REPLY_FIRMWARE_VERSION = 0x6D;  // L = 2
inline constexpr uint8_t REPLY_SEARCH_STATUS = 0x6E;   // L = 1

// Frame bytes.
inline constexpr uint8_t kFrameStart = 0x01;       // first byte of an acknowledgement
inline constexpr uint16_t kAckLength = 2;

// Parameter lengths P of the command frames.
inline constexpr uint16_t kTuneLength = 17;
inline constexpr uint16_t kChannelLength = 12;
inline constexpr uint16_t kNetworkPidLength = 9;

// Card event codes (reply of CMD_GET_EVENT) that the library maps to messages.
inline constexpr uint8_t EVENT_CLIENT_OPENED = 21;

}  // namespace cv7::cmd
