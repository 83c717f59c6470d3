// The TV application stand-in: a TV application that follows the coordination protocol
// from the TV's side (docs/coordination.md). It announces itself, answers the data
// application, tunes positions of the shared satellite list with the library (client mode
// 1), changes the satellite list and data files, scans with its scan window shown, and
// stops. Every message it receives or sends is printed as one line on standard output.
//
// Commands come from other cv7-tv processes as calls of its control interface, one at a
// time.
#pragma once
#include <QDBusConnection>
#include <QObject>
#include <QStringList>
#include <optional>

#include "CoordinationEndpoint.h"
#include "Registry.h"
#include "SharedSatellites.h"
#include "TvLibrary.h"

namespace cv7tv {

// The control interface of a running stand-in.
inline constexpr const char* kControlName = "org.tvk.Cv7.TvStandIn";
inline constexpr const char* kControlInterface = "org.tvk.Cv7.TvStandIn";
inline constexpr const char* kCommandMethod = "Command";  // (as arguments) -> (i status, s text)

class TvStandIn : public QObject, private cv7::coordination::CoordinationEndpoint::Listener {
  Q_OBJECT

 public:
  struct Options {
    bool announce = true;    // TV START at start
    bool library = true;     // open the library (needs the cv7 daemon)
  };
  struct Outcome {
    int status = 0;  // 0 done, 1 failed, 2 bad arguments
    QString text;
  };

  TvStandIn(QDBusConnection bus, const cv7::registry::Registry& registry, Options options);

  // Joins the bus, opens the library, announces itself; false with `error` when it cannot.
  bool start(QString* error);
  // TV STOP, then the program ends.
  void stop();
  Outcome run(const QStringList& args);

 private:
  void onPresence(int code, const QString& window) override;
  int onTuning(int code, int value) override;
  bool onOtherCall(const QDBusMessage& call, const QDBusConnection& connection) override;

  Outcome tune(const QStringList& args);
  Outcome report(const QStringList& args);
  Outcome changeSatelliteList(const QStringList& args);
  Outcome changeTransponders(const QStringList& args);
  Outcome scan(const QStringList& args);
  Outcome scanWindow(const QStringList& args);
  Outcome status() const;
  Outcome dataState();

  // Message 1045 to the data application, answering 1046 meanwhile.
  Outcome sendToData(int code, int value);
  // The TV's satellite's place in the list now, with its transponder.
  int currentPosition() const;
  void say(const QString& line) const;

  QDBusConnection bus_;
  SharedSatellites satellites_;
  Options options_;
  cv7::coordination::CoordinationEndpoint endpoint_;
  TvLibrary library_;
  QString dataWindow_;
  std::string satellite_;  // the satellite last tuned
  int transponder_ = 0;
  bool busy_ = false;
  QStringList shownWindows_;
};

}  // namespace cv7tv
