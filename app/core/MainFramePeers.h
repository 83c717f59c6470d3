// What the main frame works with besides the application's state, store and user interface:
// the notification icon, the setup sheet, the TV coordination, the search result handling,
// the computer's addresses and the window thread's invoker. Each is owned by whoever builds
// the application (the tray program, the headless service, a test).
#pragma once
#include "HostAddressSource.h"
#include "NotificationIcon.h"
#include "PresenceAnnouncer.h"
#include "SearchResultHandler.h"
#include "SetupSheet.h"
#include "TvNotifier.h"
#include "WindowThreadInvoker.h"

namespace cv7::app {

struct MainFramePeers {
  NotificationIcon& icon;
  SetupSheet& setupSheet;
  TvNotifier& tv;
  PresenceAnnouncer& presence;
  SearchResultHandler& searchResults;
  HostAddressSource& hostAddresses;
  WindowThreadInvoker& invoker;
};

}  // namespace cv7::app
