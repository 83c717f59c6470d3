#include "NetCardText.h"

#include "NumberText.h"

namespace cv7::app {

namespace {

const QString kError = QStringLiteral("error");

}  // namespace

QString versionText(const std::optional<std::array<uint8_t, 2>>& version) {
  if (!version) return kError;
  return QStringLiteral("%1.%2").arg((*version)[0]).arg((*version)[1], 2, 10, QLatin1Char('0'));
}

QString macText(const std::optional<std::array<uint8_t, 6>>& mac) {
  if (!mac) return kError;
  QString text;
  for (uint8_t byte : *mac) {
    if (!text.isEmpty()) text += QLatin1Char('-');
    text += QStringLiteral("%1").arg(byte, 2, 16, QLatin1Char('0')).toUpper();
  }
  return text;
}

QString tunedTitleSuffix(const QString& satellite, uint32_t frequencyKHz, uint32_t symbolRateKSymbols) {
  return QStringLiteral(" - %1, %2 [MHz], %3 [MSymbol]")
      .arg(satellite, thousandthsText(frequencyKHz), thousandthsText(symbolRateKSymbols));
}

}  // namespace cv7::app
