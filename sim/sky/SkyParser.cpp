#include "sky/SkyParser.h"

#include "ts/TsFilePlayer.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <initializer_list>
#include <map>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>

#include "ts/Ipv4Datagram.h"
#include "ts/MpeEncapsulator.h"
#include "ts/StuffedPesEncapsulator.h"
#include "ts/TsPacket.h"

namespace cv7::sim {
namespace {

using nlohmann::json;

// A value in the document together with its path, for error messages.
class Node {
 public:
  Node(const json& value, std::string path, const std::string& source)
      : value_(value), path_(std::move(path)), source_(source) {}

  [[noreturn]] void fail(const std::string& message) const {
    throw SkyError(source_ + ": " + (path_.empty() ? std::string("(top level)") : path_) + ": " +
                   message);
  }

  const json& value() const { return value_; }
  const std::string& path() const { return path_; }

  // Checks that this is an object whose keys are all among the allowed ones.
  void expectObject(std::initializer_list<const char*> allowed) const {
    if (!value_.is_object()) fail("expected an object");
    for (auto it = value_.begin(); it != value_.end(); ++it) {
      bool known = std::any_of(allowed.begin(), allowed.end(),
                               [&](const char* k) { return it.key() == k; });
      if (!known) child(it.key()).fail("unknown key");
    }
  }

  bool has(const char* key) const { return value_.contains(key); }

  Node child(const std::string& key) const {
    static const json kNull;
    auto it = value_.find(key);
    return Node(it == value_.end() ? kNull : *it, path_.empty() ? key : path_ + "." + key,
                source_);
  }

  Node required(const char* key) const {
    if (!has(key)) fail(std::string("missing key \"") + key + "\"");
    return child(key);
  }

  std::vector<Node> array() const {
    if (!value_.is_array()) fail("expected an array");
    std::vector<Node> items;
    for (size_t i = 0; i < value_.size(); ++i)
      items.emplace_back(value_[i], path_ + "[" + std::to_string(i) + "]", source_);
    return items;
  }

  // An integer in [lo, hi]; decimal numbers and "0x..." texts are both accepted.
  uint64_t integer(uint64_t lo, uint64_t hi) const {
    uint64_t v = 0;
    if (value_.is_number_unsigned()) {
      v = value_.get<uint64_t>();
    } else if (value_.is_string() && parseHex(value_.get<std::string>(), v)) {
    } else {
      fail("expected a non-negative integer");
    }
    if (v < lo || v > hi)
      fail(std::to_string(v) + " is outside " + std::to_string(lo) + ".." + std::to_string(hi));
    return v;
  }

  double number(double lo, double hi) const {
    if (!value_.is_number()) fail("expected a number");
    double v = value_.get<double>();
    if (!(v >= lo && v <= hi)) {
      std::ostringstream s;
      s << v << " is outside " << lo << ".." << hi;
      fail(s.str());
    }
    return v;
  }

  std::string text(size_t maxLength) const {
    if (!value_.is_string()) fail("expected a text");
    std::string s = value_.get<std::string>();
    if (s.size() > maxLength) fail("longer than " + std::to_string(maxLength) + " characters");
    return s;
  }

  bool boolean() const {
    if (!value_.is_boolean()) fail("expected true or false");
    return value_.get<bool>();
  }

  // One of the given words, returned as its index.
  size_t choice(std::initializer_list<const char*> words) const {
    if (value_.is_string()) {
      size_t i = 0;
      for (const char* w : words) {
        if (value_.get<std::string>() == w) return i;
        ++i;
      }
    }
    std::string list;
    for (const char* w : words) list += std::string(list.empty() ? "" : ", ") + "\"" + w + "\"";
    fail("expected one of " + list);
  }

 private:
  static bool parseHex(const std::string& s, uint64_t& out) {
    if (s.size() < 3 || s.size() > 10 || s[0] != '0' || (s[1] != 'x' && s[1] != 'X')) return false;
    out = 0;
    for (size_t i = 2; i < s.size(); ++i) {
      char c = char(std::tolower(static_cast<unsigned char>(s[i])));
      int d = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
      if (d < 0) return false;
      out = out * 16 + uint64_t(d);
    }
    return true;
  }

