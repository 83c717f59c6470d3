#include "SearchResultProcessor.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "NetworkPids.h"
#include "SatelliteName.h"
#include "StringId.h"
#include "Trace.h"
#include "CoordinationNames.h"

namespace cv7::app {
namespace {

constexpr size_t kMarkByte = sizeof(ProgramInfo::ProgramName) - 1;  // byte 31 of the name field
constexpr uint16_t kMaxAudioPids = 6;

bool handEntered(const ProgramInfo& p) { return p.ProgramName[kMarkByte] == 1; }
bool handEntered(const DataInfo& d) {
  uint8_t mark;  // the first byte of the reserved field
  std::memcpy(&mark, &d.Reserved, 1);
  return mark == 1;
}

// Names compare as texts of at most 31 characters, and by the mark in the last byte.
bool namesDiffer(const char* a, const char* b) {
  return std::strncmp(a, b, kMarkByte) != 0 || a[kMarkByte] != b[kMarkByte];
}

bool programsDiffer(const ProgramInfo& stored, const ProgramInfo& found) {
  if (stored.pgnumber != found.pgnumber || stored.PmtPID != found.PmtPID ||
      stored.AudioPIDCount != found.AudioPIDCount)
    return true;
  const uint16_t audio = std::min(found.AudioPIDCount, kMaxAudioPids);
  for (uint16_t i = 0; i < audio; ++i)
    if (stored.AudioPID[i] != found.AudioPID[i]) return true;
  return stored.PcrPID != found.PcrPID || stored.TTxtPID != found.TTxtPID || stored.VideoPID != found.VideoPID ||
         namesDiffer(stored.ProgramName, found.ProgramName) || stored.Scrambled != found.Scrambled ||
         stored.TVorRadio != found.TVorRadio;
}

bool sameTransponder(const TrInfo& a, const TrInfo& b) {
  return a.TransponderNumber == b.TransponderNumber && a.Frequency == b.Frequency && a.SymbolRate == b.SymbolRate &&
         a.Polarity == b.Polarity && a.TransportID == b.TransportID;
}

FavoriteInfo favoriteOf(const LnbInfo& lnb, const TrInfo& tr, const ProgramInfo& program) {
  FavoriteInfo f{};
  f.Lnb = lnb;
  f.Tr = tr;
  f.Program = program;
  return f;
}

uint32_t countOf(int32_t libraryCount) { return uint32_t(std::max(0, libraryCount)); }

void traceFailure(const char* call, uint32_t number) {
  trace(QStringLiteral("%1(%2) failed").arg(QLatin1String(call)).arg(number));
}

bool reserveBuffer(std::vector<ProgramInfo>& buffer, size_t count) {
  try {
    buffer.reserve(count);
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

}  // namespace

SearchResultProcessor::SearchResultProcessor(ApplicationState& state, FileUpkeep& files, TvNotifier& tv,
                                             SetupSheetAccess& sheet, UserInterface& ui, Reserve reserve)
    : state_(state), files_(files), tv_(tv), sheet_(sheet), ui_(ui),
      reserve_(reserve ? std::move(reserve) : Reserve(reserveBuffer)) {}

void SearchResultProcessor::onSearchResult(const SiList* list) {
  if (!list) return;
  // The list belongs to the library's search thread; the update works on a copy.
  SiList result = *list;
  const uint32_t transponder = result.Tr.TransponderNumber;
  if (result.ProgramCount != kDiscarded && result.ProgramCount > kMaxEntries) {
    trace(QStringLiteral("search result with %1 programs, %2 taken").arg(result.ProgramCount).arg(kMaxEntries));
    result.ProgramCount = kMaxEntries;
  }
  if (result.DataCount > kMaxEntries) {
    trace(QStringLiteral("search result with %1 data services, %2 taken").arg(result.DataCount).arg(kMaxEntries));
    result.DataCount = kMaxEntries;
  }
  for (uint32_t i = 0; i < kMaxEntries; ++i) result.Program[i].ProgramName[kMarkByte] = 0;  // found, not typed
  for (uint32_t i = 0; i < kMaxEntries; ++i) result.Data[i].Reserved = 0;

  // A result discarded already, for an unknown transponder or for another one than the
  // tuned one changes nothing.
  if (result.ProgramCount != kDiscarded && transponder != 0 && forTunedTransponder(result)) {
    int changed = updatePrograms(result);
    if (result.ProgramCount != kDiscarded) {
      if (changed)
        updateDataServices(result);
      else
        changed = updateDataServices(result);
      if (changed) finishChanged(result);
    }
  }
  sheet_.notifyAutoScanDialog(transponder);
  sheet_.notifyScanDialog(transponder);
}

bool SearchResultProcessor::forTunedTransponder(const SiList& result) const {
  return satelliteName(result.Lnb.SatelliteName) == satelliteName(state_.g_LnbInfo.SatelliteName) &&
         result.Tr.TransponderNumber == state_.g_TrInfo.TransponderNumber;
}

void SearchResultProcessor::finishChanged(const SiList& result) {
  if (!sameTransponder(result.Tr, state_.g_TrInfo)) {
    state_.g_TrInfo = result.Tr;
    if (!Cvn_UpdateTransponder(state_.g_TrInfo)) traceFailure("Cvn_UpdateTransponder", state_.g_TrInfo.TransponderNumber);
    favoritesFollowTransponder();
  }
  files_.writeTemporaryCopy();
  tv_.notifyTv(coordination::kLocked, state_.m_LastNum * 100 + int(state_.g_TrInfo.TransponderNumber));
}

int SearchResultProcessor::updatePrograms(SiList& result) {
  if (!forTunedTransponder(result)) return 0;
  if (satelliteName(state_.g_LnbInfo.SatelliteName) != state_.m_strSateName) {
    result.ProgramCount = kDiscarded;  // another satellite has been selected meanwhile
    return 0;
  }
  const uint32_t tp = result.Tr.TransponderNumber;
  const uint32_t stored = countOf(Cvn_GetNumOfProgram(tp));
  const uint32_t found = result.ProgramCount;
  std::vector<ProgramInfo> kept;  // the hand-entered programs, added again behind the found ones
  if (!reserve_(kept, stored)) {
    ui_.messageBox(StringId::NotEnoughMemory, StringId::AppTitle, MessageStyle::exclamation());
    return 0;
  }
  int changed = 0;
  for (uint32_t j = 1; j <= found; ++j) {
    ProgramInfo& program = result.Program[j - 1];
    if (j > stored) {
      // A new program, and every new program becomes a favourite.
      program.ChNumber = tp * 100 + j;
      if (!Cvn_AddProgram(tp, &program)) traceFailure("Cvn_AddProgram", program.ChNumber);
      FavoriteInfo favorite = favoriteOf(result.Lnb, result.Tr, program);
      if (!Cvn_AddFavorite(&favorite)) traceFailure("Cvn_AddFavorite", program.ChNumber);
      changed = 1;
      continue;
    }
    ProgramInfo old{};
    old.ChNumber = tp * 100 + j;
    if (!Cvn_GetInfoProgram(&old)) traceFailure("Cvn_GetInfoProgram", old.ChNumber);
    if (handEntered(old)) kept.push_back(old);
    if (updateStoredProgram(result, old, program)) changed = 1;
  }
  if (removeSurplusPrograms(tp, found, stored, kept)) changed = 1;
  for (ProgramInfo& program : kept)
    if (!Cvn_AddProgram(tp, &program)) traceFailure("Cvn_AddProgram", tp);
  return changed;
}

bool SearchResultProcessor::updateStoredProgram(const SiList& result, const ProgramInfo& stored, ProgramInfo& found) {
  if (!programsDiffer(stored, found)) return false;
  found.ChNumber = stored.ChNumber;
  if (!Cvn_UpdateProgram(found)) traceFailure("Cvn_UpdateProgram", found.ChNumber);
  followProgramInFavorites(result, found);
  return true;
}

void SearchResultProcessor::followProgramInFavorites(const SiList& result, const ProgramInfo& program) {
  for (uint32_t i = countOf(Cvn_GetNumOfFavorite()); i >= 1; --i) {
    FavoriteInfo favorite{};
    if (!Cvn_GetFavoriteInfo(i, &favorite)) continue;
    if (satelliteName(favorite.Lnb.SatelliteName) == state_.m_strSateName &&
        favorite.Program.ChNumber == program.ChNumber) {
      if (!Cvn_UpdateFavorite(i, favoriteOf(result.Lnb, result.Tr, program))) traceFailure("Cvn_UpdateFavorite", i);
    }
  }
}

bool SearchResultProcessor::removeSurplusPrograms(uint32_t tp, uint32_t keepCount, uint32_t storedCount,
                                                  std::vector<ProgramInfo>& kept) {
  auto storedProgram = [tp](uint32_t place) {
    ProgramInfo program{};
    program.ChNumber = tp * 100 + place;
    if (!Cvn_GetInfoProgram(&program)) traceFailure("Cvn_GetInfoProgram", program.ChNumber);
    return program;
  };
  if (kept.empty()) {
    // Programs typed in by hand behind the found ones stay where they are.
    bool allHandEntered = true;
    for (uint32_t k = keepCount + 1; k <= storedCount && allHandEntered; ++k)
      allHandEntered = handEntered(storedProgram(k));
    if (allHandEntered) return false;
  }
  for (uint32_t k = keepCount + 1; k <= storedCount; ++k) {
    ProgramInfo program = storedProgram(k);
    if (handEntered(program)) kept.push_back(program);
  }
  // From the highest number down: a deletion renumbers the programs behind it.
  for (uint32_t k = storedCount; k > keepCount; --k) {
    Cvn_DeleteProgram(tp * 100 + k);
    favoritesAfterDeletedProgram(state_.m_strSateName, tp * 100 + k);
  }
  return true;
}

void SearchResultProcessor::favoritesAfterDeletedProgram(const QString& satellite, uint32_t chNumber) {
  for (uint32_t i = countOf(Cvn_GetNumOfFavorite()); i >= 1; --i) {
    FavoriteInfo favorite{};
    if (!Cvn_GetFavoriteInfo(i, &favorite)) continue;
    if (satelliteName(favorite.Lnb.SatelliteName) != satellite || favorite.Tr.TransponderNumber != chNumber / 100)
      continue;
    if (favorite.Program.ChNumber == chNumber) {
      if (!Cvn_DeleteFavorite(favorite)) traceFailure("Cvn_DeleteFavorite", chNumber);
    } else if (favorite.Program.ChNumber > chNumber) {
      --favorite.Program.ChNumber;
      if (!Cvn_UpdateFavorite(i, favorite)) traceFailure("Cvn_UpdateFavorite", i);
    }
  }
}

void SearchResultProcessor::favoritesFollowTransponder() {
  const QString satellite = satelliteName(state_.g_LnbInfo.SatelliteName);
  for (uint32_t i = countOf(Cvn_GetNumOfFavorite()); i >= 1; --i) {
    FavoriteInfo favorite{};
    if (!Cvn_GetFavoriteInfo(i, &favorite)) continue;
    if (satelliteName(favorite.Lnb.SatelliteName) != satellite ||
        favorite.Tr.TransponderNumber != state_.g_TrInfo.TransponderNumber)
      continue;
    favorite.Tr = state_.g_TrInfo;
    if (!Cvn_UpdateFavorite(i, favorite)) traceFailure("Cvn_UpdateFavorite", i);
  }
}

int SearchResultProcessor::updateDataServices(SiList& result) {
  if (satelliteName(result.Lnb.SatelliteName) != state_.m_strSateName) {
    result.ProgramCount = kDiscarded;
    return 0;
  }
  releaseVanishedServices(result);
  int changed = 0;
  for (uint32_t k = 0; k < result.DataCount; ++k) updateDataService(result, result.Data[k], changed);
  return changed;
}

// A selected service that the search no longer finds loses its network PID; its entry stays.
void SearchResultProcessor::releaseVanishedServices(const SiList& result) {
  const uint32_t tp = result.Tr.TransponderNumber;
  const uint32_t count = countOf(Cvn_GetNumOfData(tp));
  for (uint32_t i = 1; i <= count; ++i) {
    DataInfo stored{};
    stored.DataNumber = tp * 100 + i;
    if (!Cvn_GetInfoData(&stored)) break;
    if (stored.SetFlag != 1 || handEntered(stored)) continue;
    const DataInfo* end = result.Data + result.DataCount;
    if (std::find_if(result.Data, end, [&](const DataInfo& d) { return d.DataPID == stored.DataPID; }) != end)
      continue;
    if (!Cvn_ReleaseNetworkPID(networkPidOf(stored, state_.g_TrInfo.TransportID)))
      traceFailure("Cvn_ReleaseNetworkPID", stored.DataPID);
  }
}

void SearchResultProcessor::updateDataService(const SiList& result, DataInfo found, int& changed) {
  const uint32_t tp = result.Tr.TransponderNumber;
  DataInfo stored{};
  bool known = false;
  const uint32_t count = countOf(Cvn_GetNumOfData(tp));
  for (uint32_t i = 1; i <= count && !known; ++i) {
    stored = DataInfo{};
    stored.DataNumber = tp * 100 + i;
    if (!Cvn_GetInfoData(&stored)) break;
    known = stored.DataPID == found.DataPID;
  }
  if (!known) {
    found.DataNumber = 0;
    if (!Cvn_AddData(tp, &found)) traceFailure("Cvn_AddData", found.DataPID);
    changed = 1;
    return;
  }
  const bool carriageChanged = stored.pgnumber != found.pgnumber || stored.PmtPID != found.PmtPID ||
                               stored.Encapsulation != found.Encapsulation;
  if (!carriageChanged && stored.SetFlag == found.SetFlag) return;
  changed = 1;
  if (stored.SetFlag == 1 && carriageChanged) {
    // A selected service is received under its new carriage from now on.
    if (!Cvn_ReleaseNetworkPID(networkPidOf(stored, state_.g_TrInfo.TransportID)))
      traceFailure("Cvn_ReleaseNetworkPID", stored.DataPID);
    if (!Cvn_SetNetworkPID(networkPidOf(found, result.Tr.TransportID))) traceFailure("Cvn_SetNetworkPID", found.DataPID);
  }
  found.DataNumber = stored.DataNumber;
  found.SetFlag = stored.SetFlag;
  if (!Cvn_UpdateData(found)) traceFailure("Cvn_UpdateData", found.DataNumber);
}

}  // namespace cv7::app
