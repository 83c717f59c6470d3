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

// The file is closed again before anything is shown, so that it is marked in use only while
// it is read or written.
FileUpkeep::Access FileUpkeep::accessDataFile(const QString& path, int32_t (*access)()) {
  switch (openDataFile(path)) {
    case FILE_OPEN_OK: {
      const bool done = access() != 0;
      Cvn_ChannelFileClose();
      return done ? Access::Done : Access::Failed;
    }
    case FILE_IS_USING: return Access::InUse;
    default: return Access::NotOpened;
  }
}

FileUpkeep::Result FileUpkeep::loadDataFile() {
  const QString path = state_.m_strSateFile;
  if (path.isEmpty()) return Result::NoFile;
  switch (accessDataFile(path, Cvn_ChannelFileRead)) {
    case Access::Done: return Result::Done;
    case Access::Failed:
      ui_.fileMessage(StringId::FileReadFailed, path);
      removeFile(path);
      return repairDataFile();
    case Access::InUse:
      // Still held by another program: neither read nor replaced; the database keeps what
      // it held, and the user learns that the file could not be opened.
      ui_.fileMessage(StringId::FileOpenFailed, path);
      return Result::InUse;
    case Access::NotOpened: break;
  }
  ui_.fileMessage(StringId::FileOpenFailed, path);
  return repairDataFile();
}

FileUpkeep::Result FileUpkeep::readDataFile(const QString& path) {
  switch (accessDataFile(path, Cvn_ChannelFileRead)) {
    case Access::Done: return Result::Done;
    case Access::Failed: ui_.fileMessage(StringId::FileReadFailed, path); return Result::Failed;
    case Access::InUse:
    case Access::NotOpened: break;
  }
  ui_.fileMessage(StringId::FileOpenFailed, path);
  return Result::Failed;
}

// Saving never gives up the database in memory: it holds what the user means to keep.
FileUpkeep::Result FileUpkeep::saveDataFile() {
  const QString path = state_.m_strSateFile;
  if (path.isEmpty()) return Result::NoFile;
  switch (accessDataFile(path, Cvn_ChannelFileWrite)) {
    case Access::Done: return Result::Done;
    case Access::Failed: ui_.fileMessage(StringId::FileWriteFailed, path); return Result::Failed;
    case Access::InUse: ui_.fileMessage(StringId::FileWriteFailed, path); return Result::InUse;
    case Access::NotOpened: break;
  }
  return createDataFile(path);
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
  return createAndWrite(path, Cvn_ChannelFileCreate, Cvn_ChannelFileWrite, Cvn_ChannelFileClose,
                        StringId::FileCreateFailed)
             ? Result::Done
             : Result::Failed;
}

bool FileUpkeep::createAndWrite(const QString& path, int32_t (*create)(const char*), int32_t (*write)(),
                                int32_t (*close)(), int createFailedMessage) {
  if (!create(nativePath(path).constData())) {
    ui_.fileMessage(createFailedMessage, path);
    return false;
  }
  if (!write()) {
    close();
    ui_.fileMessage(StringId::FileWriteFailed, path);
    return false;
  }
  close();
  return true;
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
  switch (accessDataFile(defaultPath, Cvn_ChannelFileRead)) {
    case Access::Done: break;
    case Access::Failed: ui_.fileMessage(StringId::FileReadFailed, defaultPath); return false;
    case Access::InUse:
    case Access::NotOpened: ui_.fileMessage(StringId::FileOpenFailed, defaultPath); return false;
  }
  return createDataFile(state_.m_strSateFile) == Result::Done;
}

QString FileUpkeep::favoriteFilePath() const {
  return BaseDirectory::child(BaseDirectory::resolve(store_), kFavoriteFileName);
}

FileUpkeep::Result FileUpkeep::openFavoriteFile() {
  return accessFavoriteFile(Cvn_FavoriteReadFile, StringId::FileReadFailed);
}

FileUpkeep::Result FileUpkeep::saveFavoriteFile() {
  return accessFavoriteFile(Cvn_FavoriteWriteFile, StringId::FileWriteFailed);
}

// Opens the favourite file and reads or writes it; a file that does not open, or whose
// access fails (then it is deleted), is written anew from the library's favourites.
FileUpkeep::Result FileUpkeep::accessFavoriteFile(int32_t (*access)(), int failedMessage) {
  const QString path = favoriteFilePath();
  const QByteArray native = nativePath(path);
  if (openWithRetries([&] { return Cvn_FavoriteFileOpen(native.constData()); }, Cvn_FavoriteFileClose) ==
      FILE_OPEN_OK) {
    if (access()) {
      Cvn_FavoriteFileClose();
      return Result::Done;
    }
    Cvn_FavoriteFileClose();
    ui_.fileMessage(failedMessage, path);
    removeFile(path);
  } else {
    ui_.fileMessage(StringId::FileOpenFailed, path);
  }
  return createFavoriteFile(path);
}

// The favourites that the library holds, into a new file.
FileUpkeep::Result FileUpkeep::createFavoriteFile(const QString& path) {
  return createAndWrite(path, Cvn_FavoriteFileCreate, Cvn_FavoriteWriteFile, Cvn_FavoriteFileClose,
                        StringId::FileOpenFailed)
             ? Result::Repaired
             : Result::Failed;
}

FileUpkeep::Result FileUpkeep::writeTemporaryCopy() {
  const QString path = BaseDirectory::child(state_.m_strDataDir, kTemporaryFileName);
  switch (accessDataFile(path, Cvn_ChannelFileWrite)) {
    case Access::Done: return Result::Done;
    case Access::Failed:
      trace("temporary copy: cannot write " + path);
      removeFile(path);
      return Result::Failed;
    case Access::InUse: trace("temporary copy: in use " + path); return Result::InUse;
    case Access::NotOpened: break;
  }
  const bool written = Cvn_ChannelFileCreate(nativePath(path).constData()) && Cvn_ChannelFileWrite();
  Cvn_ChannelFileClose();
  if (!written) trace("temporary copy: cannot create " + path);
  return written ? Result::Done : Result::Failed;
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
