#include "ReceptionStartup.h"

#include "ConfigurationLoader.h"
#include "DecimalText.h"
#include "NetworkPids.h"
#include "StringId.h"
#include "Trace.h"
#include "WaitCursor.h"
#include "WindowMessages.h"

namespace cv7::app {

namespace {
// Tuning codes told to the TV application.
constexpr int kAboutToTune = 5;
constexpr int kLocked = 1;
constexpr int kNotLocked = 2;
}  // namespace

ReceptionStartup::ReceptionStartup(ApplicationState& state, const ConfigurationStore& store, UserInterface& ui,
                                   FileUpkeep& files, TvNotifier& tv)
    : state_(state), store_(store), ui_(ui), files_(files), tv_(tv) {}

int ReceptionStartup::OnStartProgram(CvnWindow* window) {
  if (!Cvn_OpenSystem(kClientMode, window, 0, WindowMessage::kSearchResult, 0)) {
    showSystemError();
    return 0;
  }
  if (!Cvn_StartSystem()) {
    showSystemError();
    Cvn_CloseSystem();
    return 0;
  }
  state_.StartOk = 1;

  ConfigurationLoader(state_, store_, ui_).load();
  const uint32_t frequency = wholeNumber(parseDecimalText(state_.m_strStoredFrequency));
  const uint32_t symbolRate = wholeNumber(parseDecimalText(state_.m_strStoredSymbolRate));
  files_.loadDataFile();
  files_.openFavoriteFile();
  findTransponder(frequency, symbolRate);
  if (!Cvn_GetSatelliteInformation(&state_.g_LnbInfo)) trace(QStringLiteral("Cvn_GetSatelliteInformation failed"));

  if (state_.g_TpNum == 0) {
    ui_.messageBox(StringId::NoTransponder, StringId::AppTitle, MessageStyle::exclamation());
    state_.g_TrInfo.TransponderNumber = 0;
  } else {
    if (!Cvn_GetInfoTransponder(state_.g_TpNum, &state_.g_TrInfo))
      trace(QStringLiteral("Cvn_GetInfoTransponder %1 failed").arg(state_.g_TpNum));
    const int result = lockTest();
    if (result == CVN_OK) {
      tv_.notifyTv(kLocked, position());
    } else if (result == CVN_LOCK_ERROR) {
      tv_.notifyTv(kNotLocked, position());
    } else {
      showSystemError();
      return 0;
    }
  }

  const uint8_t filtering = kIpFiltering;
  if (!Cvn_SetIPorMACfiltering(&filtering)) trace(QStringLiteral("Cvn_SetIPorMACfiltering failed"));
  return 1;
}

int ReceptionStartup::dataLockTest() {
  const int result = lockTest();
  if (result == CVN_OK) {
    tv_.notifyTv(kLocked, position());
    return result;
  }
  if (result != CVN_LOCK_ERROR) showSystemError();
  tv_.notifyTv(kNotLocked, position());
  return result;
}

void ReceptionStartup::dataLockSequence() {
  if (state_.m_LockIndicator.load() == 1) return;
  if (state_.g_TpNum == 0 || state_.g_TrInfo.TransponderNumber == 0) return;
  WaitCursor wait(ui_);
  dataLockTest();
}

int ReceptionStartup::lockTest() {
  if (!Cvn_ReleaseAllNetworkPID()) trace(QStringLiteral("Cvn_ReleaseAllNetworkPID failed"));
  tv_.notifyTv(kAboutToTune, kAboutToTune);
  const int result = Cvn_TunerLockTest(state_.g_LnbInfo, state_.g_TrInfo);
  state_.m_TunerOwnerState = kTunerOwnerData;
  setNetworkPidList();
  state_.m_LockIndicator = result == CVN_OK ? 1 : 0;
  state_.m_DataLockHeld = result == CVN_OK ? 1 : 0;
  return result;
}

void ReceptionStartup::setNetworkPidList() {
  if (state_.g_TpNum == 0) return;
  setNetworkPids(selectedNetworkPids(state_.g_TpNum, state_.g_TrInfo.TransportID));
}

bool ReceptionStartup::findTransponder(uint32_t frequency, uint32_t symbolRate) {
  const int32_t count = Cvn_GetNumOfTransponder();
  for (int32_t number = 1; number <= count; ++number) {
    TrInfo tr{};
    if (!Cvn_GetInfoTransponder(uint32_t(number), &tr))
      trace(QStringLiteral("Cvn_GetInfoTransponder %1 failed").arg(number));
    if (tr.Frequency == frequency && tr.SymbolRate == symbolRate) {
      state_.g_TpNum = uint32_t(number);
      return true;
    }
  }
  if (count <= 0) {
    state_.g_TrInfo.TransponderNumber = 0;
    state_.g_TpNum = 0;
  } else {
    state_.g_TpNum = 1;
  }
  return false;
}

int ReceptionStartup::position() const {
  return state_.m_LastNum * 100 + int(state_.g_TrInfo.TransponderNumber);
}

void ReceptionStartup::showSystemError() {
  ui_.messageBox(StringId::SystemError, StringId::AppTitle, MessageStyle::exclamation());
}

}  // namespace cv7::app
