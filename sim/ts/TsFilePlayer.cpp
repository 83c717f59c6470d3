#include "TsFilePlayer.h"

#include <cstring>
#include <fstream>
#include <map>

namespace cv7::sim {

namespace {
constexpr uint64_t kMinPcrSpan = 27'000'000 / 10;  // a tenth of a second
constexpr uint64_t kMaxBacklogMicroseconds = 2'000'000;
}  // namespace

TsFilePlayer::TsFilePlayer(const std::string& path, uint32_t muxRate, uint64_t start) : start_(start) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  if (!in) {
    error_ = path + ": cannot be opened";
    return;
  }
  auto size = in.tellg();
  if (size < 0 || uint64_t(size) > kMaxFileBytes) {
    error_ = path + ": larger than " + std::to_string(kMaxFileBytes >> 20) + " MiB";
    return;
  }
  std::vector<uint8_t> bytes(static_cast<size_t>(size));
  in.seekg(0);
  if (!in.read(reinterpret_cast<char*>(bytes.data()), size)) {
    error_ = path + ": cannot be read";
    return;
  }
  load(std::move(bytes), muxRate, path);
}

TsFilePlayer::TsFilePlayer(std::vector<uint8_t> bytes, uint32_t muxRate, uint64_t start) : start_(start) {
  load(std::move(bytes), muxRate, "the recording");
}

void TsFilePlayer::load(std::vector<uint8_t> bytes, uint32_t muxRate, const std::string& name) {
  if (bytes.empty()) {
    error_ = name + ": holds no transport stream (the file is empty)";
    return;
  }
  if (bytes.size() % kTsPacketSize != 0) {
    error_ = name + ": holds no transport stream (not a whole number of 188-byte packets)";
    return;
  }
  packets_.resize(bytes.size() / kTsPacketSize);
  for (size_t i = 0; i < packets_.size(); ++i) {
    std::memcpy(packets_[i].data(), bytes.data() + i * kTsPacketSize, kTsPacketSize);
    if (packets_[i][0] != kTsSync) {
      error_ = name + ": holds no transport stream (no sync byte at packet " + std::to_string(i) + ")";
      packets_.clear();
      return;
    }
  }
  rate_ = muxRate;
  measureRate();
  if (rate_ == 0) error_ = name + ": no rate for the recording";
}

// Bits between the first and the last PCR of one PID over the time between them.
void TsFilePlayer::measureRate() {
  std::map<uint16_t, std::pair<size_t, uint64_t>> first;
  std::pair<uint64_t, uint64_t> best{0, 0};  // packets, 27 MHz ticks
  for (size_t i = 0; i < packets_.size(); ++i) {
    TsHeader h = parseTsHeader(packets_[i]);
    if (!h.valid || !h.pcr) continue;
    auto [it, inserted] = first.try_emplace(h.pid, i, *h.pcr);
    if (inserted || *h.pcr <= it->second.second) continue;
    uint64_t ticks = *h.pcr - it->second.second;
    if (ticks >= kMinPcrSpan) best = {i - it->second.first, ticks};
  }
  if (best.second == 0) return;
  rate_ = best.first * kTsPacketSize * 8 * 27'000'000 / best.second;
  fromPcr_ = rate_ > 0;
}

uint64_t TsFilePlayer::dueOf(uint64_t index) const {
  return start_ + (index - base_) * kTsPacketSize * 8 * 1'000'000 / rate_;
}

void TsFilePlayer::fill(uint64_t now, std::deque<QueuedPacket>& queue) {
  if (packets_.empty()) return;
  if (dueOf(next_) + kMaxBacklogMicroseconds < now) {
    // Far behind (nobody stepped the multiplex): continue from now instead of bursting.
    start_ = now;
    base_ = next_;
  }
  while (dueOf(next_) <= now) {
    const TsPacket& p = packets_[next_ % packets_.size()];
    ++next_;
    if (next_ % packets_.size() == 0) ++loops_;
    TsHeader h = parseTsHeader(p);
    if (h.valid && h.pid != kNullPid) queue.push_back({p, false});
  }
}

}  // namespace cv7::sim
