#include "CCv7dApp.h"

#include "StringId.h"

namespace cv7::app {

CCv7dApp::CCv7dApp(const registry::Registry& registry, UserInterface& ui, Clock& clock, MainFramePeers peers)
    : store_(registry),
      ui_(ui),
      clock_(clock),
      peers_(peers),
      instanceLock_(SingleInstanceLock::besideStore(registry.path())) {}

CCv7dApp::~CCv7dApp() { ExitInstance(); }

bool CCv7dApp::InitInstance() {
  if (!instanceLock_.acquire()) {
    ui_.messageBox(StringId::AlreadyRunning, StringId::AppTitle, MessageStyle::exclamation());
    return false;
  }
  frame_ = std::make_unique<CMainFrame>(state_, store_, ui_, clock_, peers_);
  started_ = frame_->OnCreate();
  return started_;
}

int CCv7dApp::ExitInstance() {
  if (exited_) return started_ ? 0 : 1;
  exited_ = true;
  if (frame_) {
    frame_->OnDestroy();
    frame_->finish();
  }
  if (state_.StartOk.load() >= 1) {
    Cvn_StopSystem();
    Cvn_CloseSystem();
  }
  // Given up last, so that a new instance never opens the library while this one still has
  // its client registration with the driver.
  instanceLock_.release();
  return started_ ? 0 : 1;
}

}  // namespace cv7::app
