// One side of the coordination on the session bus: the object that a peer calls, the
// presence signals it hears, and the messages it sends. The data application (Cv7d) and a
// TV application (cv7-tv) each make one, differing only in their role.
//
// The endpoint lives on one thread (the window thread); calls and signals reach the
// listener on that thread, one at a time.
#pragma once
#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>
#include <QString>
#include <atomic>
#include <memory>
#include <optional>

namespace cv7::coordination {

class CoordinationEndpoint : public QObject {
  Q_OBJECT

 public:
  enum class Role { Data, Tv };

  class Listener {
   public:
    virtual ~Listener() = default;
    // A presence signal of the other side (window: its unique name, or empty).
    virtual void onPresence(int code, const QString& window) = 0;
    // A tuning message; the result goes back to the caller.
    virtual int onTuning(int code, int value) = 0;
    // Any other method call on the object path; answer it and return true, or return
    // false for an "unknown method" error.
    virtual bool onOtherCall(const QDBusMessage& call, const QDBusConnection& connection) {
      (void)call;
      (void)connection;
      return false;
    }
  };

  CoordinationEndpoint(QDBusConnection connection, Role role, Listener& listener);
  ~CoordinationEndpoint() override;

  // Registers the object path and listens for the other side's presence signal; false with
  // `error` when the bus refuses (no connection, path taken).
  bool open(QString* error = nullptr);
  bool isOpen() const { return open_; }
  QDBusConnection connection() const { return connection_; }
  // This side's "window": its unique bus name.
  QString ownName() const;

  // The presence signal to every program on the bus.
  void broadcastPresence(int code);
  // The presence signal to one program only; nothing when `target` is empty. A program
  // that has gone away does not get it, and nothing else happens.
  void postPresence(int code, const QString& target);
  // A tuning message to `target`, waiting at most `timeoutMs` for its answer. No answer
  // (gone, hung, refused) gives nothing and `error` says why.
  std::optional<int> sendTuning(const QString& target, int code, int value, int timeoutMs, QString* error = nullptr);
  // The same, but this thread goes on serving calls and signals while it waits (a TV
  // application waiting for the data application must still answer it).
  std::optional<int> sendTuningServing(const QString& target, int code, int value, int timeoutMs,
                                       QString* error = nullptr);

  // Any call, answered while this thread goes on serving calls and signals.
  QDBusMessage callServing(const QDBusMessage& call, int timeoutMs);

  // Shows or hides one of this program's scan windows to the bus (a window's bus name).
  bool showWindow(const char* windowName);
  void hideWindow(const char* windowName);
  // True while any program on the bus shows the window.
  bool windowExists(const char* windowName) const;

  // Messages refused for their form (wrong members, argument counts or types, a foreign
  // window), counted since the endpoint was made.
  int refusedMessages() const { return refused_.load(); }

 private Q_SLOTS:
  void onPresenceSignal(const QDBusMessage& message);

 private:
  class BusObject;
  friend class BusObject;
  bool dispatchCall(const QDBusMessage& message, const QDBusConnection& connection);
  QDBusMessage tuningCall(const QString& target, int code, int value) const;
  static std::optional<int> answerOf(const QDBusMessage& reply, QString* error);
  const char* ownInterface() const;
  const char* peerInterface() const;
  const char* ownPresenceSignal() const;
  const char* peerPresenceSignal() const;

  QDBusConnection connection_;
  Role role_;
  Listener& listener_;
  std::unique_ptr<BusObject> object_;
  bool open_ = false;
  std::atomic<int> refused_{0};
};

}  // namespace cv7::coordination
