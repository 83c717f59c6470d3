// Sections and value names of the configuration store that the application reads and
// writes (docs/configuration.md lists them with their types and defaults).
#pragma once

namespace cv7::app::config {

inline constexpr const char* kSatellite = "Satellite";
inline constexpr const char* kNetCard = "Net Card";
inline constexpr const char* kLnb = "LNB";

// Section "Satellite".
inline constexpr const char* kSatelliteDir = "Satellite Dir";
inline constexpr const char* kSatelliteNum = "Satellite Num";
inline constexpr const char* kSatelliteNameFormat = "Satellite Name%1";  // %1: 1..N
inline constexpr const char* kSatelliteFileFormat = "Satellite File%1";
inline constexpr const char* kDataSateName = "Data SateName";
inline constexpr const char* kDataFrequency = "Data Frequency";
inline constexpr const char* kDataSymbolRate = "Data Symbol Rate";
inline constexpr const char* kTvSateName = "TV SateName";
inline constexpr const char* kTvFrequency = "TV Frequency";
inline constexpr const char* kTvSymbolRate = "TV Symbol Rate";
inline constexpr const char* kFlagNewIp = "Flag New IP";  // default 1

// Section "Net Card".
inline constexpr const char* kIpAddress = "IP Address";  // first octet in the low byte; 0 = none

// Section "LNB".
inline constexpr const char* kLocalOscillatorNum = "Local Oscillator Num";
inline constexpr const char* kLocalOscillatorFormat = "Local Oscillator %1";

}  // namespace cv7::app::config
