#include "ConfigurationStore.h"

#include "RegistryValueCodec.h"

namespace cv7::app {

QString ConfigurationStore::readText(const char* section, const QString& name, const QString& fallback) const {
  registry::RegistryValue value;
  std::string error;
  if (registry_.readValue(section, name.toStdString(), value, error) != registry::Registry::Lookup::Found)
    return fallback;
  auto text = registry::RegistryValueCodec::decodeText(value.type, value.data);
  return text ? QString::fromStdString(*text) : fallback;
}

int ConfigurationStore::readInteger(const char* section, const QString& name, int fallback) const {
  return registry_.readInteger(section, name.toStdString(), fallback);
}

bool ConfigurationStore::writeText(const char* section, const QString& name, const QString& text) const {
  return registry_.writeText(section, name.toStdString(), text.toStdString());
}

bool ConfigurationStore::writeInteger(const char* section, const QString& name, int value) const {
  return registry_.writeInteger(section, name.toStdString(), value);
}

QMap<int, QString> ConfigurationStore::readNumberedTexts(const char* section, const QString& prefix) const {
  QMap<int, QString> texts;
  std::vector<registry::RegistryValue> values;
  std::string error;
  registry_.listValues(section, values, error);
  for (const registry::RegistryValue& value : values) {
    const QString name = QString::fromStdString(value.name);
    if (!name.startsWith(prefix)) continue;
    const QString digits = name.mid(prefix.size());
    bool ok = false;
    const int index = digits.toInt(&ok);
    auto text = registry::RegistryValueCodec::decodeText(value.type, value.data);
    if (ok && index >= 1 && QString::number(index) == digits && text) texts.insert(index, QString::fromStdString(*text));
  }
  return texts;
}

}  // namespace cv7::app
