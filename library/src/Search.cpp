// Channel search: the card searches the tuned transponder; the library waits for it,
// fetches the driver's program table and hands the SiList to the window.
//
// Every start and every cancel begins a new search generation. A search (on the search
// thread or a synchronous caller's) goes on only while its generation is the current one,
// so a cancelled or superseded search stops at its next look and sends nothing, and each
// started search delivers its own result at most once.
#include <atomic>
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

#include "CommandChannel.h"
#include "CommandCodes.h"
#include "Connection.h"
#include "ControlCodes.h"
#include "LibraryThread.h"
#include "SearchResult.h"
#include "Session.h"
#include "Tuning.h"
#include "corvane.h"

namespace corvane::search {

namespace {

constexpr int kPollMilliseconds = 100;

std::atomic<uint64_t> generation{0};        // bumped by every start and every cancel
std::atomic<uint64_t> requestedAsync{0};    // the generation of the latest asynchronous start

// A search of one generation for one session (null: no connection; every command fails).
class Run {
 public:
  Run(uint64_t mine, Session* session) : mine_(mine), session_(session) {}

  bool current() const { return generation.load() == mine_ && !(session_ && session_->stopping()); }
  const std::atomic<bool>* stopFlag() const { return session_ ? &session_->stopFlag() : nullptr; }

  // 100 ms between polls; the search thread waits on its event so that a stop, a cancel
  // or a new start wakes it at once (the generation tells which).
  void pause() const {
    if (session_ && onSearchThread_) {
      session_->searchEvent().wait(kPollMilliseconds);
    } else {
      std::this_thread::sleep_for(std::chrono::milliseconds(kPollMilliseconds));
    }
  }
  void onSearchThread() { onSearchThread_ = true; }

  // Waits, fetches and builds; the SiList is valid while the message is handled.
  bool searchAndDeliver() {
    if (!waitForSearchEnd()) return false;
    std::vector<uint8_t> table;
    if (!fetchTable(table) || !current()) return false;
    auto list = std::make_unique<SiList>();
    tuning::LastLockTest last = tuning::lastLockTest();
    buildSiList(table.data(), last.lnb, last.tr, *list);
    if (session_) session_->deliver(session_->messages().search, 0, reinterpret_cast<intptr_t>(list.get()));
    return true;
  }

 private:
  // Command 25 every 100 ms until the card reports the search finished. False on a failed
  // poll, a cancel, a newer start or the session's stop.
  bool waitForSearchEnd() {
    for (;;) {
      CommandBlock block(cv7::cmd::CMD_GET_SEARCH_STATUS);
      if (sendCommand(block, stopFlag()) == 0) return false;
      pause();
      if (!current()) return false;
      if (block.parameters()[0] != 0) return true;
    }
  }

  // The program table through the channel; false when the request fails or holds no result.
  bool fetchTable(std::vector<uint8_t>& table) const {
    table.assign(cv7::ctl::kProgramTableSize, 0);
    uint32_t returned = 0;
    if (!channelRequest(cv7::ctl::IOCTL_CV7_GET_PROGRAM_TABLE, table.data(), 0, cv7::ctl::kProgramTableSize, returned,
                        stopFlag()) ||
        returned < cv7::ctl::kProgramTableSize) {
      return false;
    }
    return table[cv7::ctl::kTableResult] != 0;
  }

  const uint64_t mine_;
  Session* const session_;
  bool onSearchThread_ = false;
};

}  // namespace

}  // namespace corvane::search

namespace corvane::connection {

// Runs every asynchronous start once: a start that came while the thread was busy (its
// wake-up may have been taken by a pause) is found by its generation.
void searchThreadMain(std::shared_ptr<Session> session) {
  nameLibraryThread("cvn-search");
  // A start made before this connection existed is not this connection's to deliver.
  uint64_t handled = search::requestedAsync.load();
  for (;;) {
    uint64_t requested = search::requestedAsync.load();
    if (requested == handled) {
      session->searchEvent().wait(-1);
      if (session->stopping()) return;
      continue;
    }
    if (session->stopping()) return;
    handled = requested;
    search::Run run(requested, session.get());
    run.onSearchThread();
    if (run.current()) run.searchAndDeliver();
  }
}

}  // namespace corvane::connection

using namespace corvane;

extern "C" {

int32_t Cvn_SearchChannel(uint32_t asynchronous) {
  CommandBlock start(cv7::cmd::CMD_START_SEARCH);
  if (sendCommand(start) == 0) return 0;
  uint64_t mine = ++search::generation;
  std::shared_ptr<Session> session = connection::currentSession();
  if (asynchronous != 0) {
    search::requestedAsync.store(mine);
    if (session) session->searchEvent().signal();
    return 1;
  }
  return search::Run(mine, session.get()).searchAndDeliver() ? 1 : 0;
}

int32_t Cvn_SearchCancel(void) {
  CommandBlock cancel(cv7::cmd::CMD_SEARCH_CANCEL);
  if (sendCommand(cancel) == 0) return 0;
  ++search::generation;
  // Wakes a search thread that pauses between polls, so that it stops at once.
  if (std::shared_ptr<Session> session = connection::currentSession()) session->searchEvent().signal();
  return 1;
}

}  // extern "C"
