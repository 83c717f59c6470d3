#include "ServiceScanner.h"

#include <algorithm>

#include "PsiBuilder.h"

namespace cv7::sim {

namespace {

// Reads big-endian fields from a span and fails softly: once a read runs past the end,
// every further read gives 0 and ok() stays false.
class Reader {
 public:
  explicit Reader(std::span<const uint8_t> bytes) : bytes_(bytes) {}
  bool ok() const { return ok_; }
  size_t remaining() const { return bytes_.size() - position_; }
  uint8_t u8() { return need(1) ? bytes_[position_++] : 0; }
  uint16_t u16() {
    uint16_t high = u8();
    return uint16_t(high << 8 | u8());
  }
  std::span<const uint8_t> bytes(size_t n) {
    if (!need(n)) return {};
    auto out = bytes_.subspan(position_, n);
    position_ += n;
    return out;
  }
  // The next n bytes as a reader of their own (a descriptor loop, a descriptor body).
  Reader sub(size_t n) { return Reader(bytes(n)); }

 private:
  bool need(size_t n) {
    if (!ok_ || remaining() < n) ok_ = false;
    return ok_;
  }
  std::span<const uint8_t> bytes_;
  size_t position_ = 0;
  bool ok_ = true;
};

constexpr uint8_t kSdtOtherTableId = 0x46;

bool isVideo(uint8_t type) { return type == 0x01 || type == kStreamMpeg2Video || type == 0x1B; }
bool isAudio(uint8_t type) {
  return type == kStreamMpeg1Audio || type == kStreamMpeg2Audio || type == 0x0F || type == 0x11;
}
// The host's type byte of a data stream, 0 for streams it does not list.
uint8_t dataType(uint8_t type) {
  if (type == kStreamPrivateSections || type == kStreamDsmccTypeD) return 3;
  if (type == kStreamPesPrivateData) return 5;
  return 0;
}

// True when a descriptor loop holds a CA descriptor. False as well for a loop that runs past
// its end (the caller sees that on its own reader).
bool hasCaDescriptor(Reader loop) {
  while (loop.remaining() >= 2) {
    uint8_t tag = loop.u8();
    loop.bytes(loop.u8());
    if (!loop.ok()) return false;
    if (tag == PsiBuilder::kCaDescriptorTag) return true;
  }
  return false;
}

// A DVB text without its leading character-table selector (the names are shown as bytes).
std::string dvbText(std::span<const uint8_t> text) {
  size_t skip = 0;
  if (!text.empty() && text[0] < 0x20) skip = text[0] == 0x10 ? 3 : (text[0] == 0x1F ? 2 : 1);
  skip = std::min(skip, text.size());
  return std::string(text.begin() + std::ptrdiff_t(skip), text.end());
}

// The service name in a service descriptor loop, if there is one.
std::optional<std::string> serviceName(Reader loop) {
  while (loop.remaining() >= 2) {
    uint8_t tag = loop.u8();
    Reader body = loop.sub(loop.u8());
    if (!loop.ok()) return std::nullopt;
    if (tag != PsiBuilder::kServiceDescriptorTag) continue;
    body.u8();  // service_type
    body.bytes(body.u8());  // provider name
    auto name = body.bytes(body.u8());
    if (body.ok()) return dvbText(name);
  }
  return std::nullopt;
}

}  // namespace

// The fixed head of a long-form section.
struct ServiceScanner::SectionHeader {
  uint8_t tableId = 0;
  uint16_t extension = 0;
  uint8_t version = 0;
  bool current = false;
  uint8_t number = 0;
  uint8_t last = 0;
};

bool ServiceScanner::TableProgress::record(uint8_t newVersion, uint8_t number, uint8_t last) {
  bool fresh = version != newVersion;
  if (fresh) {
    version = newVersion;
    lastSection = last;
    received.reset();
  }
  if (number <= lastSection) received.set(number);
  return fresh;
}

bool ServiceScanner::TableProgress::complete() const {
  if (!version) return false;
  for (size_t i = 0; i <= lastSection; ++i) {
    if (!received.test(i)) return false;
  }
  return true;
}

void ServiceScanner::start(uint64_t now, uint32_t frequencyKHz, uint32_t symbolRate) {
  *this = ServiceScanner();
  running_ = true;
  startedAt_ = now;
  frequencyKHz_ = frequencyKHz;
  symbolRate_ = symbolRate;
  listen(kPatPid);
  listen(kSdtPid);
}

void ServiceScanner::cancel() {
  running_ = false;
  done_ = false;
  pids_.clear();
}

void ServiceScanner::listen(uint16_t pid) {
  if (pids_.count(pid)) return;
  pids_.emplace(pid, PidState{SectionAssembler([this, pid](std::span<const uint8_t> s) { section(pid, s); }), -1});
}

void ServiceScanner::packet(const TsPacket& packet) {
  if (!running_ || done_) return;
  ++stats_.packets;
  TsHeader header = parseTsHeader(packet);
  if (!header.valid) return;
  auto it = pids_.find(header.pid);
  if (it == pids_.end()) return;
  PidState& state = it->second;
  if (header.transportError) {
    state.lastContinuity = -1;
    state.assembler.reset();
    return;
  }
  if (!header.hasPayload) return;
  if (state.lastContinuity == header.continuity) return;  // a repeated packet
  bool continuous = state.lastContinuity < 0 || ((state.lastContinuity + 1) & 0x0F) == header.continuity;
  state.lastContinuity = header.continuity;
  uint64_t crcErrors = state.assembler.stats().crcErrors;
  state.assembler.push(header.payload(packet), header.unitStart, continuous);
  // The handler may have added PIDs to pids_; `state` stays valid (std::map).
  stats_.crcErrors += state.assembler.stats().crcErrors - crcErrors;
}

void ServiceScanner::section(uint16_t pid, std::span<const uint8_t> section) {
  // The assembler has checked the CRC of every long-form section it hands on.
  Reader reader(section);
  SectionHeader header;
  header.tableId = reader.u8();
  uint16_t lengthField = reader.u16();
  if ((lengthField & 0x8000) == 0 || section.size() < 12) return;  // not a long-form table
  header.extension = reader.u16();
  uint8_t versionByte = reader.u8();
  header.version = (versionByte >> 1) & 0x1F;
  header.current = (versionByte & 0x01) != 0;
  header.number = reader.u8();
  header.last = reader.u8();
  if (!header.current) return;
  ++stats_.sections;
  auto body = section.subspan(8, section.size() - 12);
  if (pid == kPatPid && header.tableId == PsiBuilder::kPatTableId) {
    parsePat(header, body);
  } else if (pid == kSdtPid && header.tableId == PsiBuilder::kSdtActualTableId) {
    parseSdt(header, body);
  } else if (header.tableId == PsiBuilder::kPmtTableId) {
    parsePmt(pid, header, body);
  } else if (pid != kSdtPid || header.tableId != kSdtOtherTableId) {
    ++stats_.malformed;  // nothing else belongs on the PIDs of a search
  }
}

void ServiceScanner::parsePat(const SectionHeader& header, std::span<const uint8_t> body) {
  if (body.size() % 4 != 0) {
    ++stats_.malformed;
    return;
  }
  if (transportStreamId_ && *transportStreamId_ != header.extension) {  // another multiplex
    pat_ = TableProgress();
    patSections_.clear();
  }
  if (pat_.record(header.version, header.number, header.last)) patSections_.clear();
  transportStreamId_ = header.extension;
  Reader reader(body);
  auto& programs = patSections_[header.number];
  programs.clear();
  while (reader.remaining() >= 4) {
    uint16_t program = reader.u16();
    uint16_t pid = reader.u16() & 0x1FFF;
    if (program == 0) continue;  // the network PID
    programs.emplace_back(program, pid);
    listen(pid);
  }
}

void ServiceScanner::parsePmt(uint16_t pid, const SectionHeader& header, std::span<const uint8_t> body) {
  auto programs = patPrograms();
  bool announced = std::any_of(programs.begin(), programs.end(),
                               [&](const auto& p) { return p.first == header.extension && p.second == pid; });
  if (!announced) return;  // a PMT of another program sharing this PID, or a stale one
  Reader reader(body);
  ProgramMap map;
  map.version = header.version;
  map.pcrPid = reader.u16() & 0x1FFF;
  map.scrambled = hasCaDescriptor(reader.sub(reader.u16() & 0x0FFF));
  while (reader.ok() && reader.remaining() >= 5) {
    ElementaryEntry es;
    es.streamType = reader.u8();
    es.pid = reader.u16() & 0x1FFF;
    map.scrambled = hasCaDescriptor(reader.sub(reader.u16() & 0x0FFF)) || map.scrambled;
    if (reader.ok()) map.streams.push_back(es);
  }
  if (!reader.ok() || reader.remaining() != 0) {
    ++stats_.malformed;
    return;
  }
  pmts_[header.extension] = std::move(map);
}

void ServiceScanner::parseSdt(const SectionHeader& header, std::span<const uint8_t> body) {
  if (transportStreamId_ && *transportStreamId_ != header.extension) return;  // not this stream's
  Reader reader(body);
  reader.u16();  // original_network_id
  reader.u8();
  std::map<uint16_t, ServiceName> found;
  while (reader.ok() && reader.remaining() >= 5) {
    uint16_t serviceId = reader.u16();
    reader.u8();  // EIT flags
    uint16_t flags = reader.u16();
    Reader loop = reader.sub(flags & 0x0FFF);
    ServiceName service;
    service.freeCaMode = (flags & 0x1000) != 0;
    if (auto name = serviceName(loop)) service.name = *name;
    found[serviceId] = std::move(service);
  }
  if (!reader.ok() || reader.remaining() != 0) {
    ++stats_.malformed;
    return;
  }
  if (sdt_.record(header.version, header.number, header.last)) services_.clear();
  for (auto& [id, service] : found) services_[id] = std::move(service);
}

std::vector<std::pair<uint16_t, uint16_t>> ServiceScanner::patPrograms() const {
  std::vector<std::pair<uint16_t, uint16_t>> all;
  for (const auto& [number, programs] : patSections_) all.insert(all.end(), programs.begin(), programs.end());
  return all;
}

bool ServiceScanner::complete() const {
  if (!pat_.complete() || !sdt_.complete()) return false;
  for (const auto& [program, pmtPid] : patPrograms()) {
    if (!pmts_.count(program)) return false;
  }
  return true;
}

bool ServiceScanner::finished(uint64_t now) {
  if (!running_) return false;
  if (!done_) done_ = complete() || now >= startedAt_ + kTimeoutMicroseconds;
  if (done_) pids_.clear();
  return done_;
}

ProgramEntry ServiceScanner::entry(uint16_t programNumber, uint16_t pmtPid, const ProgramMap& map) const {
  ProgramEntry entry;
  entry.programNumber = programNumber;
  entry.pmtPid = pmtPid;
  ProgramService service;
  service.pcrPid = map.pcrPid;
  service.scrambled = map.scrambled;
  for (const auto& es : map.streams) {
    if (isVideo(es.streamType) && service.videoPid == 0xFFFF) service.videoPid = es.pid;
    if (isAudio(es.streamType)) service.audioPids.push_back(es.pid);
  }
  auto named = services_.find(programNumber);
  bool hasName = named != services_.end() && !named->second.name.empty();
  if (named != services_.end()) {
    service.name = named->second.name.substr(0, kMaxNameBytes);
    service.scrambled = service.scrambled || named->second.freeCaMode;
  }
  if (service.videoPid != 0xFFFF || !service.audioPids.empty() || hasName) entry.service = service;
  size_t used = 1 + service.audioPids.size();
  size_t room = used < kMaxComponents ? kMaxComponents - used : 0;
  for (const auto& es : map.streams) {
    uint8_t type = dataType(es.streamType);
    if (type != 0 && entry.streams.size() < room) entry.streams.push_back({es.pid, type});
  }
  return entry;
}

ProgramTableReply ServiceScanner::result() const {
  ProgramTableReply reply;
  reply.transportStreamId = transportStreamId_.value_or(0);
  reply.frequencyKHz = frequencyKHz_;
  reply.symbolRate = symbolRate_;
  for (const auto& [program, pmtPid] : patPrograms()) {
    auto map = pmts_.find(program);
    if (map == pmts_.end()) continue;  // its PMT never came
    if (reply.programs.size() == kMaxPrograms) break;
    reply.programs.push_back(entry(program, pmtPid, map->second));
  }
  return reply;
}

}  // namespace cv7::sim
