#include "ChannelTable.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>
#include <tuple>

#include "Failure.h"
#include "SatelliteDatabase.h"
#include "Vocabulary.h"

namespace cv7ctl {
namespace {

using Key = std::tuple<uint32_t, uint32_t, uint32_t>;  // frequency kHz, symbol rate ksym/s, polarity

constexpr uint32_t kKuBandKHz = 5'000'000;  // below: C band

struct Tuning {
  Key key;
  uint16_t transportId = 0;
};

// Reads an entry's values, naming the source and line in its failures.
class EntryReader {
 public:
  EntryReader(const DvbEntry& entry, const std::string& source) : entry_(entry), source_(source) {}

  [[noreturn]] void fail(const std::string& what) const {
    throw Failure::file(source_, "line " + std::to_string(entry_.line) + ": " + what);
  }
  const std::string* find(const std::string& key) const { return entry_.find(key); }
  std::optional<uint64_t> number(const std::string& key, uint64_t max) const {
    const std::string* text = find(key);
    if (!text) return std::nullopt;
    auto value = parseNumber(*text, max);
    if (!value) fail(key + " '" + *text + "' is not a number up to " + std::to_string(max));
    return value;
  }
  uint64_t required(const std::string& key, uint64_t max) const {
    auto value = number(key, max);
    if (!value) fail("no " + key);
    return *value;
  }
  // The numbers of a list value such as "AUDIO_PID = 258 259".
  std::vector<uint16_t> pids(const std::string& key) const {
    std::vector<uint16_t> list;
    const std::string* text = find(key);
    if (!text) return list;
    std::istringstream in(*text);
    std::string word;
    while (in >> word) {
      auto pid = parseNumber(word, 0x1FFF);
      if (!pid) fail(key + ": '" + word + "' is not a PID");
      list.push_back(uint16_t(*pid));
    }
    return list;
  }
  const DvbEntry& entry() const { return entry_; }

