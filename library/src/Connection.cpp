// Connection to the driver, the system lifecycle and the versions.
//
// Cvn_CloseSystem, in this order: the data path ends (no callback after it); the session
// stops its threads (no message after it; messages in flight are waited for a bounded
// time, see corvane.h); only then is what the threads read freed (the channel database);
// then the driver forgets the client and the device closes. A driver that has gone away
// does not make the close fail: there is nothing left to undo in it, and the next
// Cvn_OpenSystem must be able to reach a restarted driver.
#include "Connection.h"

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "CommandChannel.h"
#include "CommandCodes.h"
#include "ControlCodes.h"
#include "DataPath.h"
#include "Database.h"
#include "Device.h"
#include "LibraryState.h"
#include "Trace.h"
#include "corvane.h"

namespace corvane {

namespace connection {

namespace {

// How long Cvn_CloseSystem waits for a message that a library thread is delivering.
constexpr std::chrono::milliseconds kCloseDeliveryWait{CVN_CLOSE_MESSAGE_WAIT_MS};

struct State {
  std::mutex lifecycle;  // open and close do not overlap
  std::atomic<uint8_t> clientMode{0};
  std::atomic<bool> open{false};
  std::mutex currentLock;  // guards `current` alone, never held while waiting
  std::shared_ptr<Session> current;
};

// Never destroyed: library threads may still run while the process exits.
State& state() {
  static State* instance = new State;
  return *instance;
}

void setCurrent(std::shared_ptr<Session> session) {
  State& s = state();
  std::lock_guard guard(s.currentLock);
  s.current = std::move(session);
}

bool registerClient(Session& session, uint8_t mode) {
  uint32_t words[4] = {mode, uint32_t(session.cardEvent().fd()), mode == 3 ? uint32_t(session.statusEvent().fd()) : 0,
                       0};
  int events[2] = {session.cardEvent().fd(), session.statusEvent().fd()};
  if (!device().request(cv7::ctl::IOCTL_CV7_OPEN_CLIENT, words, sizeof words, nullptr, 0, nullptr, events,
                        mode == 3 ? 2 : 1))
    return false;
  CommandBlock block(cv7::cmd::CMD_OPEN_CLIENT);
  block.parameters()[0] = mode;
  return sendCommand(block) != 0;
}

// Undoes a failed open, so that a later open starts from nothing.
int32_t abandonOpen(State& s, const std::shared_ptr<Session>& session) {
  if (session) session->stop(std::chrono::milliseconds(0));
  device().close();
  s.clientMode.store(0);
  return 0;
}

// Command 22, then the close-client request; false when the driver refused the request.
// A driver that is gone refuses nothing any more.
bool unregisterClient(uint8_t mode) {
  CommandBlock block(cv7::cmd::CMD_CLOSE_CLIENT);
  block.parameters()[0] = mode;
  sendCommand(block);  // its result does not matter
  uint32_t number = mode;
  return device().request(cv7::ctl::IOCTL_CV7_CLOSE_CLIENT, &number, 4, nullptr, 0) || device().gone();
}

void finishClose(State& s) {
  device().close();
  setCurrent(nullptr);
  s.open.store(false);
  s.clientMode.store(0);
}

// A process that exits with the system open ends like a close that does not wait for
// messages in flight (their window may already be gone) and leaves the database alone
// (other threads of the program may still read it). The driver undoes the rest when the
// connection's socket closes with the process.
void closeAtExit() {
  State& s = state();
  std::unique_lock held(s.lifecycle, std::try_to_lock);
  if (!held.owns_lock() || !s.open.load()) return;
  datapath::shutdown();
  std::shared_ptr<Session> session = currentSession();
  if (session) session->stop(std::chrono::milliseconds(0));
  unregisterClient(s.clientMode.load());
}

void closeAtExitOnce() {
  static std::once_flag registered;
  std::call_once(registered, [] { std::atexit(closeAtExit); });
}

}  // namespace

bool isOpen() { return state().open.load(); }

std::shared_ptr<Session> currentSession() {
  State& s = state();
  std::lock_guard guard(s.currentLock);
  return s.current;
}

}  // namespace connection

uint8_t openClientMode() {
  auto& s = connection::state();
  return s.open.load() ? s.clientMode.load() : 0;
}

uint8_t channelClient() { return connection::state().clientMode.load(); }

}  // namespace corvane

