#include "FrameOutput.h"

#include <pcap/pcap.h>
#include <sys/time.h>

#include <cstring>

#include "Miniport.h"
#include "TapInterface.h"

namespace cv7::host {

FrameOutput::~FrameOutput() {
  if (dumper_) pcap_dump_close(dumper_);
  if (pcap_) pcap_close(pcap_);
}

bool FrameOutput::openPcap(const std::string& path, std::string& error) {
  pcap_ = pcap_open_dead(DLT_EN10MB, 65535);
  if (pcap_ == nullptr) {
    error = "cannot prepare a pcap writer";
    return false;
  }
  dumper_ = pcap_dump_open(pcap_, path.c_str());
  if (dumper_ == nullptr) {
    error = "cannot write pcap file " + path + ": " + pcap_geterr(pcap_);
    pcap_close(pcap_);
    pcap_ = nullptr;
    return false;
  }
  return true;
}

std::vector<std::vector<uint8_t>> FrameOutput::takeFrames() {
  std::lock_guard guard(memoryLock_);
  return std::move(memory_);
}

void FrameOutput::frame(const uint8_t* header, const uint8_t* lookahead, uint32_t lookaheadSize,
                        uint32_t packetSize) {
  uint8_t buffer[kMaxFrame];
  uint32_t size = std::min<uint32_t>(packetSize, kMaxFrame - 14);
  std::memcpy(buffer, header, 14);
  uint32_t head = std::min(lookaheadSize, size);
  std::memcpy(buffer + 14, lookahead, head);
  if (head < size && miniport_ != nullptr) {
    // The lookahead is shorter than the frame: the rest comes from the driver.
    core::PacketBuffer rest{buffer + 14 + head, size - head};
    uint32_t copied = 0;
    miniport_->transferData(head, size - head, &rest, 1, copied);
    transfers_.fetch_add(1, std::memory_order_relaxed);
    size = head + copied;
  } else {
    size = head;
  }
  uint32_t total = 14 + size;
  frames_.fetch_add(1, std::memory_order_relaxed);
  bytes_.fetch_add(total, std::memory_order_relaxed);
  if (tap_ && !tap_->write(buffer, total)) tapErrors_.fetch_add(1, std::memory_order_relaxed);
  if (dumper_) {
    pcap_pkthdr record{};
    gettimeofday(&record.ts, nullptr);
    record.caplen = record.len = total;
    pcap_dump(reinterpret_cast<u_char*>(dumper_), &record, buffer);
  }
  if (memoryLimit_ > 0) {
    std::lock_guard guard(memoryLock_);
    if (memory_.size() < memoryLimit_) memory_.emplace_back(buffer, buffer + total);
  }
}

void FrameOutput::complete() {
  if (dumper_) pcap_dump_flush(dumper_);
}

}  // namespace cv7::host
