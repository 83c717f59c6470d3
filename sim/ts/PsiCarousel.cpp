#include "PsiCarousel.h"

#include "PsiBuilder.h"

namespace cv7::sim {

PsiCarousel::PsiCarousel(const TransportStreamConfig& config, uint64_t start)
    : interval_(uint64_t(config.psiRepetitionMs == 0 ? 100 : config.psiRepetitionMs) * 1000), next_(start) {
  auto add = [&](uint16_t pid, std::vector<std::vector<uint8_t>> sections) {
    auto [it, inserted] = tables_.try_emplace(pid, Table{SectionPacketizer(pid), {}});
    for (auto& s : sections) it->second.sections.push_back(std::move(s));
  };
  add(kPatPid, PsiBuilder::pat(config));
  for (const auto& service : config.services) add(service.pmtPid, PsiBuilder::pmt(service));
  add(kSdtPid, PsiBuilder::sdt(config));
}

void PsiCarousel::fill(uint64_t now, std::deque<QueuedPacket>& queue) {
  if (now < next_) return;
  std::vector<TsPacket> packets;
  for (auto& [pid, table] : tables_) table.packetizer.packetize(table.sections, packets);
  for (auto& p : packets) queue.push_back({p, false});
  ++repetitions_;
  next_ += interval_;
  if (next_ <= now) next_ = now + interval_;  // behind: no burst of repetitions
}

}  // namespace cv7::sim