 private:
  const DvbEntry& entry_;
  const std::string& source_;
};

bool isDvbS(const EntryReader& r) {
  const std::string* system = r.find("DELIVERY_SYSTEM");
  return system == nullptr || *system == "DVBS" || *system == "DVB-S";
}

uint32_t polarity(const EntryReader& r) {
  const std::string* text = r.find("POLARIZATION");
  if (!text) r.fail("no POLARIZATION");
  if (*text == "HORIZONTAL" || *text == "LEFT" || *text == "H" || *text == "L") return 1;
  if (*text == "VERTICAL" || *text == "RIGHT" || *text == "V" || *text == "R") return 0;
  r.fail("POLARIZATION '" + *text + "' is not HORIZONTAL, VERTICAL, LEFT or RIGHT");
}

Tuning tuningOf(const EntryReader& r) {
  uint32_t frequency = uint32_t(r.required("FREQUENCY", 30'000'000));
  uint64_t rate = r.required("SYMBOL_RATE", 100'000'000'000ull) / 1000;
  if (frequency == 0 || rate == 0 || rate > UINT32_MAX) r.fail("FREQUENCY and SYMBOL_RATE must be above 0 (kHz, symbol/s)");
  Tuning t{{frequency, uint32_t(rate), polarity(r)}, 0};
  t.transportId = uint16_t(r.number("CV7_TRANSPORT_ID", 0xFFFF).value_or(0));
  return t;
}

// The first entry that has the key.
const std::pair<const DvbEntry*, const std::string*> firstWith(const std::vector<DvbEntry>& entries,
                                                               const std::string& key) {
  for (const DvbEntry& e : entries)
    if (const std::string* value = e.find(key)) return {&e, value};
  return {nullptr, nullptr};
}

LnbInfo satelliteOf(const std::vector<DvbEntry>& entries, const ImportChoices& choices, const std::string& source,
                    uint32_t firstFrequency) {
  LnbInfo lnb{};
  std::string name = choices.name;
  if (name.empty()) {
    auto [entry, value] = firstWith(entries, "CV7_SATELLITE");
    name = value ? *value : std::filesystem::path(source).filename().string();
  }
  std::memcpy(lnb.SatelliteName, name.data(), std::min(name.size(), sizeof lnb.SatelliteName - 1));
  lnb.Tone22k = 1;
  if (choices.lnb) {
    lnb.LocalOscillator = *choices.lnb;
  } else if (auto [entry, value] = firstWith(entries, "LNB"); value) {
    auto lo = lnbOscillator(*value);
    if (!lo) EntryReader(*entry, source).fail("LNB '" + *value + "' is not a single-oscillator or universal LNB");
    lnb.LocalOscillator = *lo;
  } else if (auto [entry, value] = firstWith(entries, "CV7_LOCAL_OSCILLATOR"); value) {
    lnb.LocalOscillator = uint32_t(EntryReader(*entry, source).required("CV7_LOCAL_OSCILLATOR", 30'000'000));
  } else if (firstFrequency != 0 && firstFrequency < kKuBandKHz) {
    lnb.LocalOscillator = 5'150'000;  // C band: a universal LNB cannot receive it
  }
  if (choices.diseqc) {
    lnb.DiSEqC = uint8_t(*choices.diseqc);
  } else if (auto [entry, value] = firstWith(entries, "SAT_NUMBER"); value) {
    lnb.DiSEqC = uint8_t(EntryReader(*entry, source).required("SAT_NUMBER", 254) + 1);
  }
  auto word = [&](const char* key, uint64_t max, uint64_t fallback) {
    auto [entry, value] = firstWith(entries, key);
    return value ? EntryReader(*entry, source).required(key, max) : fallback;
  };
  lnb.Tone22k = uint32_t(word("CV7_TONE22K", UINT32_MAX, 1));
  lnb.LnbPower = uint32_t(word("CV7_LNB_POWER", UINT32_MAX, 0));
  lnb.ToneBurst = uint8_t(word("CV7_TONE_BURST", 255, 0));
  return lnb;
}

uint32_t numberOf(const Key& key) {
  for (uint32_t n = 1; n <= SatelliteDatabase::transponderCount(); ++n) {
    TrInfo tr{};
    Cvn_GetInfoTransponder(n, &tr);
    if (Key{tr.Frequency, tr.SymbolRate, tr.Polarity} == key) return n;
  }
  return 0;
}

void addProgram(const EntryReader& r, uint32_t transponder, ImportReport& report) {
  ProgramInfo p{};
  auto video = r.pids("VIDEO_PID");
  auto audio = r.pids("AUDIO_PID");
  p.VideoPID = video.empty() ? 0 : video[0];
  p.AudioPIDCount = uint16_t(std::min<size_t>(audio.size(), 6));
  std::copy_n(audio.begin(), p.AudioPIDCount, p.AudioPID);
  report.audioLeftOut += audio.size() - p.AudioPIDCount;
  p.PcrPID = uint16_t(r.number("CV7_PCR_PID", 0x1FFF).value_or(0));
  p.TTxtPID = uint16_t(r.number("CV7_TELETEXT_PID", 0x1FFF).value_or(0));
  p.pgnumber = uint16_t(r.number("SERVICE_ID", 0xFFFF).value_or(0));
  p.PmtPID = uint16_t(r.number("CV7_PMT_PID", 0x1FFF).value_or(0));
  p.Scrambled = uint16_t(r.number("CV7_SCRAMBLED", 0xFFFF).value_or(0));
  p.TVorRadio = p.VideoPID != 0 ? 1 : 0;
  const std::string& name = r.entry().name;
  std::memcpy(p.ProgramName, name.data(), std::min(name.size(), sizeof p.ProgramName - 1));
  SatelliteDatabase::addProgram(transponder, p);
  ++report.programs;
}

// The data PID of a data entry and its encapsulation from the stream type of its key.
bool dataPid(const EntryReader& r, uint16_t& pid, uint16_t& encapsulation) {
  const std::pair<const char*, uint16_t> kinds[] = {{"PID_0D", 3}, {"PID_05", 1}, {"PID_06", 5}};
  for (const auto& [key, code] : kinds) {
    auto pids = r.pids(key);
    if (pids.empty()) continue;
    pid = pids[0];
    encapsulation = code;
    return true;
  }
  return false;
}

void addEntryService(const EntryReader& r, uint32_t transponder, ImportReport& report) {
  if (!r.pids("VIDEO_PID").empty() || !r.pids("AUDIO_PID").empty()) return addProgram(r, transponder, report);
  DataInfo d{};
  if (!dataPid(r, d.DataPID, d.Encapsulation)) {
    if (r.find("SERVICE_ID")) ++report.withoutPids;
    return;
  }
  d.Encapsulation = uint16_t(r.number("CV7_ENCAPSULATION", 0xFFFF).value_or(d.Encapsulation));
  d.pgnumber = uint16_t(r.number("SERVICE_ID", 0xFFFF).value_or(0));
  d.PmtPID = uint16_t(r.number("CV7_PMT_PID", 0x1FFF).value_or(0));
  d.SetFlag = uint32_t(r.number("CV7_SELECTED", UINT32_MAX).value_or(0));
  d.Reserved = uint32_t(r.number("CV7_RESERVED", UINT32_MAX).value_or(0));
  SatelliteDatabase::addData(transponder, d);
  ++report.data;
}

std::string text(const char* field, size_t size) { return std::string(field, strnlen(field, size)); }

// Entry names cannot hold ']' or line ends.
std::string entryName(const std::string& name) {
  std::string clean = name;
  for (char& c : clean)
    if (c == ']' || c == '[' || static_cast<unsigned char>(c) < 0x20) c = '_';
  return clean;
}

std::string polarization(const TrInfo& tr) { return tr.Polarity ? "HORIZONTAL" : "VERTICAL"; }

void addTuning(DvbEntry& e, const TrInfo& tr, const LnbInfo& lnb) {
  e.set("DELIVERY_SYSTEM", "DVBS");
  e.set("FREQUENCY", std::to_string(tr.Frequency));
  e.set("POLARIZATION", polarization(tr));
  e.set("SYMBOL_RATE", std::to_string(uint64_t(tr.SymbolRate) * 1000));
  e.set("INNER_FEC", "AUTO");
  e.set("MODULATION", "QPSK");
  e.set("INVERSION", "AUTO");
  std::string name = lnbName(lnb.LocalOscillator);
  if (!name.empty()) e.set("LNB", name);
  if (lnb.DiSEqC != 0) e.set("SAT_NUMBER", std::to_string(lnb.DiSEqC - 1));
  if (tr.TransportID != 0) e.set("CV7_TRANSPORT_ID", std::to_string(tr.TransportID));
}

void addSatellite(DvbEntry& e, const LnbInfo& lnb) {
  e.set("CV7_SATELLITE", text(lnb.SatelliteName, sizeof lnb.SatelliteName));
  if (lnbName(lnb.LocalOscillator).empty()) e.set("CV7_LOCAL_OSCILLATOR", std::to_string(lnb.LocalOscillator));
  e.set("CV7_TONE22K", std::to_string(lnb.Tone22k));
  e.set("CV7_LNB_POWER", std::to_string(lnb.LnbPower));
  e.set("CV7_TONE_BURST", std::to_string(lnb.ToneBurst));
}

DvbEntry programEntry(const ProgramInfo& p) {
  DvbEntry e{entryName(text(p.ProgramName, sizeof p.ProgramName)), 0, {}};
  e.set("SERVICE_ID", std::to_string(p.pgnumber));
  if (p.VideoPID != 0) e.set("VIDEO_PID", std::to_string(p.VideoPID));
  std::string audio;
  for (size_t i = 0; i < std::min<size_t>(p.AudioPIDCount, 6); ++i) audio += (i ? " " : "") + std::to_string(p.AudioPID[i]);
  if (!audio.empty()) e.set("AUDIO_PID", audio);
  e.set("CV7_PMT_PID", std::to_string(p.PmtPID));
  e.set("CV7_PCR_PID", std::to_string(p.PcrPID));
  if (p.TTxtPID != 0) e.set("CV7_TELETEXT_PID", std::to_string(p.TTxtPID));
  if (p.Scrambled != 0) e.set("CV7_SCRAMBLED", std::to_string(p.Scrambled));
  return e;
}

DvbEntry dataEntry(const DataInfo& d) {
  char name[32];
  std::snprintf(name, sizeof name, "Data 0x%04X", d.DataPID);
  DvbEntry e{name, 0, {}};
  e.set("SERVICE_ID", std::to_string(d.pgnumber));
  const char* key = d.Encapsulation == 1 ? "PID_05" : d.Encapsulation == 2 || d.Encapsulation == 5 ? "PID_06" : "PID_0d";
  e.set(key, std::to_string(d.DataPID));
  e.set("CV7_PMT_PID", std::to_string(d.PmtPID));
  e.set("CV7_ENCAPSULATION", std::to_string(d.Encapsulation));
  if (d.SetFlag != 0) e.set("CV7_SELECTED", std::to_string(d.SetFlag));
  if (d.Reserved != 0) e.set("CV7_RESERVED", std::to_string(d.Reserved));
  return e;
}

}  // namespace

ImportReport ChannelTable::import(const std::vector<DvbEntry>& entries, const ImportChoices& choices,
                                  const std::string& source) {
  ImportReport report;
  std::vector<std::pair<const DvbEntry*, Tuning>> taken;
  std::set<Key> keys;
  for (const DvbEntry& e : entries) {
    EntryReader r(e, source);
    if (!isDvbS(r)) {
      ++report.otherSystems;
      continue;
    }
    Tuning t = tuningOf(r);
    if (std::get<0>(t.key) < choices.fromKHz || std::get<0>(t.key) > choices.toKHz) {
      ++report.outsideRange;
      continue;
    }
    if (!keys.insert(t.key).second && !r.find("SERVICE_ID")) ++report.repeated;
    taken.emplace_back(&e, t);
  }
  if (keys.size() > 100)
    throw Failure::badArgument(source + " has " + std::to_string(keys.size()) +
                               " DVB-S transponders; a satellite data file holds at most 100 (choose a range with "
                               "--from and --to)");
  bool mixedBands = !keys.empty() && std::get<0>(*keys.begin()) < kKuBandKHz && std::get<0>(*keys.rbegin()) >= kKuBandKHz;
  if (mixedBands && !choices.lnb && !firstWith(entries, "LNB").second)
    throw Failure::badArgument(source + " holds C-band and Ku-band transponders, which one LNB cannot receive: "
                               "choose a band with --from/--to and its LNB with --lnb");
  report.lnb = satelliteOf(entries, choices, source, keys.empty() ? 0 : std::get<0>(*keys.begin()));
  SatelliteDatabase::start(report.lnb);
  std::set<Key> added;
  for (const auto& [entry, t] : taken) {
    if (!added.insert(t.key).second) continue;
    TrInfo tr{0, std::get<0>(t.key), std::get<1>(t.key), std::get<2>(t.key), t.transportId, {}};
    SatelliteDatabase::addTransponder(tr);
  }
  report.transponders = added.size();
  for (const auto& [entry, t] : taken) addEntryService(EntryReader(*entry, source), numberOf(t.key), report);
  return report;
}

std::vector<DvbEntry> ChannelTable::channels(const SatelliteData& file) {
  std::vector<DvbEntry> entries;
  for (const Block& block : file.blocks) {
    size_t first = entries.size();
    for (const ProgramInfo& p : block.programs) entries.push_back(programEntry(p));
    for (const DataInfo& d : block.data) entries.push_back(dataEntry(d));
    if (entries.size() == first) entries.push_back(DvbEntry{});
    for (size_t i = first; i < entries.size(); ++i) addTuning(entries[i], block.tr, file.lnb);
  }
  if (!entries.empty()) addSatellite(entries.front(), file.lnb);
  return entries;
}

std::vector<DvbEntry> ChannelTable::scanTable(const SatelliteData& file) {
  std::vector<DvbEntry> entries;
  for (const Block& block : file.blocks) {
    entries.push_back(DvbEntry{});
    addTuning(entries.back(), block.tr, file.lnb);
  }
  if (!entries.empty()) addSatellite(entries.front(), file.lnb);
  return entries;
}

}  // namespace cv7ctl
