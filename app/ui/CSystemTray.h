// The notification icon of the tray program over QSystemTrayIcon: tip "Cv7 data", icon 183
// (not locked) or 128 (locked), and menu 130 with "Corvane-7 Data Setup" as its bold default
// item, a separator and "Exit". The mouse is ignored until the main frame's creation has
// finished. A right click shows the menu, or, while the setup sheet is open, brings the sheet
// to the front instead; a double click opens the setup sheet (or brings it to the front).
//
// When the desktop's notification area is created again (a panel restart), trayHostRestarted()
// is emitted so that the main frame adds the icon again.
#pragma once
#include <QMenu>
#include <QObject>
#include <QSystemTrayIcon>
#include <memory>

#include "NotificationIcon.h"
#include "TrayOwner.h"

namespace cv7::app {

class CSystemTray : public QObject, public NotificationIcon {
  Q_OBJECT

 public:
  static constexpr const char* kSetupText = "Corvane-7 Data Setup";
  static constexpr const char* kExitText = "Exit";

  CSystemTray();
  ~CSystemTray() override;

  // The main frame, whose commands the menu sends.
  void setOwner(TrayOwner* owner) { owner_ = owner; }

  bool create(const QString& tip, int picture) override;
  void setPicture(int picture) override;
  void remove() override;
  bool enabled() const override { return enabled_; }

  // The notification handler: the icon's mouse actions.
  void OnTrayNotification(QSystemTrayIcon::ActivationReason reason);

  QSystemTrayIcon& trayIcon() { return icon_; }
  int picture() const { return picture_; }
  // The icon of a picture number (the program's resources).
  static QIcon pictureIcon(int picture);

 Q_SIGNALS:
  void trayHostRestarted();

 private:
  void showMenu();
  void watchTrayHost();

  QSystemTrayIcon icon_;
  std::unique_ptr<QMenu> menu_;
  TrayOwner* owner_ = nullptr;
  bool enabled_ = false;
  int picture_ = 0;
};

}  // namespace cv7::app
