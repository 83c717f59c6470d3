// Loading and saving the selected satellite's data file and the favourite file through the
// library, with the application's rules: a file that another program (the TV application)
// holds is tried again, a missing or damaged data file is replaced by the shipped default of
// its satellite or by an empty satellite, a damaged favourite file is written anew, and the
// current database is copied to "DataTemp.cvt" after changes.
//
// No file stays open between operations, so the library's owner stamp marks a file as in
// use only while it is being read or written.
#pragma once
#include <chrono>
#include <functional>

#include <QString>

#include "ApplicationState.h"
#include "Clock.h"
#include "ConfigurationStore.h"
#include "UserInterface.h"

namespace cv7::app {

class FileUpkeep {
 public:
  // How a load or save ended.
  enum class Result {
    Done,            // read or written as asked
    Repaired,        // replaced by the default file (data) or written anew (favourites)
    EmptySatellite,  // no default to be had: an empty satellite in memory and in a new file
    InUse,           // another program held the file through every attempt: nothing read,
                     // written or deleted; the library's database is as it was
    Failed,          // the user was told; see the message
    NoFile,          // no data file is selected
  };

  static constexpr int kOpenAttempts = 6;
  static constexpr std::chrono::milliseconds kRetryDelay{100};
  static constexpr uint32_t kEmptySatelliteOscillator = 5150000;  // kHz

  FileUpkeep(ApplicationState& state, const ConfigurationStore& store, UserInterface& ui, Clock& clock);

  // The selected satellite's data file (`m_strSateFile`) into the library's database.
  Result loadDataFile();
  // The library's database into that file.
  Result saveDataFile();
  // Any data file into the library's database, without repair: a file that does not open or
  // that another program holds through every attempt is told as not opened (199), one that
  // does not read as not read (200); both give Failed and leave the database as the failed
  // read left it.
  Result readDataFile(const QString& path);
  // Copies base/DefaultFile/<file of the selected satellite> into the library and to the
  // satellite's own path; false when there is no default or it could not be had.
  bool StartDefaultMode();
  // base/Cv7p.fch into the library's favourites; written anew when missing or damaged.
  Result openFavoriteFile();
  Result saveFavoriteFile();
  // The library's database into data directory/DataTemp.cvt. Failures are only traced.
  Result writeTemporaryCopy();
  // Deletes from the library's favourites, last to first, those of satellite `name`. The
  // favourite file is not written.
  void removeSatelliteFromFavorites(const QString& name);

 private:
  // Calls `open` until it answers other than FILE_IS_USING, at most kOpenAttempts times,
  // with `close` and a pause between attempts; returns the last answer.
  int openWithRetries(const std::function<int()>& open, const std::function<int()>& close);
  int openDataFile(const QString& path);
  enum class Access { Done, Failed, InUse, NotOpened };
  // Opens a data file with retries, runs `access` (read or write) on it and closes it.
  Access accessDataFile(const QString& path, int32_t (*access)());
  Result repairDataFile();
  Result startEmptySatellite();
  Result createDataFile(const QString& path);
  // Creates `path`, writes it and closes it; tells the user which step failed.
  bool createAndWrite(const QString& path, int32_t (*create)(const char*), int32_t (*write)(), int32_t (*close)(),
                      int createFailedMessage);
  Result accessFavoriteFile(int32_t (*access)(), int failedMessage);
  Result createFavoriteFile(const QString& path);
  QString favoriteFilePath() const;

  ApplicationState& state_;
  const ConfigurationStore& store_;
  UserInterface& ui_;
  Clock& clock_;
};

}  // namespace cv7::app
