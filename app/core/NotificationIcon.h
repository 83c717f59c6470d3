// The application's icon in the desktop's notification area, as the main frame drives it.
// The tray application shows it with Qt (CSystemTray); the headless service has none.
#pragma once
#include <QString>

namespace cv7::app {

class NotificationIcon {
 public:
  static constexpr int kNotLocked = 183;  // also the icon shown at start
  static constexpr int kLocked = 128;
  static constexpr int kIdentifier = 130;  // the icon's identifier, also its menu's

  virtual ~NotificationIcon() = default;
  // Adds the icon with the tip and the picture; false when it cannot be shown. The result
  // is kept as the enabled state.
  virtual bool create(const QString& tip, int picture) = 0;
  // Change the picture; only while enabled.
  virtual void setPicture(int picture) = 0;
  // Deletes the icon and disables it; only while enabled.
  virtual void remove() = 0;
  virtual bool enabled() const = 0;
};

}  // namespace cv7::app
