#include "Session.h"

#include <algorithm>
#include <system_error>

namespace corvane {

Session::~Session() {
  // Threads still joinable here were never stopped (a failed open stops them first); the
  // events close with the session.
  for (std::thread* t : {&eventThread_, &searchThread_, &statusThread_}) {
    if (t->joinable()) t->detach();
  }
}

bool Session::createEvents() {
  if (!cardEvent_.create()) return false;
  if (mode_ == 3 && !statusEvent_.create()) return false;
  return searchEvent_.create();
}

bool Session::startThreads() {
  std::shared_ptr<Session> self = shared_from_this();
  try {
    searchThread_ = std::thread(connection::searchThreadMain, self);
    eventThread_ = std::thread(connection::eventThreadMain, self);
    if (mode_ == 3) statusThread_ = std::thread(connection::statusThreadMain, self);
  } catch (const std::system_error&) {
    stop(std::chrono::milliseconds(0));
    return false;
  }
  return true;
}

void Session::setWindow(CvnWindow* window, Messages messages) {
  eventMessage_.store(messages.event);
  searchMessage_.store(messages.search);
  statusMessage_.store(messages.status);
  window_.store(window);
}

Session::Messages Session::messages() const {
  return Messages{eventMessage_.load(), searchMessage_.load(), statusMessage_.load()};
}

intptr_t Session::deliver(uint32_t message, uintptr_t wParam, intptr_t lParam) {
  CvnWindow* window = window_.load();
  if (window == nullptr || window->send == nullptr) return 0;
  std::thread::id self = std::this_thread::get_id();
  {
    std::lock_guard guard(deliveryLock_);
    if (gateClosed_) return 0;
    delivering_.push_back(self);
  }
  intptr_t result = window->send(window, message, wParam, lParam);
  {
    std::lock_guard guard(deliveryLock_);
    delivering_.erase(std::find(delivering_.begin(), delivering_.end(), self));
  }
  deliveryDone_.notify_all();
  return result;
}

size_t Session::deliveriesOfOthers() const {
  std::thread::id self = std::this_thread::get_id();
  return size_t(std::count_if(delivering_.begin(), delivering_.end(), [&](std::thread::id t) { return t != self; }));
}

bool Session::isDelivering(std::thread::id thread) const {
  std::lock_guard guard(deliveryLock_);
  return std::find(delivering_.begin(), delivering_.end(), thread) != delivering_.end();
}

void Session::stop(std::chrono::milliseconds deliveryWait) {
  {
    std::unique_lock held(deliveryLock_);
    gateClosed_ = true;
    stop_.store(true);
    deliveryDone_.wait_for(held, deliveryWait, [&] { return deliveriesOfOthers() == 0; });
  }
  cardEvent_.signal();
  searchEvent_.signal();
  statusEvent_.signal();
  std::thread::id self = std::this_thread::get_id();
  for (std::thread* t : {&eventThread_, &searchThread_, &statusThread_}) {
    if (!t->joinable()) continue;
    // A thread still inside the application's send cannot be waited for: its send may
    // wait for this very thread. No message starts any more, so it ends when send returns.
    if (t->get_id() == self || isDelivering(t->get_id())) {
      t->detach();
    } else {
      t->join();
    }
  }
}

}  // namespace corvane
