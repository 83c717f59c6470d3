// A setup sheet for tests: open or closed as the test says; records what it was asked.
#pragma once
#include <atomic>
#include <mutex>
#include <vector>

#include "SetupSheet.h"

namespace cv7::app {

class RecordingSetupSheet : public SetupSheet {
 public:
  std::atomic<bool> openNow{false};
  std::atomic<int> opened{0}, broughtToFront{0}, tunerInformation{0};

  bool isOpen() const override { return openNow.load(); }
  void open() override { ++opened; }
  void bringToFront() override { ++broughtToFront; }
  void showTunerInformation(const TunerInformation& info) override {
    ++tunerInformation;
    std::lock_guard lock(mutex_);
    lastInfo_ = info;
  }
  void setNetworkCardAddress(uint32_t address) override {
    std::lock_guard lock(mutex_);
    cardAddresses_.push_back(address);
  }
  void hostAddressesChanged(bool newAddress) override {
    std::lock_guard lock(mutex_);
    changes_.push_back(newAddress);
  }

  TunerInformation lastInfo() const {
    std::lock_guard lock(mutex_);
    return lastInfo_;
  }
  std::vector<uint32_t> cardAddresses() const {
    std::lock_guard lock(mutex_);
    return cardAddresses_;
  }
  std::vector<bool> changes() const {
    std::lock_guard lock(mutex_);
    return changes_;
  }

 private:
  mutable std::mutex mutex_;
  TunerInformation lastInfo_{};
  std::vector<uint32_t> cardAddresses_;
  std::vector<bool> changes_;
};

}  // namespace cv7::app
