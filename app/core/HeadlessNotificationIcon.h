// The headless service's notification icon: there is no notification area, so it is always
// "added" and only remembers its picture (the main frame reports lock changes on standard
// error).
#pragma once
#include <atomic>

#include "NotificationIcon.h"

namespace cv7::app {

class HeadlessNotificationIcon : public NotificationIcon {
 public:
  bool create(const QString&, int picture) override {
    picture_ = picture;
    enabled_ = true;
    return true;
  }
  void setPicture(int picture) override {
    if (enabled_) picture_ = picture;
  }
  void remove() override { enabled_ = false; }
  bool enabled() const override { return enabled_; }
  int picture() const { return picture_; }

 private:
  std::atomic<int> picture_{0};
  std::atomic<bool> enabled_{false};
};

}  // namespace cv7::app
