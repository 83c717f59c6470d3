#include "DataPidText.h"

#include <array>
#include <atomic>

#include "StringId.h"

namespace cv7::app {

namespace {

std::atomic<PidBase> g_pidBase{PidBase::Hexadecimal};

constexpr uint16_t kRefused = 0xFFFF;
constexpr std::array<uint16_t, kServiceTypeCount> kEncapsulations = {1, 2, 3, 5};
constexpr std::array<const char*, kServiceTypeCount> kServiceTypes = {
    "Data Piping", "Data Streaming", "Multiprotocol Encapsulation", "Data Streaming PES 1"};

// The digit's value in the base, or -1.
int digitValue(QChar c, PidBase base) {
  if (c >= u'0' && c <= u'9') return c.unicode() - u'0';
  if (base == PidBase::Decimal) return -1;
  if (c >= u'a' && c <= u'f') return c.unicode() - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c.unicode() - u'A' + 10;
  return -1;
}

}  // namespace

PidBase pidNumberBase() { return g_pidBase.load(); }

void setPidNumberBase(PidBase base) { g_pidBase = base; }

uint16_t parsePidText(const QString& text, PidBase base) {
  const uint32_t radix = base == PidBase::Hexadecimal ? 16 : 10;
  uint32_t value = 0;
  for (QChar c : text) {
    if (base == PidBase::Hexadecimal && (c == u' ' || c == u'\t')) continue;
    const int digit = digitValue(c, base);
    if (digit < 0) return kRefused;
    value = (value * radix + uint32_t(digit)) & 0xFFFF;  // only the low 16 bits count
  }
  return uint16_t(value);
}

QString pidText(uint16_t pid, PidBase base) {
  return base == PidBase::Hexadecimal ? QString::number(pid, 16).toUpper() : QString::number(pid);
}

bool isPidText(const QString& text, PidBase base) {
  if (text.isEmpty()) return false;
  for (QChar c : text)
    if (digitValue(c, base) < 0) return false;
  return true;
}

QString convertPidText(const QString& text, PidBase from, PidBase to) {
  return pidText(parsePidText(text, from), to);
}

QString pidBaseTag(PidBase base) {
  return base == PidBase::Hexadecimal ? QStringLiteral("[Hex]") : QStringLiteral("[Dec]");
}

int pidBaseTipId(PidBase base) {
  return base == PidBase::Hexadecimal ? StringId::HexadecimalTip : StringId::DecimalTip;
}

uint16_t encapsulationOfServiceType(int index) {
  return kEncapsulations[size_t(index >= 0 && index < kServiceTypeCount ? index : kServiceTypeCount - 1)];
}

int serviceTypeOfEncapsulation(uint16_t encapsulation) {
  for (int i = 0; i < kServiceTypeCount - 1; ++i)
    if (kEncapsulations[size_t(i)] == encapsulation) return i;
  return kServiceTypeCount - 1;
}

QString serviceTypeText(uint16_t encapsulation) {
  return QString::fromLatin1(kServiceTypes[size_t(serviceTypeOfEncapsulation(encapsulation))]);
}

}  // namespace cv7::app
