// What the card's firmware keeps from the commands it received: the diagnostics a test or
// the daemon's status page reads back.
#pragma once
#include <array>
#include <cstdint>
#include <deque>
#include <set>
#include <vector>

namespace cv7::sim {

// Parameters of the last CMD_TUNE, in block order.
struct TuneParameters {
  uint32_t localOscillatorKHz = 0;
  uint32_t frequencyKHz = 0;
  uint32_t symbolRate = 0;
  uint8_t polarity = 0;   // 1 or 2
  uint8_t band = 0;       // 1 = 22 kHz tone on
  uint8_t lnbPower = 0;   // 1 = on
  uint8_t toneBurst = 0;
  uint8_t diseqc = 0;
  bool operator==(const TuneParameters&) const = default;
};

// One entry of the card's network PID filter (CMD_SET_NETWORK_PID).
struct NetworkPid {
  uint16_t pid = 0;
  uint8_t kind = 0;          // encapsulation: 3 sections, 5 stuffed stream, 10..12 raw
  uint16_t transportId = 0;
  uint16_t programNumber = 0;
  uint16_t pmtPid = 0;
  bool operator==(const NetworkPid&) const = default;
};

struct FirmwareState {
  static constexpr size_t kMaxNetworkPids = 32;
  static constexpr size_t kMaxMulticast = 32;

  uint32_t tuneCount = 0;
  TuneParameters tune;
  std::array<uint16_t, 6> channel{};        // program started by CMD_SET_CHANNEL
  std::array<uint16_t, 6> stoppedChannel{}; // program stopped by CMD_STOP_CHANNEL
  bool channelRunning = false;
  uint16_t audioPid = 0;
  std::array<uint8_t, 3> audioControl{};
  std::vector<NetworkPid> networkPids;
  std::array<uint8_t, 4> ipAddress{};
  uint8_t filterMode = 0;
  std::set<uint8_t> openClients;
  std::vector<std::array<uint8_t, 6>> multicastList;
  bool searchRunning = false;
  uint32_t searchesStarted = 0;
  uint32_t searchesCancelled = 0;
  uint8_t lastEvent = 0;

  // Answers of the queries (settable by the card's owner).
  std::array<uint8_t, 4> tunerInfo{0xF0, 0xC8, 0x40, 0x00};  // four lock indicators, level, quality, 0 errors
  uint8_t videoMode = 0;
  uint8_t statusByte = 0x01;
  std::array<uint8_t, 3> threeBytes{0x00, 0x00, 0x00};
  std::array<uint32_t, 2> twoDwords{0, 0};
  uint8_t searchFinished = 1;
  std::array<uint8_t, 2> version{1, 0};
};

}  // namespace cv7::sim
