// The stored frequency and symbol rate texts ("10719000", "27500.5") as numbers.
#pragma once
#include <QString>
#include <cstdint>

namespace cv7::app {

// Reads a decimal text with or without a fractional part: digits before the first "." make
// the whole part, digits after it the fraction; every other character is skipped. An empty
// text gives 0.
double parseDecimalText(const QString& text);

// The whole part of a parsed value (the fraction dropped, not rounded). A value that does
// not fit 32 bits gives 0, which no transponder has.
uint32_t wholeNumber(double value);

}  // namespace cv7::app
