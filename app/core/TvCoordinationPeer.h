// The main frame's peer for everything that concerns the TV application: its tuning
// messages (TvNotifier), the presence announcements (PresenceAnnouncer) and the search
// results (SearchResultHandler), built on the application's state once it exists.
//
// At the start announcement it joins the D-Bus session bus; without one the coordination
// is off (standard error says so once) and the rest of the application works as before.
// Lives on the window thread.
#pragma once
#include <QDBusConnection>
#include <memory>
#include <optional>

#include "ApplicationState.h"
#include "Clock.h"
#include "ConfigurationStore.h"
#include "PresenceAnnouncer.h"
#include "ScanWindows.h"
#include "SearchResultHandler.h"
#include "SetupSheetAccess.h"
#include "TvCoordination.h"
#include "TvNotifier.h"
#include "UserInterface.h"

namespace cv7::app {

class TvCoordinationPeer : public TvNotifier,
                           public PresenceAnnouncer,
                           public SearchResultHandler,
                           public ScanWindows {
 public:
  TvCoordinationPeer();
  ~TvCoordinationPeer() override;
  TvCoordinationPeer(const TvCoordinationPeer&) = delete;
  TvCoordinationPeer& operator=(const TvCoordinationPeer&) = delete;

  // Builds the coordination and the search result handling on the application's state;
  // until then every call does nothing.
  void attach(ApplicationState& state, const ConfigurationStore& store, UserInterface& ui, Clock& clock,
              SetupSheetAccess& sheet);
  // Joins `bus` instead of the session bus (tests).
  void useBus(QDBusConnection bus) { bus_ = std::move(bus); }

  void notifyTv(int code, int value) override;
  // Joins the bus, then tells every program that the data application has started.
  void announceStart() override;
  void announceEnd() override;
  void onSearchResult(const SiList* list) override;

  // For the scan buttons and dialogs of the setup sheet: whether some program shows a scan
  // window ("Scan is already running on TV application."), and the sheet's own scan
  // dialogs shown to the other programs while they exist.
  bool scanWindowExists() override;
  void announceScanWindow(bool autoScan, bool shown) override;

  // The coordination once attached, else none.
  TvCoordination* coordination();
  bool onBus() const;

 private:
  struct Parts;
  void joinBus();

  std::unique_ptr<Parts> parts_;
  std::optional<QDBusConnection> bus_;
  bool triedBus_ = false;
};

}  // namespace cv7::app
