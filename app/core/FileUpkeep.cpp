#include "FileUpkeep.h"

#include <corvane.h>

#include <QFile>
#include <cstring>

#include "BaseDirectory.h"
#include "ConfigurationKeys.h"
#include "DefaultSatellites.h"
#include "StringId.h"
#include "Trace.h"

namespace cv7::app {
namespace {

QByteArray nativePath(const QString& path) { return QFile::encodeName(path); }

QByteArray satelliteName(const LnbInfo& lnb) {
  return QByteArray(lnb.SatelliteName, int(strnlen(lnb.SatelliteName, sizeof lnb.SatelliteName)));
}

const DefaultSatellite* defaultSatelliteNamed(const QString& name) {
  for (const DefaultSatellite& satellite : kDefaultSatellites)
    if (name == QLatin1String(satellite.name)) return &satellite;
  return nullptr;
}

void removeFile(const QString& path) {
  if (!QFile::remove(path)) trace("cannot delete " + path);
}

}  // namespace

FileUpkeep::FileUpkeep(ApplicationState& state, const ConfigurationStore& store, UserInterface& ui, Clock& clock)
    : state_(state), store_(store), ui_(ui), clock_(clock) {}

int FileUpkeep::openWithRetries(const std::function<int()>& open, const std::function<int()>& close) {
  int result = open();
  for (int attempt = 1; attempt < kOpenAttempts && result == FILE_IS_USING; ++attempt) {
    close();
    clock_.sleepFor(kRetryDelay);
    result = open();
  }
  return result;
}

int FileUpkeep::openDataFile(const QString& path) {
  const QByteArray native = nativePath(path);
  return openWithRetries([&] { return Cvn_ChannelFileOpen(native.constData()); }, Cvn_ChannelFileClose);
}

FileUpkeep::Result FileUpkeep::loadDataFile() {
  const QString path = state_.m_strSateFile;
  if (path.isEmpty()) return Result::NoFile;
  switch (openDataFile(path)) {
    case FILE_OPEN_OK:
      if (Cvn_ChannelFileRead()) {
        Cvn_ChannelFileClose();
        return Result::Done;
      }
      ui_.fileMessage(StringId::FileReadFailed, path);
      Cvn_ChannelFileClose();
      removeFile(path);
      return repairDataFile();
    case FILE_IS_USING:
      // Still held by another program: neither read nor replaced; the database keeps what
      // it held, and the user learns that the file could not be opened.
      ui_.fileMessage(StringId::FileOpenFailed, path);
      return Result::InUse;
    default:
      ui_.fileMessage(StringId::FileOpenFailed, path);
      return repairDataFile();
  }
}

// Saving never gives up the database in memory: it holds what the user means to keep.
FileUpkeep::Result FileUpkeep::saveDataFile() {
  const QString path = state_.m_strSateFile;
  if (path.isEmpty()) return Result::NoFile;
  switch (openDataFile(path)) {
    case FILE_OPEN_OK:
      if (Cvn_ChannelFileWrite()) {
        Cvn_ChannelFileClose();
        return Result::Done;
      }
      Cvn_ChannelFileClose();
      ui_.fileMessage(StringId::FileWriteFailed, path);
      return Result::Failed;
    case FILE_IS_USING:
      ui_.fileMessage(StringId::FileWriteFailed, path);
      return Result::InUse;
    default:
      return createDataFile(path);
  }
}

FileUpkeep::Result FileUpkeep::repairDataFile() {
  removeSatelliteFromFavorites(state_.m_strSateName);
  ui_.messageBox(StringId::SatelliteDamaged, StringId::AppTitle, MessageStyle::exclamation());
  if (StartDefaultMode()) return Result::Repaired;
  return startEmptySatellite();
}

FileUpkeep::Result FileUpkeep::startEmptySatellite() {
  Cvn_FreeTransponderStructure();
  LnbInfo lnb{};
  const QByteArray name = state_.m_strSateName.toUtf8();
  std::memcpy(lnb.SatelliteName, name.constData(), std::min<size_t>(name.size(), sizeof lnb.SatelliteName - 1));
  lnb.LocalOscillator = kEmptySatelliteOscillator;
  Cvn_SetNewLNBInformation(lnb);
  Result created = createDataFile(state_.m_strSateFile);
  return created == Result::Done ? Result::EmptySatellite : created;
}

FileUpkeep::Result FileUpkeep::createDataFile(const QString& path) {
  if (!Cvn_ChannelFileCreate(nativePath(path).constData())) {
    ui_.fileMessage(StringId::FileCreateFailed, path);
    return Result::Failed;
  }
  if (!Cvn_ChannelFileWrite()) {
    Cvn_ChannelFileClose();
    ui_.fileMessage(StringId::FileWriteFailed, path);
    return Result::Failed;
  }
  Cvn_ChannelFileClose();
  return Result::Done;
}

bool FileUpkeep::StartDefaultMode() {
  const QString base = store_.readText(config::kSatellite, config::kSatelliteDir);
  if (base.isEmpty()) {
    ui_.messageBox(StringId::SatelliteDamaged, StringId::AppTitle, MessageStyle::exclamation());
    return false;
  }
  const DefaultSatellite* satellite = defaultSatelliteNamed(state_.m_strSateName);
  if (!satellite) return false;
  const QString defaultPath = BaseDirectory::child(BaseDirectory::child(base, kDefaultFileDir), satellite->fileName);
  // A default file that another program holds through every attempt counts as not opened.
  if (openDataFile(defaultPath) != FILE_OPEN_OK) {
    ui_.fileMessage(StringId::FileOpenFailed, defaultPath);
    return false;
  }
  if (!Cvn_ChannelFileRead()) {
    ui_.fileMessage(StringId::FileReadFailed, defaultPath);
    Cvn_ChannelFileClose();
    return false;
  }
  Cvn_ChannelFileClose();
  return createDataFile(state_.m_strSateFile) == Result::Done;
}

QString FileUpkeep::favoriteFilePath() const {
  return BaseDirectory::child(BaseDirectory::resolve(store_), kFavoriteFileName);
}

FileUpkeep::Result FileUpkeep::openFavoriteFile() {
  const QString path = favoriteFilePath();
  const QByteArray native = nativePath(path);
  if (openWithRetries([&] { return Cvn_FavoriteFileOpen(native.constData()); }, Cvn_FavoriteFileClose) ==
      FILE_OPEN_OK) {
    if (Cvn_FavoriteReadFile()) {
      Cvn_FavoriteFileClose();
      return Result::Done;
    }
    Cvn_FavoriteFileClose();
    ui_.fileMessage(StringId::FileReadFailed, path);
    removeFile(path);
  } else {
    ui_.fileMessage(StringId::FileOpenFailed, path);
  }
  return createFavoriteFile(path);
}

FileUpkeep::Result FileUpkeep::saveFavoriteFile() {
  const QString path = favoriteFilePath();
  const QByteArray native = nativePath(path);
  if (openWithRetries([&] { return Cvn_FavoriteFileOpen(native.constData()); }, Cvn_FavoriteFileClose) ==
      FILE_OPEN_OK) {
    if (Cvn_FavoriteWriteFile()) {
      Cvn_FavoriteFileClose();
      return Result::Done;
    }
    Cvn_FavoriteFileClose();
    ui_.fileMessage(StringId::FileWriteFailed, path);
    removeFile(path);
  } else {
    ui_.fileMessage(StringId::FileOpenFailed, path);
  }
  return createFavoriteFile(path);
}

// The favourites that the library holds, into a new file.
FileUpkeep::Result FileUpkeep::createFavoriteFile(const QString& path) {
  if (!Cvn_FavoriteFileCreate(nativePath(path).constData())) {
    ui_.fileMessage(StringId::FileOpenFailed, path);
    return Result::Failed;
  }
  if (!Cvn_FavoriteWriteFile()) {
    Cvn_FavoriteFileClose();
    ui_.fileMessage(StringId::FileWriteFailed, path);
    return Result::Failed;
  }
  Cvn_FavoriteFileClose();
  return Result::Repaired;
}

FileUpkeep::Result FileUpkeep::writeTemporaryCopy() {
  const QString path = BaseDirectory::child(state_.m_strDataDir, kTemporaryFileName);
  const QByteArray native = nativePath(path);
  switch (openDataFile(path)) {
    case FILE_OPEN_OK:
      if (Cvn_ChannelFileWrite()) {
        Cvn_ChannelFileClose();
        return Result::Done;
      }
      Cvn_ChannelFileClose();
      trace("temporary copy: cannot write " + path);
      removeFile(path);
      return Result::Failed;
    case FILE_IS_USING:
      trace("temporary copy: in use " + path);
      return Result::InUse;
    default:
      if (Cvn_ChannelFileCreate(native.constData()) && Cvn_ChannelFileWrite()) {
        Cvn_ChannelFileClose();
        return Result::Done;
      }
      Cvn_ChannelFileClose();
      trace("temporary copy: cannot create " + path);
      return Result::Failed;
  }
}

void FileUpkeep::removeSatelliteFromFavorites(const QString& name) {
  const QByteArray wanted = name.toUtf8();
  for (int32_t i = Cvn_GetNumOfFavorite(); i >= 1; --i) {
    FavoriteInfo favorite{};
    if (Cvn_GetFavoriteInfo(uint32_t(i), &favorite) && satelliteName(favorite.Lnb) == wanted)
      Cvn_DeleteFavorite(favorite);
  }
}

}  // namespace cv7::app
