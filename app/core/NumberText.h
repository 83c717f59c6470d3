// The number texts of the setup pages and dialogs. Frequencies and symbol rates are held as
// integers in thousandths of the unit shown (kHz shown as MHz, ksymbol/s as Msymbol/s); local
// oscillators in kHz, shown in whole MHz.
#pragma once
#include <QString>
#include <cstdint>
#include <optional>

namespace cv7::app {

// The integer with a point before its last three digits: 10719000 -> "10719.000",
// 5 -> "0.005", 0 -> "0.000".
QString thousandthsText(uint32_t value);

// A local oscillator in whole MHz, right-aligned in six places as the satellite page shows
// it ("  5150", " 10600"); the fraction is rounded.
QString oscillatorPageText(uint32_t kHz);
// The same without the padding, as the satellite dialog lists it ("9751" for 9750600).
QString oscillatorDialogText(uint32_t kHz);

// A typed frequency or symbol rate in thousandths: only digits and at most one point; the
// digits after the point beyond the third are cut, not rounded; an empty text gives 0.
// None for any other character, a second point, or a value beyond 32 bits.
std::optional<uint32_t> thousandthsValue(const QString& text);

// A typed local oscillator in kHz: "Universal LNB" gives 0; otherwise only digits and points,
// read as MHz with at most three decimals (9750.5 -> 9750500). None for any other character,
// a second point among the three decimals, a value of 0 or one beyond 32 bits.
std::optional<uint32_t> oscillatorValue(const QString& text);

}  // namespace cv7::app
