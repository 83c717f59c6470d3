#include "CSystemTray.h"

#include <QCursor>
#include <QGuiApplication>

#include "WindowMessages.h"

namespace cv7::app {

CSystemTray::CSystemTray() {
  icon_.setObjectName(QStringLiteral("trayIcon"));
  connect(&icon_, &QSystemTrayIcon::activated, this, &CSystemTray::OnTrayNotification);
  watchTrayHost();
}

CSystemTray::~CSystemTray() { remove(); }

// The X11 platform announces a new notification area (the tray's manager selection changed
// owner) with its native interface's systemTrayWindowChanged(QScreen*); Qt's own tray code
// listens to the same signal. The interface is a QObject whose class is not public, hence
// the cast and the connection by name. Other platforms have no such signal.
void CSystemTray::watchTrayHost() {
  auto* native = reinterpret_cast<QObject*>(QGuiApplication::platformNativeInterface());
  if (!native || native->metaObject()->indexOfSignal("systemTrayWindowChanged(QScreen*)") < 0) return;
  connect(native, SIGNAL(systemTrayWindowChanged(QScreen*)), this, SIGNAL(trayHostRestarted()));
}

QIcon CSystemTray::pictureIcon(int picture) {
  return QIcon(picture == kLocked ? QStringLiteral(":/icons/locked.png") : QStringLiteral(":/icons/not-locked.png"));
}

bool CSystemTray::create(const QString& tip, int picture) {
  picture_ = picture;
  icon_.setIcon(pictureIcon(picture));
  icon_.setToolTip(tip);
  icon_.show();
  enabled_ = true;
  return enabled_;
}

void CSystemTray::setPicture(int picture) {
  if (!enabled_ || picture == picture_) return;
  picture_ = picture;
  icon_.setIcon(pictureIcon(picture));
}

void CSystemTray::remove() {
  if (!enabled_) return;
  icon_.hide();
  if (menu_) menu_->close();
  enabled_ = false;
}

void CSystemTray::OnTrayNotification(QSystemTrayIcon::ActivationReason reason) {
  if (!owner_ || !owner_->startupDone()) return;
  SetupSheet& sheet = owner_->setupSheet();
  if (reason == QSystemTrayIcon::Context) {
    if (sheet.isOpen()) {
      owner_->OnSetupCommand();  // does nothing while the sheet is open
      sheet.bringToFront();
      return;
    }
    showMenu();
  } else if (reason == QSystemTrayIcon::DoubleClick) {
    if (sheet.isOpen()) sheet.bringToFront();
    owner_->OnSetupCommand();
  }
}

void CSystemTray::showMenu() {
  menu_ = std::make_unique<QMenu>();
  menu_->setObjectName(QStringLiteral("menu%1").arg(kIdentifier));
  QAction* setup = menu_->addAction(QString::fromLatin1(kSetupText));
  setup->setObjectName(QStringLiteral("command%1").arg(WindowMessage::kCommandSetup));
  menu_->addSeparator();
  QAction* exit = menu_->addAction(QString::fromLatin1(kExitText));
  exit->setObjectName(QStringLiteral("command%1").arg(WindowMessage::kCommandExit));
  menu_->setDefaultAction(setup);  // shown bold
  // Queued, so that the menu has closed before a command opens the sheet or ends the program.
  connect(setup, &QAction::triggered, this, [this] { owner_->OnSetupCommand(); }, Qt::QueuedConnection);
  connect(exit, &QAction::triggered, this, [this] { owner_->OnAppExit(); }, Qt::QueuedConnection);
  menu_->popup(QCursor::pos());
}

}  // namespace cv7::app
