// A notification icon for tests: records the pictures it showed; its creation can be made
// to fail.
#pragma once
#include <QString>
#include <mutex>
#include <vector>

#include "NotificationIcon.h"

namespace cv7::app {

class RecordingNotificationIcon : public NotificationIcon {
 public:
  bool refuse = false;

  bool create(const QString& tip, int picture) override {
    std::lock_guard lock(mutex_);
    tip_ = tip;
    ++creations_;
    enabled_ = !refuse;
    if (enabled_) pictures_.push_back(picture);
    return enabled_;
  }
  void setPicture(int picture) override {
    std::lock_guard lock(mutex_);
    if (enabled_ && (pictures_.empty() || pictures_.back() != picture)) pictures_.push_back(picture);
  }
  void remove() override {
    std::lock_guard lock(mutex_);
    enabled_ = false;
  }
  bool enabled() const override {
    std::lock_guard lock(mutex_);
    return enabled_;
  }
  // The pictures in the order shown, each change once.
  std::vector<int> pictures() const {
    std::lock_guard lock(mutex_);
    return pictures_;
  }
  int picture() const {
    std::lock_guard lock(mutex_);
    return pictures_.empty() ? 0 : pictures_.back();
  }
  QString tip() const {
    std::lock_guard lock(mutex_);
    return tip_;
  }
  int creations() const {
    std::lock_guard lock(mutex_);
    return creations_;
  }

 private:
  mutable std::mutex mutex_;
  bool enabled_ = false;
  QString tip_;
  int creations_ = 0;
  std::vector<int> pictures_;
};

}  // namespace cv7::app
