// The words cv7ctl accepts for the same things in every command: record kinds, data
// encapsulations, polarities, LNB types, DiSEqC ports, tone bursts, PIDs, frequencies and
// symbol rates. Each comes as a CLI11 validator that turns the accepted spellings into one
// number (as text) and whose description lists them in --help.
#pragma once
#include <CLI/CLI.hpp>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace cv7ctl {

struct Word {
  const char* name;
  uint32_t value;
  const char* meaning;
};

// mpe 3, stream 5, ts 10, pes 11, section 12.
const std::vector<Word>& recordKinds();
// piping 1, streaming 2, mpe 3, stream 5.
const std::vector<Word>& encapsulations();
// The name of a value in a list, or the number itself when it has none.
std::string nameOf(const std::vector<Word>& words, uint32_t value);

// A decimal or 0x-prefixed number up to max.
std::optional<uint64_t> parseNumber(const std::string& text, uint64_t max = UINT32_MAX);

// The local oscillator in kHz of an LNB word: 0 for a universal LNB, the DVBv5 LNB names
// of single-oscillator LNBs, or a frequency in MHz (or kHz). nullopt when not accepted.
std::optional<uint32_t> lnbOscillator(const std::string& word);
// The DVBv5 name of an LNB with this oscillator ("UNIVERSAL", "C-BAND" ...), or "" if none.
std::string lnbName(uint32_t oscillatorKHz);
// Readable: "universal (9750/10600 MHz)" or "fixed, local oscillator 10750 MHz".
std::string lnbDescription(uint32_t oscillatorKHz);

// A frequency in MHz (up to 99999) or kHz (above), in kHz.
std::optional<uint32_t> frequencyKHz(const std::string& text);
// A symbol rate in ksymbol/s (up to 99999) or symbol/s (above), in ksymbol/s.
std::optional<uint32_t> symbolRateKsps(const std::string& text);

namespace accept {
CLI::Validator kind();
CLI::Validator encapsulation();
CLI::Validator polarity();  // to 1 (h, horizontal, l, left) or 0 (v, vertical, r, right)
CLI::Validator lnb();       // to the oscillator in kHz, 0 = universal
CLI::Validator diseqc();    // none 0, A..D 1..4
CLI::Validator toneBurst(); // none 0, A 1, B 2
CLI::Validator onOff();     // to 1 (on) or 0 (off)
CLI::Validator pid();
CLI::Validator frequency();
CLI::Validator symbolRate();
}  // namespace accept

}  // namespace cv7ctl
