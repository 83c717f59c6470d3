// Brings the channel database in line with a channel search of the tuned transponder
// (message 1035): programs are added, updated or removed with the favourites that point to
// them, data services are added or updated and the network PIDs of selected services that
// changed or vanished are released or set again, the transponder record is refreshed, the
// temporary data file rewritten and the TV application told; the open scan dialogs learn
// that the result has been handled.
//
// Entries made by hand survive a search: a program whose name field ends in byte 1 (byte 31)
// is moved behind the programs found; a data service whose reserved field starts with byte 1
// is never released for having vanished.
//
// Runs on the window thread while the library's search thread waits for it.
#pragma once
#include <corvane.h>

#include <functional>
#include <vector>

#include "ApplicationState.h"
#include "FileUpkeep.h"
#include "SearchResultHandler.h"
#include "SetupSheetAccess.h"
#include "TvNotifier.h"
#include "UserInterface.h"

namespace cv7::app {

class SearchResultProcessor : public SearchResultHandler {
 public:
  // Reserves room for the hand-entered programs of one update; false when memory is short.
  using Reserve = std::function<bool(std::vector<ProgramInfo>& buffer, size_t count)>;

  static constexpr uint32_t kDiscarded = 0xFFFFFFFFu;  // ProgramCount -1: the result is discarded
  static constexpr uint32_t kMaxEntries = 80;          // programs and data services in a SiList

  SearchResultProcessor(ApplicationState& state, FileUpkeep& files, TvNotifier& tv, SetupSheetAccess& sheet,
                        UserInterface& ui, Reserve reserve = {});

  void onSearchResult(const SiList* list) override;

  // Deletes the favourites of satellite `satellite` that point to program `chNumber` and
  // renumbers those behind it on the same transponder, after the program was deleted.
  static void favoritesAfterDeletedProgram(const QString& satellite, uint32_t chNumber);

 private:
  // Each returns 1 when it changed the database. May mark the result discarded.
  int updatePrograms(SiList& result);
  int updateDataServices(SiList& result);
  bool forTunedTransponder(const SiList& result) const;
  // Updates the stored program `stored` from the result's `found` if they differ.
  bool updateStoredProgram(const SiList& result, const ProgramInfo& stored, ProgramInfo& found);
  void followProgramInFavorites(const SiList& result, const ProgramInfo& program);
  // Removes the stored programs behind the first `keepCount`, keeping the hand-entered ones
  // in `kept`; returns true when it deleted any.
  bool removeSurplusPrograms(uint32_t transponder, uint32_t keepCount, uint32_t storedCount,
                             std::vector<ProgramInfo>& kept);
  void releaseVanishedServices(const SiList& result);
  void updateDataService(const SiList& result, DataInfo found, int& changed);
  void favoritesFollowTransponder();
  // Something changed: the transponder record, the temporary copy and the TV application.
  void finishChanged(const SiList& result);

  ApplicationState& state_;
  FileUpkeep& files_;
  TvNotifier& tv_;
  SetupSheetAccess& sheet_;
  UserInterface& ui_;
  Reserve reserve_;
};

}  // namespace cv7::app
