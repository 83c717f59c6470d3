// cv7ctl raw CODE [HEX-INPUT] [--out N]: one control request straight over the control
// socket, its status and answer in hex.
#include <cctype>
#include <cstdio>
#include <string>
#include <vector>

#include "Command.h"
#include "ControlClient.h"
#include "Failure.h"
#include "Vocabulary.h"

namespace cv7ctl {
namespace {

// Hex digits, optionally separated by spaces, ':' or '-'.
std::vector<uint8_t> parseHex(const std::string& text) {
  std::string digits;
  for (char c : text) {
    if (c == ' ' || c == ':' || c == '-') continue;
    if (!std::isxdigit(static_cast<unsigned char>(c))) throw Failure::badArgument("bad hex input '" + text + "'");
    digits += c;
  }
  if (digits.size() % 2 != 0 || digits.size() / 2 > ControlClient::kMaxPayload)
    throw Failure::badArgument("hex input needs whole bytes, at most " + std::to_string(ControlClient::kMaxPayload));
  std::vector<uint8_t> bytes;
  for (size_t i = 0; i < digits.size(); i += 2) bytes.push_back(uint8_t(std::stoul(digits.substr(i, 2), nullptr, 16)));
  return bytes;
}

void printHex(const std::vector<uint8_t>& bytes) {
  for (size_t i = 0; i < bytes.size(); ++i)
    std::printf("%02x%s", bytes[i], (i % 16 == 15 || i + 1 == bytes.size()) ? "\n" : " ");
}

struct RawOptions {
  std::string code, input;
  uint32_t output = 256;
};

CommandRegistration raw{
    "raw", "Send one control request and print its status and answer in hex", kGroupDiagnostics,
    [](CLI::App& command) {
      auto o = std::make_shared<RawOptions>();
      command.add_option("CODE", o->code, "Request code, e.g. 0x17204C (docs/control-requests.md)")->required();
      command.add_option("HEX-INPUT", o->input, "Input bytes in hex (spaces, ':' or '-' between bytes allowed)");
      command.add_option("--out", o->output, "Output length in bytes")
          ->check(CLI::Range(0u, ControlClient::kMaxPayload))
          ->capture_default_str();
      setRun(command, [o] {
        auto code = parseNumber(o->code);
        if (!code) throw Failure::badArgument("bad request code '" + o->code + "'");
        std::vector<uint8_t> input = parseHex(o->input), reply;
        ControlClient client;
        uint32_t status = client.request(uint32_t(*code), input, o->output, reply);
        std::printf("status 0x%08X\nreturned %zu\n", status, reply.size());
        printHex(reply);
        return int(kExitOk);
      });
    }};

}  // namespace
}  // namespace cv7ctl
