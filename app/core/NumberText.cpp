#include "NumberText.h"

namespace cv7::app {

namespace {

constexpr uint64_t kLimit = uint64_t(1) << 32;

bool onlyDigitsAndPoints(const QString& text) {
  for (QChar c : text)
    if (c != u'.' && (c < u'0' || c > u'9')) return false;
  return true;
}

// Digits read as a number; none when it does not fit 32 bits.
std::optional<uint32_t> digitsValue(const QString& digits) {
  uint64_t value = 0;
  for (QChar c : digits) {
    value = value * 10 + uint64_t(c.unicode() - u'0');
    if (value >= kLimit) return std::nullopt;
  }
  return uint32_t(value);
}

}  // namespace

QString thousandthsText(uint32_t value) {
  return QStringLiteral("%1.%2").arg(value / 1000).arg(value % 1000, 3, 10, QLatin1Char('0'));
}

QString oscillatorPageText(uint32_t kHz) { return QString::asprintf("%6.0f", kHz * 0.001); }

QString oscillatorDialogText(uint32_t kHz) { return QString::asprintf("%1.0f", kHz * 0.001); }

std::optional<uint32_t> thousandthsValue(const QString& text) {
  if (!onlyDigitsAndPoints(text) || text.count(u'.') > 1) return std::nullopt;
  const qsizetype point = text.indexOf(u'.');
  if (point < 0) return digitsValue(text + QStringLiteral("000"));
  const QString fraction = (text.mid(point + 1) + QStringLiteral("000")).left(3);
  return digitsValue(text.left(point) + fraction);
}

std::optional<uint32_t> oscillatorValue(const QString& text) {
  if (text == QLatin1String("Universal LNB")) return 0;
  if (!onlyDigitsAndPoints(text)) return std::nullopt;
  const QString padded = text + QStringLiteral("000");
  const qsizetype point = padded.indexOf(u'.');
  // A second point among the three decimals leaves the value undefined; one after them is
  // beyond what is read.
  const QString digits = point < 0 ? padded : padded.left(point) + padded.mid(point + 1, 3);
  if (digits.contains(u'.')) return std::nullopt;
  // Without a point the appended zeros make kHz of MHz as well.
  const std::optional<uint32_t> value = digitsValue(digits);
  if (!value || *value == 0) return std::nullopt;
  return value;
}

}  // namespace cv7::app
