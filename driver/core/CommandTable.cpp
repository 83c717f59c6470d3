#include "CommandTable.h"

#include <initializer_list>

#include "CommandCodes.h"

namespace cv7::core {

using namespace cmd;

namespace {

using Reply = CommandSpec::Reply;

CommandSpec send(uint8_t code, std::initializer_list<CommandField> fields) {
  CommandSpec spec;
  spec.code = code;
  for (const CommandField& field : fields) spec.parameters[spec.parameterCount++] = field;
  return spec;
}

CommandSpec query(uint8_t code, uint8_t replyCode, std::initializer_list<CommandField> fields,
                  Reply reply = Reply::Plain) {
  CommandSpec spec = send(code, {});
  spec.reply = reply;
  spec.replyCode = replyCode;
  for (const CommandField& field : fields) spec.replyFields[spec.replyFieldCount++] = field;
  return spec;
}

CommandSpec decidedByHostAck(CommandSpec spec) {
  spec.hostAckDecides = true;
  return spec;
}

constexpr std::initializer_list<CommandField> kChannelFields = {{8, 2}, {10, 2}, {12, 2}, {14, 2}, {16, 2}, {18, 2}};
// The kind byte at 10 goes first, then the 16-bit values.
constexpr std::initializer_list<CommandField> kNetworkPidFields = {{10, 1}, {8, 2}, {12, 2}, {14, 2}, {16, 2}};

const std::array<CommandSpec, kLastCommand + 1>& table() {
  static const std::array<CommandSpec, kLastCommand + 1> specs = [] {
    std::array<CommandSpec, kLastCommand + 1> t{};
    t[CMD_TUNE] = send(CMD_TUNE, {{8, 4}, {12, 4}, {16, 4}, {20, 1}, {21, 1}, {22, 1}, {23, 1}, {24, 1}});
    t[CMD_SET_CHANNEL] = send(CMD_SET_CHANNEL, kChannelFields);
    t[CMD_STOP_CHANNEL] = send(CMD_STOP_CHANNEL, kChannelFields);
    t[CMD_SET_NETWORK_PID] = send(CMD_SET_NETWORK_PID, kNetworkPidFields);
    t[CMD_RELEASE_NETWORK_PID] = send(CMD_RELEASE_NETWORK_PID, kNetworkPidFields);
    t[CMD_SET_IP_ADDRESS] = send(CMD_SET_IP_ADDRESS, {{8, 1}, {9, 1}, {10, 1}, {11, 1}});
    t[CMD_GET_TUNER_INFO] =
        query(CMD_GET_TUNER_INFO, REPLY_TUNER_INFO, {{8, 1}, {9, 1}, {10, 1}, {11, 1}}, Reply::TunerInfo);
    t[CMD_GET_VIDEO_MODE] = query(CMD_GET_VIDEO_MODE, REPLY_VIDEO_MODE, {{8, 1}});
    t[CMD_GET_STATUS_BYTE] = query(CMD_GET_STATUS_BYTE, REPLY_STATUS_BYTE, {{8, 1}});
    t[CMD_SEARCH_CANCEL] = send(CMD_SEARCH_CANCEL, {});
    t[CMD_QUERY_3BYTES] = query(CMD_QUERY_3BYTES, REPLY_3BYTES, {{8, 1}, {9, 1}, {10, 1}});
    t[CMD_SET_AUDIO_CONTROL] = send(CMD_SET_AUDIO_CONTROL, {{8, 1}, {9, 1}, {10, 1}});
    t[CMD_QUERY_2DWORDS] = query(CMD_QUERY_2DWORDS, REPLY_2DWORDS, {{8, 4}, {12, 4}});
    t[CMD_SET_FILTER_MODE] = send(CMD_SET_FILTER_MODE, {{8, 1}});
    t[CMD_GET_EVENT] = query(CMD_GET_EVENT, REPLY_EVENT, {{8, 1}});
    t[CMD_GET_FIRMWARE_VERSION] = query(CMD_GET_FIRMWARE_VERSION, REPLY_FIRMWARE_VERSION, {{8, 1}, {9, 1}});
    t[CMD_OPEN_CLIENT] = send(CMD_OPEN_CLIENT, {{8, 1}});
    t[CMD_CLOSE_CLIENT] = send(CMD_CLOSE_CLIENT, {{8, 1}});
    t[CMD_SET_AUDIO_PID] = send(CMD_SET_AUDIO_PID, {{8, 2}});
    t[CMD_RELEASE_ALL_PIDS] = send(CMD_RELEASE_ALL_PIDS, {});
    t[CMD_GET_SEARCH_STATUS] = decidedByHostAck(query(CMD_GET_SEARCH_STATUS, REPLY_SEARCH_STATUS, {{8, 1}}));
    t[CMD_START_SEARCH] = send(CMD_START_SEARCH, {});
    return t;
  }();
  return specs;
}

}  // namespace

uint16_t CommandSpec::parameterLength() const {
  uint16_t length = 0;
  for (uint8_t i = 0; i < parameterCount; ++i) length = uint16_t(length + parameters[i].width);
  return length;
}

uint16_t CommandSpec::replyLength() const {
  uint16_t length = 0;
  for (uint8_t i = 0; i < replyFieldCount; ++i) length = uint16_t(length + replyFields[i].width);
  return length;
}

const CommandSpec* CommandTable::find(uint8_t code) {
  if (code < kFirstCommand || code > kLastCommand) return nullptr;
  const CommandSpec& spec = table()[code];
  return spec.code == code ? &spec : nullptr;
}

}  // namespace cv7::core
