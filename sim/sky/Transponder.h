// One transponder of a satellite as the sky holds it: where it is (frequency, polarisation),
// how it is modulated (symbol rate, code rate), how well it arrives (link quality) and what
// its transport stream carries.
#pragma once
#include <cstdint>
#include <vector>

#include "ts/StreamConfig.h"

namespace cv7::sim {

// Linear polarisations are chosen by the LNB supply: 13 V vertical, 18 V horizontal.
// Circular ones map onto the same two voltages: left = 13 V, right = 18 V.
enum class Polarisation : uint8_t { Horizontal, Vertical, CircularLeft, CircularRight };

// True when the LNB must be fed 18 V to receive this polarisation.
bool needsHighVoltage(Polarisation p);

// Inner code rate of the DVB-S QPSK signal.
enum class CodeRate : uint8_t { R1_2, R2_3, R3_4, R5_6, R7_8 };

double codeRateValue(CodeRate r);
// Carrier-to-noise ratio (dB) below which the Viterbi decoder cannot hold a lock.
double viterbiThresholdDb(CodeRate r);

// What the link budget leaves at the receiver.
struct LinkQuality {
  double levelPercent = 75;  // signal level at the tuner input, 0..100 %
  double cnDb = 12;          // carrier-to-noise ratio in dB
};

struct Transponder {
  uint32_t frequencyKHz = 0;
  Polarisation polarisation = Polarisation::Horizontal;
  uint32_t symbolRateKsps = 27'500;  // ksymbol/s, the unit the host sends
  CodeRate codeRate = CodeRate::R3_4;
  LinkQuality link;
  // Services, data sources, ids and multiplex rate of the transport stream.
  TransportStreamConfig stream;
  // Data PIDs that a default satellite data file marks as selected for reception.
  std::vector<uint16_t> selectedDataPids;
};

// Useful bit rate of a DVB-S transponder: 2 bits per symbol, inner code, RS(204,188).
uint32_t usefulBitRate(uint32_t symbolRateKsps, CodeRate r);

}  // namespace cv7::sim
