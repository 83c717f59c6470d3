// SIGTERM and SIGINT as a Qt signal on the window thread, so that a service manager's stop
// (or Ctrl-C) runs the shut-down routine and the exit in order. The handlers are installed
// by install(), as early as possible; a signal that arrives before the event loop runs is
// delivered when it starts.
#pragma once
#include <QObject>
#include <QSocketNotifier>
#include <memory>

namespace cv7::app {

class TerminationSignals : public QObject {
  Q_OBJECT

 public:
  // Installs the handlers (once per process); before a QCoreApplication exists.
  static void install();
  // Needs a QCoreApplication; delivers what install() caught.
  TerminationSignals();
  ~TerminationSignals() override;

 Q_SIGNALS:
  void terminationRequested(int signal);

 private:
  void readSignals();
  std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace cv7::app