  const json& value_;
  std::string path_;
  const std::string& source_;
};

constexpr uint64_t kMinPid = 0x0010;
constexpr uint64_t kMaxPid = 0x1FFE;

template <typename T>
T optionalInteger(const Node& n, const char* key, uint64_t lo, uint64_t hi, T fallback) {
  return n.has(key) ? T(n.child(key).integer(lo, hi)) : fallback;
}

// "a.b.c.d:port" into host-order address and port.
void parseEndpoint(const Node& n, uint32_t& address, uint16_t& port) {
  std::string s = n.text(21);
  unsigned a, b, c, d, p;
  char tail;
  if (std::sscanf(s.c_str(), "%u.%u.%u.%u:%u%c", &a, &b, &c, &d, &p, &tail) != 5 || a > 255 ||
      b > 255 || c > 255 || d > 255 || p == 0 || p > 65535)
    n.fail("expected \"a.b.c.d:port\" with an IPv4 address and a port 1..65535");
  address = (a << 24) | (b << 16) | (c << 8) | d;
  port = uint16_t(p);
}

Lnb parseLnb(const Node& n) {
  n.expectObject({"type", "localOscillatorKHz", "oscillatorOffsetKHz"});
  size_t type = n.required("type").choice({"universal", "fixed", "c-band"});
  if (type != 1 && n.has("localOscillatorKHz"))
    n.child("localOscillatorKHz").fail("only a fixed LNB takes a local oscillator");
  Lnb lnb = type == 0   ? Lnb::universal()
            : type == 2 ? Lnb::fixed(Lnb::kCBandKHz)
                        : Lnb::fixed(uint32_t(n.required("localOscillatorKHz").integer(3'000'000, 20'000'000)));
  if (n.has("oscillatorOffsetKHz"))
    lnb.setOscillatorOffsetKHz(int32_t(n.child("oscillatorOffsetKHz").number(-10'000, 10'000)));
  return lnb;
}

Dish parseDish(const Node& n) {
  n.expectObject({"diseqcPort", "toneBurst", "lnb"});
  Dish dish;
  dish.diseqcPort = optionalInteger<uint8_t>(n, "diseqcPort", 0, 4, 0);
  dish.toneBurst = optionalInteger<uint8_t>(n, "toneBurst", 0, 2, 0);
  dish.lnb = parseLnb(n.required("lnb"));
  return dish;
}

DefaultFileSettings parseDefaultFile(const Node& n, const Dish& dish) {
  n.expectObject({"file", "localOscillatorKHz", "tone22k", "lnbPower", "toneBurst", "diseqc"});
  DefaultFileSettings f;
  f.fileName = n.required("file").text(64);
  if (f.fileName.empty() || f.fileName.find('/') != std::string::npos)
    n.child("file").fail("expected a plain file name");
  uint32_t lo = dish.lnb.kind() == Lnb::Kind::Universal ? 0 : dish.lnb.fixedOscillatorKHz();
  f.localOscillatorKHz = optionalInteger<uint32_t>(n, "localOscillatorKHz", 0, 20'000'000, lo);
  f.tone22k = optionalInteger<uint32_t>(n, "tone22k", 0, 1, 1);
  f.lnbPower = optionalInteger<uint32_t>(n, "lnbPower", 0, 1, 0);
  f.toneBurst = optionalInteger<uint8_t>(n, "toneBurst", 0, 255, dish.toneBurst);
  f.diseqc = optionalInteger<uint8_t>(n, "diseqc", 0, 255, dish.diseqcPort);
  return f;
}

uint8_t parseStreamType(const Node& n) {
  if (n.value().is_string() && n.value().get<std::string>().rfind("0x", 0) != 0) {
    static const uint8_t kTypes[] = {kStreamMpeg2Video, kStreamMpeg1Audio, kStreamMpeg2Audio,
                                     kStreamPrivateSections, kStreamPesPrivateData,
                                     kStreamDsmccTypeD};
    return kTypes[n.choice({"mpeg2-video", "mpeg1-audio", "mpeg2-audio", "private-sections",
                            "pes-private-data", "dsmcc-d"})];
  }
  return uint8_t(n.integer(1, 0xFF));
}

ServiceConfig parseService(const Node& n) {
  n.expectObject({"programNumber", "pmtPid", "pcrPid", "name", "provider", "scrambled", "streams"});
  ServiceConfig s;
  s.programNumber = uint16_t(n.required("programNumber").integer(1, 0xFFFF));
  s.pmtPid = uint16_t(n.required("pmtPid").integer(kMinPid, kMaxPid));
  s.pcrPid = optionalInteger<uint16_t>(n, "pcrPid", kMinPid, 0x1FFF, 0x1FFF);
  if (n.has("name")) s.name = n.child("name").text(255);
  if (n.has("provider")) s.provider = n.child("provider").text(255);
  if (n.has("scrambled")) s.scrambled = n.child("scrambled").boolean();
  if (n.has("streams")) {
    for (const Node& e : n.child("streams").array()) {
      e.expectObject({"type", "pid"});
      s.streams.push_back({parseStreamType(e.required("type")),
                           uint16_t(e.required("pid").integer(kMinPid, kMaxPid))});
    }
  }
  return s;
}

void parseSourceKind(const Node& n, DataSourceConfig& d, const std::string& baseDirectory) {
  d.kind = DataSourceConfig::Kind(n.required("kind").choice({"generator", "uplink", "ts-file"}));
  if (d.kind == DataSourceConfig::Kind::Uplink)
    d.uplinkPort = uint16_t(n.required("uplinkPort").integer(1, 0xFFFF));
  else if (n.has("uplinkPort"))
    n.child("uplinkPort").fail("only an uplink source listens on a port");
  if (d.kind == DataSourceConfig::Kind::TsFile) {
    d.tsFile = n.required("file").text(4096);
    if (d.tsFile.empty()) n.child("file").fail("expected a file name");
    if (d.tsFile[0] != '/' && !baseDirectory.empty()) d.tsFile = baseDirectory + "/" + d.tsFile;
    // A sky read from a file plays its recordings: one that cannot be opened or holds no
    // transport stream would leave its transponder silent, so the sky is refused.
    if (!baseDirectory.empty()) {
      TsFilePlayer recording(d.tsFile, 1'000'000, 0);
      if (!recording.ok()) n.child("file").fail(recording.error());
    }
  } else if (n.has("file")) {
    n.child("file").fail("only a ts-file source reads a file");
  }
}

DataSourceConfig parseSource(const Node& n, const std::string& baseDirectory, bool& selected) {
  n.expectObject({"kind", "pid", "encapsulation", "datagramsPerSecond", "payloadSize",
                  "destination", "source", "uplinkPort", "file", "scrambledFlags", "selected"});
  DataSourceConfig d;
  parseSourceKind(n, d, baseDirectory);
  d.pid = uint16_t(n.required("pid").integer(kMinPid, kMaxPid));
  if (n.has("encapsulation"))
    d.encapsulation = Encapsulation(n.child("encapsulation").choice({"mpe", "mpe-llc-snap", "stuffed-pes"}));
  if (n.has("datagramsPerSecond")) d.datagramsPerSecond = n.child("datagramsPerSecond").number(0.001, 100'000);
  d.payloadSize = optionalInteger<uint32_t>(n, "payloadSize", 1, 1472, d.payloadSize);
  if (n.has("destination")) parseEndpoint(n.child("destination"), d.destinationAddress, d.destinationPort);
  if (n.has("source")) parseEndpoint(n.child("source"), d.sourceAddress, d.sourcePort);
  if (n.has("scrambledFlags")) d.scrambledFlags = n.child("scrambledFlags").boolean();
  selected = n.has("selected") && n.child("selected").boolean();
  return d;
}

LinkQuality parseLink(const Node& n) {
  n.expectObject({"levelPercent", "levelDbuV", "cnDb"});
  LinkQuality q;
  if (n.has("levelPercent") && n.has("levelDbuV")) n.fail("give levelPercent or levelDbuV, not both");
  if (n.has("levelPercent")) q.levelPercent = n.child("levelPercent").number(0, 100);
  // 40 dBµV at the tuner input is the edge of reception, 90 dBµV a strong signal.
  if (n.has("levelDbuV")) q.levelPercent = (n.child("levelDbuV").number(40, 90) - 40) * 2;
  if (n.has("cnDb")) q.cnDb = n.child("cnDb").number(-10, 40);
  return q;
}

// PIDs of one multiplex must not collide (a PCR may share its PID with a stream).
void checkPids(const Node& n, const Transponder& t) {
  std::map<uint16_t, std::string> used;
  std::set<uint16_t> programs;
  auto claim = [&](uint16_t pid, const std::string& what) {
    auto [it, fresh] = used.emplace(pid, what);
    if (!fresh) n.fail("PID " + std::to_string(pid) + " is used by both " + it->second + " and " + what);
  };
  for (size_t i = 0; i < t.stream.services.size(); ++i) {
    const ServiceConfig& s = t.stream.services[i];
    std::string where = "services[" + std::to_string(i) + "]";
    if (!programs.insert(s.programNumber).second)
      n.fail("program number " + std::to_string(s.programNumber) + " appears twice");
    claim(s.pmtPid, where + " PMT");
    for (const ElementaryStream& e : s.streams) claim(e.pid, where + " stream");
  }
  for (size_t i = 0; i < t.stream.sources.size(); ++i) {
    const DataSourceConfig& d = t.stream.sources[i];
    auto it = used.find(d.pid);
    if (it != used.end() && it->second.find("stream") == std::string::npos)
      n.fail("source PID " + std::to_string(d.pid) + " is " + it->second);
  }
}

// What a generator puts on the multiplex, in bit/s, at the least: its datagrams with their
// IP and UDP headers and the encapsulation's own bytes, in 188-byte packets of 184 payload
// bytes. A byte-stuffed PES datagram fills whole packets of its own.
double generatorBitRate(const DataSourceConfig& d) {
  double datagram = double(Ipv4Datagram::kIpHeader + Ipv4Datagram::kUdpHeader + d.payloadSize);
  double packets;
  if (d.encapsulation == Encapsulation::StuffedPes) {
    packets = std::ceil((double(StuffedPesEncapsulator::kHeader) + datagram + 1) / double(kTsPayloadMax));
  } else {
    double section = datagram + double(MpeEncapsulator::kHeader + MpeEncapsulator::kCrc);
    if (d.encapsulation == Encapsulation::MpeLlcSnap) section += double(MpeEncapsulator::kLlcSnap);
    packets = section / double(kTsPayloadMax);
  }
  return d.datagramsPerSecond * packets * double(kTsPacketSize) * 8;
}

// The generators of a transponder together must fit what its symbol rate carries; more
// could only pile up in the card.
void checkRate(const Node& n, const Transponder& t) {
  double total = 0;
  for (const DataSourceConfig& d : t.stream.sources)
    if (d.kind == DataSourceConfig::Kind::Generator) total += generatorBitRate(d);
  uint32_t capacity = usefulBitRate(t.symbolRateKsps, t.codeRate);
  if (total <= double(capacity)) return;
  std::ostringstream text;
  text.setf(std::ios::fixed);
  text.precision(1);
  text << "the generators need " << total / 1e6 << " Mbit/s, more than the " << capacity / 1e6
       << " Mbit/s that the transponder's symbol rate and code rate carry";
  n.child("sources").fail(text.str());
}

void parseContent(const Node& n, Transponder& t, const std::string& baseDirectory) {
  if (n.has("services"))
    for (const Node& s : n.child("services").array()) t.stream.services.push_back(parseService(s));
  if (n.has("sources")) {
    for (const Node& s : n.child("sources").array()) {
      bool selected = false;
      t.stream.sources.push_back(parseSource(s, baseDirectory, selected));
      if (selected) t.selectedDataPids.push_back(t.stream.sources.back().pid);
    }
  }
  checkPids(n, t);
}

Transponder parseTransponder(const Node& n, uint16_t networkId, const std::string& baseDirectory) {
  n.expectObject({"frequencyKHz", "polarisation", "symbolRateKsps", "fec", "transportStreamId",
                  "originalNetworkId", "link", "muxRate", "psiRepetitionMs", "services", "sources"});
  Transponder t;
  t.frequencyKHz = uint32_t(n.required("frequencyKHz").integer(1'000'000, 30'000'000));
  t.polarisation = Polarisation(n.required("polarisation").choice({"H", "V", "L", "R"}));
  t.symbolRateKsps = uint32_t(n.required("symbolRateKsps").integer(1'000, 45'000));
  if (n.has("fec")) t.codeRate = CodeRate(n.child("fec").choice({"1/2", "2/3", "3/4", "5/6", "7/8"}));
  t.stream.transportStreamId = uint16_t(n.required("transportStreamId").integer(0, 0xFFFF));
  t.stream.originalNetworkId = optionalInteger<uint16_t>(n, "originalNetworkId", 0, 0xFFFF, networkId);
  if (n.has("link")) t.link = parseLink(n.child("link"));
  t.stream.muxRateBitsPerSecond = optionalInteger<uint32_t>(n, "muxRate", 100'000, 200'000'000,
                                                            usefulBitRate(t.symbolRateKsps, t.codeRate));
  t.stream.psiRepetitionMs = optionalInteger<uint32_t>(n, "psiRepetitionMs", 10, 10'000, 100);
  parseContent(n, t, baseDirectory);
  checkRate(n, t);
  return t;
}

void sortAndCheckTransponders(const Node& n, std::vector<Transponder>& list) {
  std::stable_sort(list.begin(), list.end(), [](const Transponder& a, const Transponder& b) {
    return a.frequencyKHz < b.frequencyKHz;
  });
  for (size_t i = 1; i < list.size(); ++i) {
    if (list[i].frequencyKHz == list[i - 1].frequencyKHz &&
        needsHighVoltage(list[i].polarisation) == needsHighVoltage(list[i - 1].polarisation))
      n.fail("two transponders at " + std::to_string(list[i].frequencyKHz) +
             " kHz with the same polarisation");
  }
}

Satellite parseSatellite(const Node& n, const std::string& baseDirectory) {
  n.expectObject({"name", "orbitalPosition", "dish", "defaultFile", "originalNetworkId", "transponders"});
  Satellite s;
  s.name = n.required("name").text(29);
  if (s.name.empty()) n.child("name").fail("expected a name");
  if (n.has("orbitalPosition")) s.orbitalPosition = n.child("orbitalPosition").text(16);
  s.dish = parseDish(n.required("dish"));
  if (n.has("defaultFile")) s.defaultFile = parseDefaultFile(n.child("defaultFile"), s.dish);
  uint16_t networkId = optionalInteger<uint16_t>(n, "originalNetworkId", 0, 0xFFFF, 1);
  for (const Node& t : n.required("transponders").array())
    s.transponders.push_back(parseTransponder(t, networkId, baseDirectory));
  sortAndCheckTransponders(n.child("transponders"), s.transponders);
  return s;
}

void checkSatellites(const Node& n, const std::vector<Satellite>& list) {
  for (size_t i = 0; i < list.size(); ++i) {
    for (size_t j = 0; j < i; ++j) {
      Node here = n.array()[i];
      if (list[i].name == list[j].name) here.child("name").fail("name also used by satellites[" + std::to_string(j) + "]");
      if (list[i].dish.diseqcPort == list[j].dish.diseqcPort && list[i].dish.toneBurst == list[j].dish.toneBurst)
        here.child("dish").fail("same DiSEqC port and tone burst as satellites[" + std::to_string(j) + "]");
    }
  }
}

// Line and column of a byte offset, for syntax errors.
std::string position(const std::string& text, size_t byte) {
  size_t line = 1, column = 1;
  for (size_t i = 0; i < byte && i < text.size(); ++i) {
    if (text[i] == '\n') {
      ++line;
      column = 1;
    } else {
      ++column;
    }
  }
  return std::to_string(line) + ":" + std::to_string(column);
}

}  // namespace

Sky parseSky(const std::string& text, const std::string& sourceName, const std::string& baseDirectory) {
  json doc;
  try {
    doc = json::parse(text);
  } catch (const json::parse_error& e) {
    std::string what = e.what();
    size_t colon = what.rfind(": ");
    throw SkyError(sourceName + ":" + position(text, e.byte == 0 ? 0 : e.byte - 1) + ": syntax error: " +
                   (colon == std::string::npos ? what : what.substr(colon + 2)));
  }
  Node root(doc, "", sourceName);
  root.expectObject({"description", "satellites"});
  if (root.has("description")) root.child("description").text(4096);
  std::vector<Satellite> satellites;
  for (const Node& s : root.required("satellites").array()) satellites.push_back(parseSatellite(s, baseDirectory));
  checkSatellites(root.child("satellites"), satellites);
  return Sky(std::move(satellites));
}

Sky loadSky(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw SkyError(path + ": cannot be opened");
  std::ostringstream content;
  content << in.rdbuf();
  if (in.bad()) throw SkyError(path + ": read failed");
  size_t slash = path.rfind('/');
  return parseSky(content.str(), path, slash == std::string::npos ? "." : path.substr(0, slash));
}

}  // namespace cv7::sim
