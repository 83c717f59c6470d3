// The satellite name of a library record (a NUL-terminated char field) as a text, never
// read past the field.
#pragma once
#include <QString>
#include <cstring>

namespace cv7::app {

template <size_t N>
QString satelliteName(const char (&field)[N]) {
  return QString::fromUtf8(field, qsizetype(strnlen(field, N)));
}

// Writes `name` into a record's name field, cut to fit with its terminating zero.
template <size_t N>
void setSatelliteName(char (&field)[N], const QString& name) {
  const QByteArray bytes = name.toUtf8();
  std::memset(field, 0, N);
  std::memcpy(field, bytes.constData(), std::min<size_t>(size_t(bytes.size()), N - 1));
}

}  // namespace cv7::app
