// cv7-sim-session: a client session against the driver core and the simulated card, in one
// process. Shows each control request, the command frames that reached the card and the
// answers, so the command channel can be watched end to end.
#include <cstdio>
#include <string>
#include <vector>

#include "CommandCodes.h"
#include "ControlCodes.h"
#include "LittleEndian.h"
#include "Miniport.h"
#include "ProgramTableReply.h"
#include "SessionPlatform.h"

namespace {

using namespace cv7;
using Bytes = std::vector<uint8_t>;

class Session {
 public:
  Session() : platform_(config()), miniport_(platform_) {
    miniport_.driverEntry();
    core::DriverState& state = miniport_.state();
    for (int i = 0; i < 6; ++i) state.stationAddress[i] = platform_.card().config().macAddress[i];
    state.registers = &platform_.window();
    state.registerWindowLength = platform_.card().config().memoryLength;
    state.registerBaseToken = uint32_t(platform_.card().config().memoryBase);
  }

  Bytes request(const char* name, uint32_t code, Bytes input, uint32_t outputLength) {
    Bytes buffer(std::max<size_t>(input.size(), outputLength));
    std::copy(input.begin(), input.end(), buffer.begin());
    uint32_t returned = 0;
    std::printf("> %s (0x%06X) in %zu bytes%s\n", name, code, input.size(), hex(input, 32).c_str());
    core::Status status = miniport_.control(code, buffer.data(), uint32_t(input.size()), outputLength, returned);
    showFrames();
    buffer.resize(returned);
    std::printf("< status 0x%08X, %u bytes%s\n\n", status, returned, hex(buffer, 32).c_str());
    return buffer;
  }

  void acquire(uint32_t client) { request("ACQUIRE_CHANNEL", ctl::IOCTL_CV7_ACQUIRE_CHANNEL, words({client}), 4); }

  Bytes command(const char* name, uint8_t code) {
    Bytes block(ctl::kCommandBlockSize);
    block[0] = code;
    return request(name, ctl::IOCTL_CV7_SEND_COMMAND, block, ctl::kCommandBlockSize);
  }

  static Bytes words(std::vector<uint32_t> values) {
    Bytes out(values.size() * 4);
    for (size_t i = 0; i < values.size(); ++i) core::le::store32(out.data() + 4 * i, values[i]);
    return out;
  }

  uint64_t virtualMicroseconds() const { return platform_.virtualMicroseconds(); }
  sim::SimulatedCard& card() { return platform_.card(); }

 private:
  static sim::CardConfig config() {
    sim::CardConfig c;
    c.firmwareRunning = true;
    c.firmwareVersion = {2, 20};
    return c;
  }

  static std::string hex(const Bytes& bytes, size_t limit) {
    std::string out = bytes.empty() ? "" : ":";
    for (size_t i = 0; i < bytes.size() && i < limit; ++i) {
      char text[4];
      std::snprintf(text, sizeof text, " %02X", bytes[i]);
      out += text;
    }
    if (bytes.size() > limit) out += " ...";
    return out;
  }

  void showFrames() {
    for (const auto& frame : platform_.card().receivedCommands()) {
      std::printf("  frame to card: command %u, P = %u%s\n", frame.code, frame.declaredLength,
                  hex(frame.parameters, 32).c_str());
    }
    platform_.card().clearReceivedCommands();
  }

  session::SessionPlatform platform_;
  core::Miniport miniport_;
};

void showProgramTable(const Bytes& table) {
  if (table.size() != ctl::kProgramTableSize) return;
  unsigned programs = table[ctl::kTableProgramCount];
  std::printf("program table: result %u, transport stream %u, %u programs, frequency %u kHz, symbol rate %u\n",
              core::le::load16(&table[ctl::kTableResult]), core::le::load16(&table[0]), programs,
              core::le::load32(&table[ctl::kTableTrailer1]), core::le::load32(&table[ctl::kTableTrailer2]));
  for (unsigned i = 0; i < programs && i < ctl::kProgramEntries; ++i) {
    const uint8_t* entry = &table[i * ctl::kProgramEntrySize];
    std::string name(reinterpret_cast<const char*>(entry + ctl::kEntryName), entry[ctl::kEntryNameLength]);
    std::printf("  program %u (PMT PID 0x%04X) \"%s\":", core::le::load16(entry + ctl::kEntrySecondValue),
                core::le::load16(entry + ctl::kEntryThirdValue), name.c_str());
    for (unsigned j = 0; j < entry[ctl::kEntryComponentCount]; ++j) {
      const uint8_t* component = entry + ctl::kEntryComponents + 4 * j;
      std::printf(" kind %u PID 0x%04X;", core::le::load16(component), core::le::load16(component + 2));
    }
    std::printf("\n");
  }
}

}  // namespace

int main() {
  Session session;
  std::printf("cv7-sim-session: driver core with the simulated card (firmware running)\n\n");
  session.request("GET_DRIVER_VERSION", ctl::IOCTL_CV7_GET_DRIVER_VERSION, {}, 8);
  session.request("OPEN_CLIENT 3", ctl::IOCTL_CV7_OPEN_CLIENT, Session::words({3, 31, 32}), 0);
  session.acquire(3);
  session.command("SEND_COMMAND CMD_GET_FIRMWARE_VERSION", cmd::CMD_GET_FIRMWARE_VERSION);
  session.acquire(3);
  Bytes tuner = session.command("SEND_COMMAND CMD_GET_TUNER_INFO", cmd::CMD_GET_TUNER_INFO);
  if (tuner.size() == ctl::kCommandBlockSize)
    std::printf("tuner: indicators %u %u %u %u, count %u, bytes %u %u %u, result %u\n\n", tuner[8], tuner[9],
                tuner[10], tuner[11], tuner[12], tuner[13], tuner[14], tuner[15], core::le::load16(&tuner[28]));
  // The card answers command 13 with what its last search found; this session shows the
  // card model's sample table instead, so it needs no search.
  session.card().setProgramTablePayload(sim::ProgramTableReply::builtIn().encode());
  session.acquire(3);
  Bytes table = session.request("GET_PROGRAM_TABLE", ctl::IOCTL_CV7_GET_PROGRAM_TABLE, {}, ctl::kProgramTableSize);
  showProgramTable(table);
  session.request("CLOSE_CLIENT 3", ctl::IOCTL_CV7_CLOSE_CLIENT, Session::words({3}), 0);
  std::printf("\nvirtual time spent in waits: %llu us\n", (unsigned long long)(session.virtualMicroseconds() - 1'000'000));
  return 0;
}
