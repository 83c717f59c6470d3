#include "CardDemux.h"

namespace cv7::sim {

struct CardDemux::Filter {
  uint16_t pid = 0;
  uint16_t kind = 0;
  int lastContinuity = -1;
  TsPacket lastPacket{};  // the last packet with payload, to tell a duplicate from a new one
  std::unique_ptr<SectionAssembler> sections;
  std::unique_ptr<PesAssembler> pes;
  std::vector<uint8_t> packets;  // kind 10: gathered packets
};

namespace {
constexpr uint8_t kMpeTableId = 0x3E;
}

CardDemux::CardDemux(EntrySink& sink) : sink_(sink) {}
CardDemux::~CardDemux() = default;

bool CardDemux::setPid(uint16_t pid, uint16_t kind) {
  if (pid >= kNullPid) return false;
  auto it = filters_.find(pid);
  if (it == filters_.end() && filters_.size() >= kMaxFilters) return false;
  if (it != filters_.end()) {
    retire(*it->second);
    filters_.erase(it);
  }
  auto f = std::make_unique<Filter>();
  f->pid = pid;
  f->kind = kind;
  Filter* raw = f.get();
  if (kind == kKindMpe || kind == kKindRawSections) {
    f->sections = std::make_unique<SectionAssembler>([this, raw](auto s) { onSection(*raw, s); });
  } else if (kind == kKindStuffedStream || kind == kKindRawPes) {
    f->pes = std::make_unique<PesAssembler>([this, raw](auto p) { onPes(*raw, p); });
  } else if (kind == kKindRawPackets) {
    f->packets.reserve(kPacketsPerEntry * kTsPacketSize);
  }
  filters_.emplace(pid, std::move(f));
  return true;
}

void CardDemux::removePid(uint16_t pid) {
  auto it = filters_.find(pid);
  if (it == filters_.end()) return;
  retire(*it->second);
  filters_.erase(it);
}

void CardDemux::clear() {
  for (auto& [pid, f] : filters_) retire(*f);
  filters_.clear();
}

// Keeps the counters of a filter that goes away; gathered packets are not sent.
void CardDemux::retire(Filter& f) {
  if (f.sections) {
    const auto& s = f.sections->stats();
    stats_.sections.sections += s.sections;
    stats_.sections.crcErrors += s.crcErrors;
    stats_.sections.lost += s.lost;
    stats_.sections.malformed += s.malformed;
  }
  if (f.pes) {
    const auto& p = f.pes->stats();
    stats_.pes.packets += p.packets;
    stats_.pes.lost += p.lost;
    stats_.pes.malformed += p.malformed;
  }
}

DemuxStats CardDemux::stats() const {
  DemuxStats total = stats_;
  for (const auto& [pid, f] : filters_) {
    if (f->sections) {
      const auto& s = f->sections->stats();
      total.sections.sections += s.sections;
      total.sections.crcErrors += s.crcErrors;
      total.sections.lost += s.lost;
      total.sections.malformed += s.malformed;
    }
    if (f->pes) {
      const auto& p = f->pes->stats();
      total.pes.packets += p.packets;
      total.pes.lost += p.lost;
      total.pes.malformed += p.malformed;
    }
  }
  return total;
}

void CardDemux::packet(const TsPacket& p) {
  ++stats_.packets;
  TsHeader h = parseTsHeader(p);
  if (!h.valid || h.transportError) {
    ++stats_.invalid;
    return;
  }
  auto it = filters_.find(h.pid);
  if (it == filters_.end()) return;
  Filter& f = *it->second;
  ++stats_.filtered;
  if (f.kind == kKindRawPackets) {
    f.packets.insert(f.packets.end(), p.begin(), p.end());
    if (f.packets.size() >= kPacketsPerEntry * kTsPacketSize) flushPackets(f);
    return;
  }
  if (!h.hasPayload) return;  // adaptation only: the counter does not move
  // A duplicate repeats the previous packet: same counter and the same bytes. A packet that
  // only repeats the counter (a recording's loop point, a lost run of 16) is a new packet
  // after a continuity break.
  if (f.lastContinuity == h.continuity && p == f.lastPacket) {
    ++stats_.duplicates;
    return;
  }
  bool continuous = f.lastContinuity < 0 || h.discontinuity || h.continuity == ((f.lastContinuity + 1) & 0x0F);
  if (!continuous) ++stats_.continuityErrors;
  f.lastContinuity = h.continuity;
  f.lastPacket = p;
  auto payload = h.payload(p);
  if (f.sections) f.sections->push(payload, h.unitStart, continuous);
  if (f.pes) f.pes->push(payload, h.unitStart, continuous);
}

void CardDemux::flush() {
  for (auto& [pid, f] : filters_) {
    if (!f->packets.empty()) flushPackets(*f);
  }
}

void CardDemux::flushPackets(Filter& f) {
  deliver(f.pid, f.kind, f.packets, false);
  f.packets.clear();
}

void CardDemux::onSection(Filter& f, std::span<const uint8_t> section) {
  if (f.kind == kKindMpe) {
    if (section[0] != kMpeTableId) {
      ++stats_.sectionsSkipped;
      return;
    }
    deliver(f.pid, f.kind, section, true);
  } else {
    deliver(f.pid, f.kind, section, false);
  }
}

void CardDemux::onPes(Filter& f, std::span<const uint8_t> pes) {
  deliver(f.pid, f.kind, pes, f.kind == kKindStuffedStream);
}

void CardDemux::deliver(uint16_t pid, uint16_t kind, std::span<const uint8_t> payload, bool pad) {
  if (payload.size() + (pad ? 1 : 0) > kMaxEntryPayload) {
    ++stats_.oversize;
    return;
  }
  ++stats_.entries;
  sink_.submit(EntryView::of(pid, kind, payload, pad));
}

}  // namespace cv7::sim
