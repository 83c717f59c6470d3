// The TAP interface through which the received frames become network traffic: created with
// the card's station address as its MAC, brought up, with reverse-path filtering relaxed
// (a receive-only link has no return route).
#pragma once
#include <array>
#include <cstdint>
#include <memory>
#include <string>

namespace cv7::host {

class TapInterface {
 public:
  // Creates the interface, or returns null with a one-line reason in `error`.
  static std::unique_ptr<TapInterface> create(const std::string& name, const std::array<uint8_t, 6>& mac,
                                              std::string& error);
  ~TapInterface();
  TapInterface(const TapInterface&) = delete;
  TapInterface& operator=(const TapInterface&) = delete;

  const std::string& name() const { return name_; }
  int fd() const { return fd_; }
  // Writes one Ethernet frame; false when the kernel did not take it.
  bool write(const uint8_t* frame, size_t length);
  // Reads one frame the kernel sends out of the interface; -1 when none waits.
  long read(uint8_t* buffer, size_t length);
  // The interface flags (IFF_*), or 0 when they cannot be read.
  unsigned flags() const;

 private:
  TapInterface(int fd, std::string name) : fd_(fd), name_(std::move(name)) {}
  int fd_;
  std::string name_;
};

}  // namespace cv7::host
