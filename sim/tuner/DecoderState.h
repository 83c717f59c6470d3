// What the card's decoder keeps of the program and audio selections (commands 3, 4, 15, 23).
// The card has no video output here: it only remembers the selections for diagnostics.
#pragma once
#include <array>
#include <cstdint>
#include <mutex>
#include <string>

namespace cv7::sim {

class DecoderState {
 public:
  using ChannelWords = std::array<uint16_t, 6>;

  void setChannel(const ChannelWords& words);
  // Stops the running program when word 0 names it (0xFFFF stops whatever runs).
  void stopChannel(const ChannelWords& words);
  void setAudioControl(const std::array<uint8_t, 3>& bytes);
  void setAudioPid(uint16_t pid);

  bool running() const;
  ChannelWords channel() const;
  ChannelWords stoppedChannel() const;
  std::array<uint8_t, 3> audioControl() const;
  uint16_t audioPid() const;

  std::string diagnostics() const;

 private:
  mutable std::mutex mutex_;
  ChannelWords channel_{};
  ChannelWords stopped_{};
  bool running_ = false;
  std::array<uint8_t, 3> audioControl_{};
  uint16_t audioPid_ = 0;
};

}  // namespace cv7::sim
