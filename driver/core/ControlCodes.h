// Control requests of the cv7 control device and the layouts of their buffers.
// Shared by the driver core (dispatcher) and its clients (library, cv7ctl).
// Every field is little-endian; "word" is 32 bits.
#pragma once
#include <cstdint>

namespace cv7::ctl {

inline constexpr uint32_t kDeviceType = 0x17;
inline constexpr uint32_t code(uint32_t function) { return (kDeviceType << 16) | (function << 2); }

inline constexpr uint32_t IOCTL_CV7_GET_INTERFACE_VERSION = 0x172000;
inline constexpr uint32_t IOCTL_CV7_GET_REGISTER_BASE = 0x172004;
inline constexpr uint32_t IOCTL_CV7_WRITE_REGISTER = 0x172008;
inline constexpr uint32_t IOCTL_CV7_READ_REGISTER = 0x17200C;
inline constexpr uint32_t IOCTL_CV7_RESERVED_FIRST = 0x172010;  // 0x172010..0x172034 reserved
inline constexpr uint32_t IOCTL_CV7_RESERVED_LAST = 0x172034;
inline constexpr uint32_t IOCTL_CV7_ADD_PID = 0x172038;
inline constexpr uint32_t IOCTL_CV7_REMOVE_PID = 0x17203C;
inline constexpr uint32_t IOCTL_CV7_SET_IP_ADDRESS = 0x172040;
inline constexpr uint32_t IOCTL_CV7_CLEAR_PIDS = 0x172044;
inline constexpr uint32_t IOCTL_CV7_GET_MAC_ADDRESS = 0x172048;
inline constexpr uint32_t IOCTL_CV7_GET_DRIVER_VERSION = 0x17204C;
inline constexpr uint32_t IOCTL_CV7_OPEN_CLIENT = 0x172050;
inline constexpr uint32_t IOCTL_CV7_CLOSE_CLIENT = 0x172054;
inline constexpr uint32_t IOCTL_CV7_ACQUIRE_CHANNEL = 0x172058;
inline constexpr uint32_t IOCTL_CV7_RELEASE_CHANNEL = 0x17205C;
inline constexpr uint32_t IOCTL_CV7_RESERVED_60 = 0x172060;
inline constexpr uint32_t IOCTL_CV7_RESERVED_64 = 0x172064;
inline constexpr uint32_t IOCTL_CV7_QUERY_CLIENT1_OPEN = 0x172068;
inline constexpr uint32_t IOCTL_CV7_RELEASE_ALL_PIDS = 0x17206C;
inline constexpr uint32_t IOCTL_CV7_RESERVED_70 = 0x172070;
inline constexpr uint32_t IOCTL_CV7_RESERVED_74 = 0x172074;
inline constexpr uint32_t IOCTL_CV7_SEND_COMMAND = 0x172078;
inline constexpr uint32_t IOCTL_CV7_GET_PROGRAM_TABLE = 0x17207C;
inline constexpr uint32_t IOCTL_CV7_OPEN_DATA_PATH = 0x172088;
inline constexpr uint32_t IOCTL_CV7_CLOSE_DATA_PATH = 0x17208C;
inline constexpr uint32_t IOCTL_CV7_ENABLE_DATA_PATH = 0x172090;
inline constexpr uint32_t IOCTL_CV7_GET_DATA_POSITIONS = 0x172094;
inline constexpr uint32_t IOCTL_CV7_SET_DATA_READ_POSITION = 0x172098;
inline constexpr uint32_t IOCTL_CV7_READ_DATA_HEADER = 0x17209C;
inline constexpr uint32_t IOCTL_CV7_READ_DATA = 0x1720A0;
inline constexpr uint32_t IOCTL_CV7_GET_PID_CHANGES = 0x1720A8;

// ---- CommandBlock (32 bytes), IOCTL_CV7_SEND_COMMAND ----
inline constexpr uint32_t kCommandBlockSize = 32;
inline constexpr uint32_t kCommandCodeOffset = 0;    // command code, 2..26
inline constexpr uint32_t kCommandParamOffset = 8;   // parameters in, reply data out (bytes 8..27)
inline constexpr uint32_t kCommandResultOffset = 28; // 16-bit result written by the driver
inline constexpr uint16_t kResultFailure = 0;
inline constexpr uint16_t kResultSuccess = 1;
inline constexpr uint16_t kResultOtherReply = 3;     // data frame with another reply code

// ---- ProgramTable (43972 bytes), IOCTL_CV7_GET_PROGRAM_TABLE ----
inline constexpr uint32_t kProgramTableSize = 43972;
inline constexpr uint32_t kProgramEntrySize = 444;
inline constexpr uint32_t kProgramEntries = 99;
inline constexpr uint32_t kMaxComponents = 99;
inline constexpr uint32_t kTableFirstValue = 0;        // u16: last program's first value (transport stream id)
inline constexpr uint32_t kTableProgramCount = 2;      // u8
inline constexpr uint32_t kEntryComponentCount = 4;    // u8, at i*444 + 4
inline constexpr uint32_t kEntryComponents = 6;        // {u16 kind, u16 PID} at i*444 + 6 + 4j
inline constexpr uint32_t kEntrySecondValue = 402;     // u16 (program number)
inline constexpr uint32_t kEntryAfterAudio = 404;      // u16 (PCR PID)
inline constexpr uint32_t kEntryThirdValue = 408;      // u16 (PMT PID)
inline constexpr uint32_t kEntryScrambled = 410;       // u16, a byte zero-extended
inline constexpr uint32_t kEntryNameLength = 412;      // u8
inline constexpr uint32_t kEntryName = 413;            // name bytes then a zero byte
inline constexpr uint32_t kTableTrailer1 = 43960;      // u32 (frequency)
inline constexpr uint32_t kTableTrailer2 = 43964;      // u32 (symbol rate)
inline constexpr uint32_t kTableResult = 43968;        // u16
// The name and its terminator must end on the entry's last byte.
inline constexpr uint32_t kMaxNameLength = kProgramEntrySize - kEntryName - 1;  // 30

// Component kinds the driver stores.
inline constexpr uint16_t kComponentVideo = 2;
inline constexpr uint16_t kComponentAudio = 3;
inline constexpr uint16_t kComponentPesData = 6;
inline constexpr uint16_t kComponentMpe = 13;

// ---- Data ring ----
inline constexpr uint32_t kDataRingSize = 0x20000;
inline constexpr uint32_t kDataHeaderSize = 6;

// ---- PID filter table ----
inline constexpr uint32_t kPidTableEntries = 16;
inline constexpr uint16_t kPidFree = 0xFFFF;
inline constexpr uint8_t kKindMpe = 3;
inline constexpr uint8_t kKindStuffedStream = 5;
inline constexpr uint8_t kKindRawPackets = 10;
inline constexpr uint8_t kKindRawPes = 11;
inline constexpr uint8_t kKindRawSections = 12;

// ---- PID change report ----
inline constexpr uint32_t kPidChangeListMax = 16;

// Constant answers.
inline constexpr uint32_t kInterfaceVersionMajor = 2;
inline constexpr uint32_t kInterfaceVersionMinor = 0;
inline constexpr uint32_t kDriverVersionMajor = 2;
inline constexpr uint32_t kDriverVersionMinor = 20;

}  // namespace cv7::ctl
