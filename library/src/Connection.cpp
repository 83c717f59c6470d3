// Connection to the driver, threads, messages and the system lifecycle.
#include "Connection.h"

#include <chrono>
#include <cstring>
#include <thread>

#include "CommandChannel.h"
#include "CommandCodes.h"
#include "ConnectionState.h"
#include "ControlCodes.h"
#include "Database.h"
#include "Device.h"
#include "LibraryState.h"
#include "Trace.h"
#include "corvane.h"

namespace corvane {

namespace connection {

State& state() {
  static State instance;
  return instance;
}

bool isOpen() { return state().open.load(); }
bool closing() { return state().closing.load() == 1; }
uint32_t searchMessage() { return state().searchMessage.load(); }
const std::atomic<bool>* threadStopFlag() { return &state().stopThreads; }

intptr_t sendToWindow(uint32_t message, uintptr_t wParam, intptr_t lParam) {
  CvnWindow* window = state().window.load();
  if (!window || !window->send) return 0;
  return window->send(window, message, wParam, lParam);
}

void wakeSearchThread() {
  State& s = state();
  if (s.searchEvent.valid()) s.searchEvent.signal();
}

namespace {

bool registerClient(State& s, uint8_t mode) {
  uint32_t words[4] = {mode, uint32_t(s.cardEvent.fd()), mode == 3 ? uint32_t(s.statusEvent.fd()) : 0, 0};
  int events[2] = {s.cardEvent.fd(), s.statusEvent.fd()};
  if (!device().request(cv7::ctl::IOCTL_CV7_OPEN_CLIENT, words, sizeof words, nullptr, 0, nullptr, events,
                        mode == 3 ? 2 : 1))
    return false;
  CommandBlock block(cv7::cmd::CMD_OPEN_CLIENT);
  block.parameters()[0] = mode;
  return sendCommand(block) != 0;
}

// Ends every thread by flag and wake-up, then waits for it.
void endThread(std::thread& thread, AutoResetEvent& wake) {
  if (thread.joinable()) {
    wake.signal();
    thread.join();
  }
  wake.close();
}

void endAllThreads(State& s) {
  s.stopThreads.store(true);
  endThread(s.eventThread, s.cardEvent);
  endThread(s.searchThread, s.searchEvent);
  endThread(s.statusThread, s.statusEvent);
}

// Undoes a failed open, so that a later open starts from nothing.
int32_t abandonOpen(State& s) {
  endAllThreads(s);
  device().close();
  s.clientMode.store(0);
  return 0;
}

bool unregisterClient(uint8_t mode) {
  CommandBlock block(cv7::cmd::CMD_CLOSE_CLIENT);
  block.parameters()[0] = mode;
  sendCommand(block);  // its result does not matter
  uint32_t number = mode;
  return device().request(cv7::ctl::IOCTL_CV7_CLOSE_CLIENT, &number, 4, nullptr, 0);
}

}  // namespace
}  // namespace connection

uint8_t openClientMode() {
  auto& s = connection::state();
  return s.open.load() ? s.clientMode.load() : 0;
}

uint8_t channelClient() { return connection::state().clientMode.load(); }

}  // namespace corvane

using namespace corvane;
using connection::State;

extern "C" {

int32_t Cvn_OpenSystem(uint8_t clientMode, CvnWindow* window, uint32_t eventMessage, uint32_t searchMessage,
                       uint32_t statusMessage) {
  State& s = connection::state();
  std::lock_guard guard(s.lifecycle);
  if (s.open.load() || device().isOpen() || clientMode < 1 || clientMode > 3) return 0;
  s.clientMode.store(clientMode);
  s.closing.store(0);
  s.stopThreads.store(false);
  if (!device().open(Device::defaultPath())) {
    trace("Cv9dat open vxd handle error\n");
    s.clientMode.store(0);
    return 0;
  }
  // The threads are made only once everything they wait on exists, which is what creating
  // them suspended and resuming them at the end achieves.
  if (!s.cardEvent.create()) return connection::abandonOpen(s);
  if (clientMode == 3 && !s.statusEvent.create()) return connection::abandonOpen(s);
  if (!connection::registerClient(s, clientMode)) return connection::abandonOpen(s);
  if (!s.searchEvent.create()) return connection::abandonOpen(s);
  try {
    s.searchThread = std::thread(connection::searchThreadMain);
    s.eventThread = std::thread(connection::eventThreadMain);
    if (clientMode == 3) s.statusThread = std::thread(connection::statusThreadMain);
  } catch (const std::system_error&) {
    return connection::abandonOpen(s);
  }
  if (clientMode == 1 || clientMode == 3) db::freeTransponders();
  s.window.store(window);
  s.eventMessage.store(eventMessage);
  s.searchMessage.store(searchMessage);
  s.statusMessage.store(statusMessage);
  s.open.store(true);
  return 1;
}

int32_t Cvn_CloseSystem() {
  State& s = connection::state();
  std::lock_guard guard(s.lifecycle);
  if (!s.open.load()) return 0;
  while (s.eventThreadBusy.load() == 1) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  s.closing.store(1);
  uint8_t mode = s.clientMode.load();
  if (mode == 1 || mode == 3) {
    if (!db::freeTransponders()) return 0;
    if (mode == 1) db::freeFavorites();
  }
  connection::endAllThreads(s);
  if (!connection::unregisterClient(mode)) return 0;
  device().close();
  s.window.store(nullptr);
  s.eventMessage.store(0);
  s.searchMessage.store(0);
  s.statusMessage.store(0);
  s.open.store(false);
  s.clientMode.store(0);
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
