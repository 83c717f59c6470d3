#include "TvCoordinationPeer.h"

#include <cstdio>

#include "ConfigurationLoader.h"
#include "DbusTvLink.h"
#include "FileUpkeep.h"
#include "ReceptionControl.h"
#include "ReceptionStartup.h"
#include "SearchResultProcessor.h"

namespace cv7::app {

namespace {

// The reception start-up's operations as the coordination calls them.
class StartupReception : public ReceptionControl {
 public:
  explicit StartupReception(ReceptionStartup& startup) : startup_(startup) {}
  void dataLockSequence() override { startup_.dataLockSequence(); }
  void setNetworkPidList() override { startup_.setNetworkPidList(); }
  bool findTransponder(uint32_t frequency, uint32_t symbolRate) override {
    return startup_.findTransponder(frequency, symbolRate);
  }

 private:
  ReceptionStartup& startup_;
};

}  // namespace

struct TvCoordinationPeer::Parts {
  Parts(TvCoordinationPeer& peer, ApplicationState& state, const ConfigurationStore& store, UserInterface& ui,
        Clock& clock, SetupSheetAccess& sheet)
      : files(state, store, ui, clock),
        loader(state, store, ui),
        startup(state, store, ui, files, peer),
        reception(startup),
        coordination(state, store, files, loader, reception, sheet),
        results(state, files, coordination, sheet, ui) {}

  FileUpkeep files;
  ConfigurationLoader loader;
  ReceptionStartup startup;
  StartupReception reception;
  TvCoordination coordination;
  SearchResultProcessor results;
  std::unique_ptr<DbusTvLink> link;
};

TvCoordinationPeer::TvCoordinationPeer() = default;

TvCoordinationPeer::~TvCoordinationPeer() {
  if (parts_) parts_->link.reset();
}

void TvCoordinationPeer::attach(ApplicationState& state, const ConfigurationStore& store, UserInterface& ui,
                                Clock& clock, SetupSheetAccess& sheet) {
  parts_ = std::make_unique<Parts>(*this, state, store, ui, clock, sheet);
}

TvCoordination* TvCoordinationPeer::coordination() { return parts_ ? &parts_->coordination : nullptr; }

bool TvCoordinationPeer::onBus() const { return parts_ && parts_->link; }

void TvCoordinationPeer::joinBus() {
  if (!parts_ || triedBus_) return;
  triedBus_ = true;
  QDBusConnection bus = bus_ ? *bus_ : QDBusConnection::sessionBus();
  QString why;
  if (bus.isConnected()) {
    auto link = std::make_unique<DbusTvLink>(bus, parts_->coordination);
    if (link->open(&why)) {
      parts_->link = std::move(link);
      return;
    }
  } else {
    why = "no session bus (" + bus.lastError().message() + ")";
  }
  std::fprintf(stderr, "Cv7d: TV coordination is off: %s\n", qPrintable(why));
  std::fflush(stderr);
}

void TvCoordinationPeer::notifyTv(int code, int value) {
  if (parts_) parts_->coordination.notifyTv(code, value);
}

void TvCoordinationPeer::announceStart() {
  joinBus();
  if (parts_) parts_->coordination.announceStart();
}

void TvCoordinationPeer::announceEnd() {
  if (parts_) parts_->coordination.announceEnd();
}

bool TvCoordinationPeer::scanWindowExists() { return parts_ && parts_->coordination.scanWindowExists(); }

void TvCoordinationPeer::announceScanWindow(bool autoScan, bool shown) {
  if (parts_) parts_->coordination.announceScanWindow(autoScan, shown);
}

void TvCoordinationPeer::onSearchResult(const SiList* list) {
  if (parts_) parts_->results.onSearchResult(list);
}

}  // namespace cv7::app
