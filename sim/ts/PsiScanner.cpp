#include "PsiScanner.h"

namespace cv7::sim {

namespace {

// Reads big-endian fields and knows its end: past it, everything reads 0 and ok() is false.
class Reader {
 public:
  explicit Reader(std::span<const uint8_t> bytes) : bytes_(bytes) {}
  bool ok() const { return ok_; }
  size_t left() const { return bytes_.size() - at_; }
  uint8_t u8() { return need(1) ? bytes_[at_++] : 0; }
  uint16_t u16() {
    if (!need(2)) return 0;
    uint16_t v = uint16_t(bytes_[at_] << 8 | bytes_[at_ + 1]);
    at_ += 2;
    return v;
  }
  std::span<const uint8_t> bytes(size_t n) {
    if (!need(n)) return {};
    auto s = bytes_.subspan(at_, n);
    at_ += n;
    return s;
  }

 private:
  bool need(size_t n) {
    if (left() < n) ok_ = false;
    return ok_;
  }
  std::span<const uint8_t> bytes_;
  size_t at_ = 0;
  bool ok_ = true;
};

constexpr uint8_t kPatTable = 0x00, kPmtTable = 0x02, kSdtTable = 0x42;

bool isVideo(uint8_t t) { return t == 0x01 || t == 0x02 || t == 0x1B; }
bool isAudio(uint8_t t) { return t == 0x03 || t == 0x04 || t == 0x0F; }

}  // namespace

PsiScanner::PsiScanner() {
  watch(kPatPid);
  watch(kSdtPid);
}
PsiScanner::~PsiScanner() = default;

void PsiScanner::watch(uint16_t pid) {
  if (watches_.count(pid)) return;
  Watch& w = watches_[pid];
  w.assembler = std::make_unique<SectionAssembler>([this](std::span<const uint8_t> s) { onSection(s); });
}

void PsiScanner::packet(const TsPacket& p) {
  TsHeader h = parseTsHeader(p);
  if (!h.valid || h.transportError || !h.hasPayload) return;
  auto it = watches_.find(h.pid);
  if (it == watches_.end()) return;
  Watch& w = it->second;
  if (w.lastContinuity == h.continuity) return;
  bool continuous = w.lastContinuity < 0 || h.continuity == ((w.lastContinuity + 1) & 0x0F);
  w.lastContinuity = h.continuity;
  w.assembler->push(h.payload(p), h.unitStart, continuous);
}

// Long-form sections only; the CRC was checked by the assembler.
void PsiScanner::onSection(std::span<const uint8_t> section) {
  if (section.size() < 12 || !(section[1] & 0x80) || !(section[5] & 0x01)) return;
  uint16_t extension = uint16_t(section[3] << 8 | section[4]);
  auto body = section.subspan(8, section.size() - 12);
  bool ok = true;
  switch (section[0]) {
    case kPatTable: ok = parsePat(body, extension); break;
    case kPmtTable: ok = parsePmt(body, extension); break;
    case kSdtTable: ok = parseSdt(body); break;
    default: break;
  }
  if (!ok) ++malformed_;
}

bool PsiScanner::parsePat(std::span<const uint8_t> body, uint16_t extension) {
  Reader r(body);
  std::vector<std::pair<uint16_t, uint16_t>> programs;
  while (r.left() >= 4) {
    uint16_t number = r.u16();
    uint16_t pid = r.u16() & 0x1FFF;
    if (number != 0) programs.push_back({number, pid});
  }
  if (!r.ok() || r.left() != 0) return false;
  for (const auto& [number, pid] : programs) {
    bool known = false;
    for (const auto& entry : pat_) known = known || entry.first == number;
    if (!known) pat_.push_back({number, pid});
    watch(pid);
  }
  havePat_ = true;
  transportStreamId_ = extension;
  return true;
}

bool PsiScanner::parsePmt(std::span<const uint8_t> body, uint16_t programNumber) {
  Reader r(body);
  Pmt pmt;
  pmt.pcrPid = r.u16() & 0x1FFF;
  Reader info(r.bytes(r.u16() & 0x0FFF));
  while (info.ok() && info.left() >= 2) {
    uint8_t tag = info.u8();
    info.bytes(info.u8());
    pmt.caDescriptor = pmt.caDescriptor || tag == 0x09;
  }
  while (r.ok() && r.left() >= 5) {
    uint8_t type = r.u8();
    uint16_t pid = r.u16() & 0x1FFF;
    r.bytes(r.u16() & 0x0FFF);
    pmt.streams.push_back({type, pid});
  }
  if (!r.ok() || !info.ok()) return false;
  pmts_[programNumber] = pmt;
  return true;
}

bool PsiScanner::parseSdt(std::span<const uint8_t> body) {
  Reader r(body);
  r.u16();  // original_network_id
  r.u8();
  while (r.ok() && r.left() >= 5) {
    uint16_t id = r.u16();
    r.u8();
    uint16_t word = r.u16();
    Service service;
    service.freeCa = (word & 0x1000) != 0;
    Reader descriptors(r.bytes(word & 0x0FFF));
    while (descriptors.ok() && descriptors.left() >= 2) {
      uint8_t tag = descriptors.u8();
      Reader d(descriptors.bytes(descriptors.u8()));
      if (tag != 0x48) continue;
      d.u8();                         // service_type
      d.bytes(d.u8());                // provider
      auto name = d.bytes(d.u8());
      if (!d.ok()) return false;
      service.name.assign(name.begin(), name.end());
    }
    if (!descriptors.ok()) return false;
    services_[id] = service;
  }
  if (!r.ok()) return false;
  haveSdt_ = true;
  return true;
}

bool PsiScanner::complete() const {
  if (!havePat_ || !haveSdt_) return false;
  for (const auto& [number, pid] : pat_) {
    if (!pmts_.count(number)) return false;
  }
  return true;
}

std::vector<ProgramEntry> PsiScanner::programs() const {
  std::vector<ProgramEntry> out;
  for (const auto& [number, pmtPid] : pat_) {
    ProgramEntry entry;
    entry.programNumber = number;
    entry.pmtPid = pmtPid;
    auto pmt = pmts_.find(number);
    auto sdt = services_.find(number);
    if (pmt != pmts_.end()) {
      ProgramService service;
      service.pcrPid = pmt->second.pcrPid;
      service.scrambled = pmt->second.caDescriptor || (sdt != services_.end() && sdt->second.freeCa);
      if (sdt != services_.end()) service.name = sdt->second.name;
      for (const auto& [type, pid] : pmt->second.streams) {
        if (isVideo(type) && service.videoPid == 0xFFFF) service.videoPid = pid;
        if (isAudio(type)) service.audioPids.push_back(pid);
        if (type == 0x05 || type == 0x0D) entry.streams.push_back({pid, 3});
        if (type == 0x06) entry.streams.push_back({pid, 5});
      }
      entry.service = service;
    }
    out.push_back(entry);
  }
  return out;
}

}  // namespace cv7::sim
