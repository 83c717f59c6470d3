#include "TerminationSignals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>

namespace cv7::app {

namespace {

int pipeFds[2] = {-1, -1};

void onSignal(int number) {
  const int saved = errno;
  const unsigned char byte = static_cast<unsigned char>(number);
  [[maybe_unused]] ssize_t written = ::write(pipeFds[1], &byte, 1);
  errno = saved;
}

}  // namespace

void TerminationSignals::install() {
  if (pipeFds[0] >= 0) return;
  if (::pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK) != 0) return;
  struct sigaction action {};
  action.sa_handler = &onSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  ::sigaction(SIGTERM, &action, nullptr);
  ::sigaction(SIGINT, &action, nullptr);
}

TerminationSignals::TerminationSignals() {
  install();
  if (pipeFds[0] < 0) return;
  notifier_ = std::make_unique<QSocketNotifier>(pipeFds[0], QSocketNotifier::Read);
  connect(notifier_.get(), &QSocketNotifier::activated, this, &TerminationSignals::readSignals);
}

TerminationSignals::~TerminationSignals() = default;

void TerminationSignals::readSignals() {
  unsigned char byte;
  while (::read(pipeFds[0], &byte, 1) == 1) Q_EMIT terminationRequested(byte);
}

}  // namespace cv7::app
