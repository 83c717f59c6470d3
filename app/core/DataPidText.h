// The texts of the data PID page and its dialog: PIDs typed and shown in hexadecimal or
// decimal (one base for the whole process, hexadecimal at start, not saved), the base's label
// and tool tip, and the names of the data service types by their Encapsulation code.
#pragma once
#include <QString>
#include <cstdint>

namespace cv7::app {

enum class PidBase { Hexadecimal, Decimal };

// The base every PID is shown and typed in now, and its change.
PidBase pidNumberBase();
void setPidNumberBase(PidBase base);

// A typed PID. Hexadecimal: digits 0-9, a-f, A-F, spaces and tabs skipped; decimal: digits
// only. Any other character gives 0xFFFF; otherwise the value's low 16 bits ("10000" hex and
// "65536" decimal give 0); an empty text gives 0.
uint16_t parsePidText(const QString& text, PidBase base);
// "1FF" (capital digits, no prefix) or "511".
QString pidText(uint16_t pid, PidBase base);
// Whether OK takes the text: not empty and only digits of the base (no spaces).
bool isPidText(const QString& text, PidBase base);
// The text read in `from` and written in `to`.
QString convertPidText(const QString& text, PidBase from, PidBase to);

// "[Hex]" or "[Dec]", and the string id of the tool tip that names the base.
QString pidBaseTag(PidBase base);
int pidBaseTipId(PidBase base);

// The service types in the order of the dialog's radio buttons.
inline constexpr int kServiceTypeCount = 4;
// The Encapsulation code of radio index 0..3 (1, 2, 3, 5); an index out of range as the last.
uint16_t encapsulationOfServiceType(int index);
// The radio index that shows a stored code: 1, 2, 3 their own, anything else the last.
int serviceTypeOfEncapsulation(uint16_t encapsulation);
// "Data Piping", "Data Streaming", "Multiprotocol Encapsulation" or "Data Streaming PES 1".
QString serviceTypeText(uint16_t encapsulation);

}  // namespace cv7::app
