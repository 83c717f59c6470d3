#include "StringTable.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

#include "StringId.h"

namespace cv7::app {
namespace {

// One resource file: {"language": ..., "strings": {"129": "...", ...}}. A table that names
// another table "over" which it lies takes every identifier it lacks from that one.
void loadInto(QHash<int, QString>& texts, const QString& resource) {
  QFile file(resource);
  if (!file.open(QIODevice::ReadOnly)) qFatal("string table %s is not in the program", qPrintable(resource));
  const QJsonObject strings = QJsonDocument::fromJson(file.readAll()).object().value("strings").toObject();
  for (auto it = strings.begin(); it != strings.end(); ++it) texts.insert(it.key().toInt(), it.value().toString());
}

}  // namespace

StringTable::StringTable(Language language) : language_(language) {
  loadInto(texts_, QStringLiteral(":/strings/english.json"));
  if (language == Language::Korean) loadInto(texts_, QStringLiteral(":/strings/korean.json"));
}

QString StringTable::text(int id) const { return texts_.value(id); }

QString StringTable::messageText(int id) const {
  return id == StringId::NoText ? QStringLiteral("No message") : text(id);
}

QString StringTable::titleText(int id) const { return id == StringId::NoText ? QStringLiteral("No title") : text(id); }

bool StringTable::isKorean() const { return text(StringId::Language) == QLatin1String("Korean"); }

}  // namespace cv7::app