using namespace corvane;

extern "C" {

int32_t Cvn_OpenSystem(uint8_t clientMode, CvnWindow* window, uint32_t eventMessage, uint32_t searchMessage,
                       uint32_t statusMessage) {
  auto& s = connection::state();
  std::lock_guard guard(s.lifecycle);
  if (s.open.load() || device().isOpen() || clientMode < 1 || clientMode > 3) return 0;
  s.clientMode.store(clientMode);
  if (!device().open(Device::defaultPath())) {
    trace("Cv9dat open vxd handle error\n");
    s.clientMode.store(0);
    return 0;
  }
  // The threads are made only once everything they wait on exists, which is what creating
  // them suspended and resuming them at the end achieves.
  auto session = std::make_shared<Session>(clientMode);
  if (!session->createEvents() || !connection::registerClient(*session, clientMode))
    return connection::abandonOpen(s, session);
  if (!session->startThreads()) {
    connection::unregisterClient(clientMode);
    return connection::abandonOpen(s, nullptr);
  }
  if (clientMode == 1 || clientMode == 3) db::freeTransponders();
  session->setWindow(window, {eventMessage, searchMessage, statusMessage});
  connection::setCurrent(std::move(session));
  s.open.store(true);
  connection::closeAtExitOnce();
  return 1;
}

int32_t Cvn_CloseSystem() {
  auto& s = connection::state();
  std::lock_guard guard(s.lifecycle);
  if (!s.open.load()) return 0;
  datapath::shutdown();
  if (std::shared_ptr<Session> session = connection::currentSession())
    session->stop(connection::kCloseDeliveryWait);
  uint8_t mode = s.clientMode.load();
  if (mode == 1 || mode == 3) {
    if (!db::freeTransponders()) return 0;
    if (mode == 1) db::freeFavorites();
  }
  // Refused: half closed (threads ended, device open); a later close tries again.
  if (!connection::unregisterClient(mode)) return 0;
  connection::finishClose(s);
  return 1;
}

int32_t Cvn_StartSystem() { return 1; }
int32_t Cvn_StopSystem() { return 1; }

int32_t Cvn_GetVideoMode(uint8_t* mode) {
  if (!mode) return 0;
  CommandBlock block(cv7::cmd::CMD_GET_VIDEO_MODE);
  // Only a reply of the right kind (status 1) carries the mode; status 3 is another reply.
  if (sendCommand(block) != cv7::ctl::kResultSuccess) return 0;
  *mode = block.parameters()[0];
  return 1;
}

int32_t Cvn_GetFirmwareVersion(uint8_t* version) {
  if (!version) return 0;
  CommandBlock block(cv7::cmd::CMD_GET_FIRMWARE_VERSION);
  // Only a reply of the right kind (status 1) carries the version; status 3 is another reply.
  if (sendCommand(block) != cv7::ctl::kResultSuccess) return 0;
  version[0] = block.parameters()[0];
  version[1] = block.parameters()[1];
  return 1;
}

int32_t Cvn_GetDriverVersion(uint8_t* version) {
  if (!version) return 0;
  uint8_t reply[8] = {};
  uint32_t returned = 0;
  if (!device().request(cv7::ctl::IOCTL_CV7_GET_DRIVER_VERSION, nullptr, 0, reply, sizeof reply, &returned) ||
      returned < 8)
    return 0;
  version[0] = reply[0];
  version[1] = reply[4];
  return 1;
}

}  // extern "C"
