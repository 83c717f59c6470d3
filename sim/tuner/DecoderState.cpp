#include "tuner/DecoderState.h"

#include <cstdio>

namespace cv7::sim {

void DecoderState::setChannel(const ChannelWords& words) {
  std::lock_guard lock(mutex_);
  channel_ = words;
  running_ = true;
}

void DecoderState::stopChannel(const ChannelWords& words) {
  std::lock_guard lock(mutex_);
  stopped_ = words;
  if (words[0] == 0xFFFF || words[0] == channel_[0]) running_ = false;
}

void DecoderState::setAudioControl(const std::array<uint8_t, 3>& bytes) {
  std::lock_guard lock(mutex_);
  audioControl_ = bytes;
}

void DecoderState::setAudioPid(uint16_t pid) {
  std::lock_guard lock(mutex_);
  audioPid_ = pid;
}

bool DecoderState::running() const {
  std::lock_guard lock(mutex_);
  return running_;
}

DecoderState::ChannelWords DecoderState::channel() const {
  std::lock_guard lock(mutex_);
  return channel_;
}

DecoderState::ChannelWords DecoderState::stoppedChannel() const {
  std::lock_guard lock(mutex_);
  return stopped_;
}

std::array<uint8_t, 3> DecoderState::audioControl() const {
  std::lock_guard lock(mutex_);
  return audioControl_;
}

uint16_t DecoderState::audioPid() const {
  std::lock_guard lock(mutex_);
  return audioPid_;
}

std::string DecoderState::diagnostics() const {
  std::lock_guard lock(mutex_);
  char line[160];
  std::snprintf(line, sizeof line,
                "decoder: program %04X %s (%04X %04X %04X %04X %04X), audio PID %04X, audio control %02X %02X %02X",
                channel_[0], running_ ? "running" : "stopped", channel_[1], channel_[2], channel_[3],
                channel_[4], channel_[5], audioPid_, audioControl_[0], audioControl_[1], audioControl_[2]);
  return line;
}

}  // namespace cv7::sim
