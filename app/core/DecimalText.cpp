#include "DecimalText.h"

namespace cv7::app {

double parseDecimalText(const QString& text) {
  double value = 0;
  bool fraction = false;
  double weight = 0.1;
  for (const QChar c : text) {
    if (c == QLatin1Char('.')) {
      fraction = true;
      continue;
    }
    if (c < QLatin1Char('0') || c > QLatin1Char('9')) continue;
    const int digit = c.unicode() - '0';
    if (fraction) {
      value += digit * weight;
      weight *= 0.1;
    } else {
      value = value * 10 + digit;
    }
  }
  return value;
}

uint32_t wholeNumber(double value) {
  if (!(value >= 0) || value >= 4294967296.0) return 0;
  return uint32_t(value);
}

}  // namespace cv7::app
