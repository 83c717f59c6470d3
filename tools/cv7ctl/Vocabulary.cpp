#include "Vocabulary.h"

#include <cerrno>
#include <cstdlib>
#include <strings.h>

namespace cv7ctl {
namespace {

bool same(const std::string& a, const char* b) { return ::strcasecmp(a.c_str(), b) == 0; }

// A validator that takes each word's name (any case) or its number and leaves the number.
CLI::Validator words(std::vector<Word> list, const std::string& what, std::string description = "") {
  if (description.empty())
    for (const Word& w : list) description += std::string(description.empty() ? "" : ", ") + w.name + "|" + std::to_string(w.value);
  return CLI::Validator(
      [list, what, description](std::string& text) -> std::string {
        auto number = parseNumber(text);
        for (const Word& w : list) {
          if (same(text, w.name) || (number && *number == w.value)) {
            text = std::to_string(w.value);
            return "";
          }
        }
        return "'" + text + "' is not a " + what + " (" + description + ")";
      },
      description);
}

CLI::Validator converted(std::optional<uint32_t> (*convert)(const std::string&), const std::string& description,
                         const std::string& refusal) {
  return CLI::Validator(
      [convert, refusal](std::string& text) -> std::string {
        auto value = convert(text);
        if (!value) return "'" + text + "' is not " + refusal;
        text = std::to_string(*value);
        return "";
      },
      description);
}

struct NamedLnb {
  const char* name;
  uint32_t oscillatorKHz;
};

// Single-oscillator LNBs by their DVBv5 names, and the universal one (oscillator 0).
const NamedLnb kLnbs[] = {{"UNIVERSAL", 0},          {"C-BAND", 5150000},     {"ENHANCED", 9750000},
                          {"STANDARD", 10000000},    {"L10700", 10700000},    {"L10750", 10750000},
                          {"DBS", 11250000},         {"L11300", 11300000}};

std::optional<uint32_t> scaled(const std::string& text, uint64_t below, uint64_t factor, uint64_t max) {
  auto value = parseNumber(text);
  if (!value || *value == 0) return std::nullopt;
  uint64_t result = *value < below ? *value * factor : *value;
  if (result > max) return std::nullopt;
  return uint32_t(result);
}

}  // namespace

const std::vector<Word>& recordKinds() {
  static const std::vector<Word> list = {
      {"mpe", 3, "MPE datagram sections, delivered to the network interface"},
      {"stream", 5, "data streaming PES (byte-stuffed), delivered to the network interface"},
      {"ts", 10, "raw transport-stream packets (188 bytes)"},
      {"pes", 11, "raw PES packets"},
      {"section", 12, "raw sections"}};
  return list;
}

const std::vector<Word>& encapsulations() {
  static const std::vector<Word> list = {{"piping", 1, "data piping"},
                                         {"streaming", 2, "data streaming"},
                                         {"mpe", 3, "multiprotocol encapsulation"},
                                         {"stream", 5, "data streaming PES"}};
  return list;
}

std::string nameOf(const std::vector<Word>& words, uint32_t value) {
  for (const Word& w : words)
    if (w.value == value) return w.name;
  return std::to_string(value);
}

std::optional<uint64_t> parseNumber(const std::string& text, uint64_t max) {
  if (text.empty() || text[0] == '-' || text[0] == '+' || text[0] == ' ') return std::nullopt;
  bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
  char* end = nullptr;
  errno = 0;
  unsigned long long value = std::strtoull(text.c_str(), &end, hex ? 16 : 10);
  if (errno != 0 || *end != '\0' || value > max) return std::nullopt;
  return value;
}

std::optional<uint32_t> lnbOscillator(const std::string& word) {
  for (const NamedLnb& lnb : kLnbs)
    if (same(word, lnb.name)) return lnb.oscillatorKHz;
  return frequencyKHz(word);
}

std::string lnbName(uint32_t oscillatorKHz) {
  for (const NamedLnb& lnb : kLnbs)
    if (lnb.oscillatorKHz == oscillatorKHz) return lnb.name;
  return "";
}

std::string lnbDescription(uint32_t oscillatorKHz) {
  if (oscillatorKHz == 0) return "universal (local oscillator 9750/10600 MHz)";
  std::string mhz = std::to_string(oscillatorKHz / 1000);
  if (oscillatorKHz % 1000) mhz += "." + std::to_string(oscillatorKHz % 1000 + 1000).substr(1);
  return "fixed, local oscillator " + mhz + " MHz";
}

std::optional<uint32_t> frequencyKHz(const std::string& text) { return scaled(text, 100000, 1000, 30000000); }

std::optional<uint32_t> symbolRateKsps(const std::string& text) {
  auto value = parseNumber(text);
  if (!value || *value == 0) return std::nullopt;
  uint64_t ksps = *value < 100000 ? *value : *value / 1000;
  if (ksps == 0 || ksps > 99999) return std::nullopt;
  return uint32_t(ksps);
}

namespace accept {

CLI::Validator kind() { return words(recordKinds(), "record kind"); }

CLI::Validator encapsulation() { return words(encapsulations(), "data encapsulation"); }

CLI::Validator polarity() {
  return words({{"h", 1, ""}, {"horizontal", 1, ""}, {"l", 1, ""}, {"left", 1, ""},
                {"v", 0, ""}, {"vertical", 0, ""}, {"r", 0, ""}, {"right", 0, ""}},
               "polarity", "h|horizontal|l|left (18 V), v|vertical|r|right (13 V)");
}

CLI::Validator lnb() {
  return converted(
      [](const std::string& text) -> std::optional<uint32_t> {
        auto lo = lnbOscillator(text);
        if (lo && *lo != 0 && *lo < 3000000) return std::nullopt;
        return lo;
      },
      "universal, c-band (5150 MHz), enhanced (9750), standard (10000), l10700, l10750, dbs (11250), "
      "l11300, or the local oscillator in MHz",
      "an LNB (universal, c-band, a DVBv5 LNB name or the local oscillator in MHz)");
}

CLI::Validator diseqc() {
  return words({{"none", 0, ""}, {"A", 1, ""}, {"B", 2, ""}, {"C", 3, ""}, {"D", 4, ""}}, "DiSEqC port");
}

CLI::Validator toneBurst() { return words({{"none", 0, ""}, {"A", 1, ""}, {"B", 2, ""}}, "tone burst"); }

CLI::Validator onOff() { return words({{"on", 1, ""}, {"off", 0, ""}}, "switch"); }

CLI::Validator pid() {
  return converted(
      [](const std::string& text) -> std::optional<uint32_t> {
        auto value = parseNumber(text, 0x1FFF);
        return value ? std::optional<uint32_t>(uint32_t(*value)) : std::nullopt;
      },
      "0..8191, decimal or 0x hex", "a PID (0..8191 or 0x0000..0x1FFF)");
}

CLI::Validator frequency() {
  return converted(frequencyKHz, "MHz (or kHz above 99999)", "a frequency in MHz or kHz");
}

CLI::Validator symbolRate() {
  return converted(symbolRateKsps, "ksymbol/s (or symbol/s above 99999)",
                   "a symbol rate in ksymbol/s or symbol/s");
}

}  // namespace accept
}  // namespace cv7ctl
