// The texts of the network card page: the card's versions, its MAC address and the sheet's
// title for the tuned transponder.
#pragma once
#include <QString>
#include <array>
#include <cstdint>
#include <optional>

namespace cv7::app {

// "%1d.%02d" of {major, minor}: {1, 5} -> "1.05", {12, 30} -> "12.30"; "error" when the
// version could not be read.
QString versionText(const std::optional<std::array<uint8_t, 2>>& version);

// The six bytes as "00-0A-FF-63-6A-01" (two capital hex digits each); "error" when the
// address could not be read.
QString macText(const std::optional<std::array<uint8_t, 6>>& mac);

// What follows the data caption for a tuned transponder:
// " - HOTBIRD, 10719.000 [MHz], 27.500 [MSymbol]" (frequency in kHz, symbol rate in ksymbol/s).
QString tunedTitleSuffix(const QString& satellite, uint32_t frequencyKHz, uint32_t symbolRateKSymbols);

}  // namespace cv7::app
