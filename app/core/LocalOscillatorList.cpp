#include "LocalOscillatorList.h"

#include <climits>

#include "ConfigurationKeys.h"

namespace cv7::app {

QStringList LocalOscillatorList::builtIns() {
  return {QStringLiteral("5150"), QStringLiteral("9750"), QStringLiteral("10600"), QStringLiteral("Universal LNB")};
}

QStringList LocalOscillatorList::userEntries() const {
  QStringList entries;
  const int count = store_.readInteger(config::kLnb, config::kLocalOscillatorNum, 0);
  const QMap<int, QString> stored = store_.readNumberedTexts(config::kLnb, QStringLiteral("Local Oscillator "));
  for (auto it = stored.begin(); it != stored.end() && it.key() <= count; ++it)
    if (!it.value().isEmpty()) entries << it.value();
  return entries;
}

bool LocalOscillatorList::remember(const QString& value) const {
  if (builtIns().contains(value)) return false;
  if (userEntries().contains(value)) return false;
  const int count = store_.readInteger(config::kLnb, config::kLocalOscillatorNum, 0);
  if (count == INT_MAX) return false;  // a damaged count leaves no number for the entry
  const int next = count < 0 ? 1 : count + 1;
  return store_.writeText(config::kLnb, QString(config::kLocalOscillatorFormat).arg(next), value) &&
         store_.writeInteger(config::kLnb, config::kLocalOscillatorNum, next);
}

bool LocalOscillatorList::remove(const QString& value) const {
  if (builtIns().contains(value)) return false;
  const int count = store_.readInteger(config::kLnb, config::kLocalOscillatorNum, 0);
  const QMap<int, QString> stored = store_.readNumberedTexts(config::kLnb, QStringLiteral("Local Oscillator "));
  int found = 0;
  for (auto it = stored.begin(); it != stored.end() && it.key() <= count && found == 0; ++it)
    if (it.key() >= 1 && it.value() == value) found = it.key();
  if (found == 0) return false;
  for (int j = found; j < count; ++j)
    store_.writeText(config::kLnb, QString(config::kLocalOscillatorFormat).arg(j), stored.value(j + 1));
  return store_.writeInteger(config::kLnb, config::kLocalOscillatorNum, count - 1);
}

}  // namespace cv7::app
