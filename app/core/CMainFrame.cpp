#include "CMainFrame.h"

#include <QCoreApplication>
#include <cstdio>

#include "ConfigurationKeys.h"
#include "NetworkPids.h"
#include "StringId.h"
#include "Trace.h"
#include "WaitCursor.h"
#include "WindowMessages.h"

namespace cv7::app {

CMainFrame::CMainFrame(ApplicationState& state, const ConfigurationStore& store, UserInterface& ui, Clock& clock,
                       MainFramePeers peers)
    : state_(state),
      store_(store),
      ui_(ui),
      peers_(peers),
      files_(state, store, ui, clock),
      reception_(state, store, ui, files_, peers.tv),
      addresses_(store, ui, peers.hostAddresses, peers.setupSheet),
      worker_(addresses_, timer_),
      libraryWindow_(peers.invoker, [this](uint32_t message, uintptr_t wParam, intptr_t lParam) {
        return OnLibraryMessage(message, wParam, lParam);
      }) {
  connect(&timer_, &StatusTimer::tick, this, &CMainFrame::OnTimer);
}

CMainFrame::~CMainFrame() {
  OnDestroy();
  finish();
}

bool CMainFrame::OnCreate() {
  peers_.presence.announceStart();
  WaitCursor wait(ui_);
  if (!createIcon()) {
    OnDestroy();
    return false;
  }
  m_strTitle = ui_.strings().text(StringId::TrayTip);
  QCoreApplication::processEvents();
  // A close asked for meanwhile (a termination signal) ends the creation.
  if (shutDown_ || !reception_.OnStartProgram(libraryWindow_.window()) || shutDown_) {
    OnDestroy();
    return false;
  }
  worker_.start(networkStartupPids());
  timer_.start();
  startupDone_ = true;
  return true;
}

// The worker's network start-up sets the PIDs of the selected transponder's services; the
// channel database belongs to this thread, so they are read here before the worker starts.
std::vector<NetPid> CMainFrame::networkStartupPids() const {
  if (state_.g_TpNum == 0) return {};
  TrInfo tr{};
  if (!Cvn_GetInfoTransponder(state_.g_TpNum, &tr)) trace(QStringLiteral("Cvn_GetInfoTransponder failed"));
  return selectedNetworkPids(state_.g_TpNum, tr.TransportID);
}

bool CMainFrame::createIcon() {
  picture_ = NotificationIcon::kNotLocked;
  return peers_.icon.create(ui_.strings().text(StringId::TrayTip), NotificationIcon::kNotLocked);
}

int CMainFrame::OnTaskbarCreated() {
  if (shutDown_) return 0;
  const bool added = createIcon();
  std::fprintf(stderr, "Cv7d: the notification area is back; %s\n", added ? "icon added again" : "icon not added");
  std::fflush(stderr);
  return added ? 0 : -1;
}

void CMainFrame::OnTimer() {
  statusCheck();
  if (worker_.running()) worker_.wake();
}

void CMainFrame::statusCheck() {
  if (state_.m_TunerOwnerState.load() == kTunerOwnerTv) {
    state_.m_LockIndicator = 0;
    showPicture(NotificationIcon::kNotLocked);
    return;
  }
  TunerInformation info{};
  if (state_.g_TrInfo.TransponderNumber == 0) {
    state_.m_LockIndicator = 0;
    showPicture(NotificationIcon::kNotLocked);
  } else {
    const bool answered = Cvn_GetTunerInformation(info.data()) != 0;
    const bool locked = answered && info[0] == 1 && info[1] == 1 && info[2] == 1 && info[3] == 1;
    state_.m_LockIndicator = locked ? 1 : 0;
    showPicture(locked ? NotificationIcon::kLocked : NotificationIcon::kNotLocked);
  }
  if (peers_.setupSheet.isOpen()) peers_.setupSheet.showTunerInformation(info);
}

void CMainFrame::showPicture(int picture) {
  peers_.icon.setPicture(picture);
  if (picture == picture_) return;
  picture_ = picture;
  // One line per change, for the service's journal and for whoever watches the program.
  std::fprintf(stderr, "Cv7d: %s\n", picture == NotificationIcon::kLocked ? "locked" : "not locked");
  std::fflush(stderr);
}

void CMainFrame::OnSetupCommand() {
  if (!startupDone() || peers_.setupSheet.isOpen() || state_.StartOk.load() <= 0) return;
  peers_.setupSheet.open();
}

intptr_t CMainFrame::OnLibraryMessage(uint32_t message, uintptr_t, intptr_t lParam) {
  if (message == WindowMessage::kSearchResult) peers_.searchResults.onSearchResult(reinterpret_cast<const SiList*>(lParam));
  return 0;
}

void CMainFrame::close() {
  OnDestroy();
  Q_EMIT closed();
}

void CMainFrame::OnDestroy() {
  if (shutDown_) return;
  shutDown_ = true;
  peers_.presence.announceEnd();
  if (state_.StartOk.load() > 0) storeDataReception();
  peers_.icon.remove();
  timer_.close();
  worker_.requestStop();
}

void CMainFrame::storeDataReception() {
  store_.writeText(config::kSatellite, config::kDataSateName, state_.m_strSateName);
  const bool selected = state_.g_TpNum > 0;
  store_.writeText(config::kSatellite, config::kDataFrequency,
                   selected ? QString::number(state_.g_TrInfo.Frequency) : QString());
  store_.writeText(config::kSatellite, config::kDataSymbolRate,
                   selected ? QString::number(state_.g_TrInfo.SymbolRate) : QString());
}

void CMainFrame::finish() {
  peers_.invoker.close();
  worker_.join();
}

}  // namespace cv7::app
