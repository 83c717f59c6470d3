// What one transponder's transport stream carries: the multiplex rate, the services with
// their elementary streams (announced in PAT, PMT and SDT), and the data sources that feed
// data PIDs. Filled from the sky file; read by the multiplexer.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace cv7::sim {

// ISO/IEC 13818-1 stream types used by the card.
enum StreamType : uint8_t {
  kStreamMpeg2Video = 0x02,
  kStreamMpeg1Audio = 0x03,
  kStreamMpeg2Audio = 0x04,
  kStreamPrivateSections = 0x05,
  kStreamPesPrivateData = 0x06,
  kStreamDsmccTypeD = 0x0D,
};

struct ElementaryStream {
  uint8_t streamType = 0;
  uint16_t pid = 0;
};

struct ServiceConfig {
  uint16_t programNumber = 0;
  uint16_t pmtPid = 0;
  uint16_t pcrPid = 0x1FFF;
  bool scrambled = false;
  std::string name;
  std::string provider;
  std::vector<ElementaryStream> streams;
};

// How a data source's datagrams are put on their PID.
enum class Encapsulation : uint8_t {
  Mpe,            // DVB multiprotocol encapsulation datagram sections
  MpeLlcSnap,     // the same with an LLC/SNAP header
  StuffedPes,     // the byte-stuffed IP stream in PES packets
};

struct DataSourceConfig {
  enum class Kind : uint8_t { Generator, Uplink, TsFile };
  Kind kind = Kind::Generator;
  uint16_t pid = 0;
  Encapsulation encapsulation = Encapsulation::Mpe;
  // Generator: UDP datagrams with sequence numbers.
  double datagramsPerSecond = 10;
  uint32_t payloadSize = 64;             // UDP payload bytes
  // Generator and uplink: where the datagrams go.
  uint32_t destinationAddress = 0;       // IPv4, host order (e.g. 239.1.2.3)
  uint16_t destinationPort = 5000;
  uint32_t sourceAddress = 0x0A000001;   // 10.0.0.1
  uint16_t sourcePort = 4000;
  // Uplink: UDP port on 127.0.0.1 whose payloads are sent on.
  uint16_t uplinkPort = 0;
  // Recorded transport stream: played at its own rate (PCR) or at muxRate.
  std::string tsFile;
  // Test switch: mark sections as scrambled.
  bool scrambledFlags = false;
};

struct TransportStreamConfig {
  uint16_t transportStreamId = 1;
  uint16_t originalNetworkId = 1;
  uint32_t muxRateBitsPerSecond = 38'000'000;  // null packets fill up to this rate
  uint32_t psiRepetitionMs = 100;              // PAT/PMT/SDT repetition interval
  std::vector<ServiceConfig> services;
  std::vector<DataSourceConfig> sources;
};

}  // namespace cv7::sim
