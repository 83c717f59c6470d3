#include "ConfigurationLoader.h"

#include <QDir>

#include "BaseDirectory.h"
#include "ConfigurationKeys.h"
#include "DefaultSatellites.h"
#include "StringId.h"
#include "Trace.h"

namespace cv7::app {

ConfigurationLoader::ConfigurationLoader(ApplicationState& state, const ConfigurationStore& store, UserInterface& ui)
    : state_(state), store_(store), ui_(ui) {}

void ConfigurationLoader::load() {
  state_.m_strBaseDir = BaseDirectory::resolve(store_);
  resolveDataDirectory();
  state_.m_SateNum = store_.readInteger(config::kSatellite, config::kSatelliteNum, 0);
  if (state_.m_SateNum < 1) writeFirstRunDefaults(kWarnOnFirstRun);

  const QString dataName = store_.readText(config::kSatellite, config::kDataSateName);
  if (!dataName.isEmpty() && selectSatellite(dataName)) {
    readStoredTransponder(config::kDataFrequency, config::kDataSymbolRate);
    return;
  }
  const QString tvName = store_.readText(config::kSatellite, config::kTvSateName);
  if (!tvName.isEmpty() && selectSatellite(tvName)) {
    readStoredTransponder(config::kTvFrequency, config::kTvSymbolRate);
    return;
  }
  state_.m_strSateName = store_.readText(config::kSatellite, QString(config::kSatelliteNameFormat).arg(1));
  state_.m_strSateFile = store_.readText(config::kSatellite, QString(config::kSatelliteFileFormat).arg(1));
  if (state_.m_strSateName.isEmpty() || state_.m_strSateFile.isEmpty()) writeFirstRunDefaults(true);
}

// The data directory is made current when it exists; otherwise it is created (the current
// directory stays the base); when neither works the base directory holds the data files.
void ConfigurationLoader::resolveDataDirectory() {
  const QString dataDir = BaseDirectory::child(state_.m_strBaseDir, kDataFileDir);
  if (QDir::setCurrent(dataDir) || QDir().mkdir(dataDir)) {
    state_.m_strDataDir = dataDir;
  } else {
    trace("cannot create " + dataDir);
    state_.m_strDataDir = state_.m_strBaseDir;
  }
}

bool ConfigurationLoader::selectSatellite(const QString& name) {
  const QMap<int, QString> names = store_.readNumberedTexts(config::kSatellite, QStringLiteral("Satellite Name"));
  for (auto it = names.begin(); it != names.end() && it.key() <= state_.m_SateNum; ++it) {
    if (it.value() != name) continue;
    state_.m_LastNum = it.key();
    state_.m_strSateName = name;
    // An empty file value stands for base/NAME.cvd, for this run only.
    const QString file = store_.readText(config::kSatellite, QString(config::kSatelliteFileFormat).arg(it.key()));
    state_.m_strSateFile = file.isEmpty() ? BaseDirectory::child(state_.m_strBaseDir, name + ".cvd") : file;
    return true;
  }
  return false;
}

void ConfigurationLoader::readStoredTransponder(const char* frequencyName, const char* symbolRateName) {
  state_.m_strStoredFrequency = store_.readText(config::kSatellite, frequencyName);
  state_.m_strStoredSymbolRate = store_.readText(config::kSatellite, symbolRateName);
}

void ConfigurationLoader::writeFirstRunDefaults(bool warn) {
  if (warn) ui_.messageBox(StringId::SatelliteDamaged, StringId::AppTitle, MessageStyle::exclamation());
  for (size_t i = 0; i < kDefaultSatellites.size(); ++i)
    store_.writeText(config::kSatellite, QString(config::kSatelliteNameFormat).arg(i + 1), kDefaultSatellites[i].name);
  for (size_t i = 0; i < kDefaultSatellites.size(); ++i)
    store_.writeText(config::kSatellite, QString(config::kSatelliteFileFormat).arg(i + 1),
                     BaseDirectory::child(state_.m_strDataDir, kDefaultSatellites[i].fileName));
  state_.m_SateNum = int(kDefaultSatellites.size());
  store_.writeInteger(config::kSatellite, config::kSatelliteNum, state_.m_SateNum);

  const DefaultSatellite& selected =
      state_.m_strSateName == QLatin1String(kDefaultSatellites[3].name) ? kDefaultSatellites[3] : kDefaultSatellites[0];
  state_.m_strSateName = selected.name;
  state_.m_LastNum = &selected == &kDefaultSatellites[3] ? 4 : 1;
  store_.writeText(config::kSatellite, config::kDataSateName, selected.name);
  state_.m_strSateFile = BaseDirectory::child(state_.m_strDataDir, selected.fileName);
}

}  // namespace cv7::app
