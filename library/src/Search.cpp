// Channel search: the card searches the tuned transponder; the library waits for it,
// fetches the driver's program table and hands the SiList to the window.
#include <atomic>
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

#include "CommandChannel.h"
#include "CommandCodes.h"
#include "Connection.h"
#include "ControlCodes.h"
#include "SearchResult.h"
#include "Tuning.h"
#include "corvane.h"

namespace corvane::search {

namespace {

constexpr auto kPollInterval = std::chrono::milliseconds(100);
std::atomic<uint32_t> cancelled{0};

bool stopping(bool cancellable) {
  const std::atomic<bool>* stop = connection::threadStopFlag();
  return (cancellable && cancelled.load() != 0) || (stop && stop->load());
}

// Command 25 every 100 ms until the card reports the search finished. False on a failed
// poll, or (when cancellable) a cancel.
bool waitForSearchEnd(bool cancellable) {
  for (;;) {
    CommandBlock block(cv7::cmd::CMD_GET_SEARCH_STATUS);
    if (sendCommand(block, connection::threadStopFlag()) == 0) return false;
    std::this_thread::sleep_for(kPollInterval);
    if (stopping(cancellable)) return false;
    if (block.parameters()[0] != 0) return true;
  }
}

// The program table through the channel; false when the request fails or holds no result.
bool fetchTable(std::vector<uint8_t>& table) {
  table.assign(cv7::ctl::kProgramTableSize, 0);
  uint32_t returned = 0;
  if (!channelRequest(cv7::ctl::IOCTL_CV7_GET_PROGRAM_TABLE, table.data(), 0, cv7::ctl::kProgramTableSize, returned,
                      connection::threadStopFlag()) ||
      returned < cv7::ctl::kProgramTableSize) {
    return false;
  }
  return table[cv7::ctl::kTableResult] != 0;
}

// Waits, fetches and builds; the SiList is valid while the message is handled.
bool searchAndDeliver(bool cancellable) {
  if (!waitForSearchEnd(cancellable)) return false;
  std::vector<uint8_t> table;
  if (!fetchTable(table)) return false;
  if (cancellable && cancelled.load() != 0) return false;
  auto list = std::make_unique<SiList>();
  tuning::LastLockTest last = tuning::lastLockTest();
  buildSiList(table.data(), last.lnb, last.tr, *list);
  connection::sendToWindow(connection::searchMessage(), 0, reinterpret_cast<intptr_t>(list.get()));
  return true;
}

}  // namespace

}  // namespace corvane::search

namespace corvane::connection {
void runSearchRequest() {
  if (search::cancelled.load() != 0) return;
  search::searchAndDeliver(true);
}
}  // namespace corvane::connection

using namespace corvane;

extern "C" {

int32_t Cvn_SearchChannel(uint32_t asynchronous) {
  CommandBlock start(cv7::cmd::CMD_START_SEARCH);
  if (sendCommand(start) == 0) return 0;
  search::cancelled = 0;
  if (asynchronous != 0) {
    connection::wakeSearchThread();
    return 1;
  }
  return search::searchAndDeliver(false) ? 1 : 0;
}

int32_t Cvn_SearchCancel(void) {
  CommandBlock cancel(cv7::cmd::CMD_SEARCH_CANCEL);
  if (sendCommand(cancel) == 0) return 0;
  search::cancelled = 1;
  return 1;
}

}  // extern "C"
