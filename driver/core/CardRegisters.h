// Register map of the card, shared by the driver core and the card model so the two can
// never disagree about an offset or a bit. All registers are 32 bits wide.
#pragma once
#include <cstdint>

namespace cv7::regs {

// ---- Main register window (offsets from the mapped base of the memory range) ----
inline constexpr uint32_t kSetup44 = 0x44;           // set-up: OR 0x200000C0 at start
inline constexpr uint32_t kSetup48 = 0x48;           // set-up: OR 0x00A3CFC0, then clear bit 17
inline constexpr uint32_t kIntStatus = 0x4C;         // interrupt status
inline constexpr uint32_t kIntEnable = 0x50;         // interrupt enable
inline constexpr uint32_t kRingAddress = 0x54;       // physical address of the receive ring
inline constexpr uint32_t kPageListAddress = 0x58;   // physical address of the page list
inline constexpr uint32_t kDma5C = 0x5C;             // written 0x2000 at start of reception
inline constexpr uint32_t kDmaControl = 0x60;        // DMA control
inline constexpr uint32_t kSetup240 = 0x240;         // 0xB3 at start
inline constexpr uint32_t kSetup244 = 0x244;         // 0 at start
inline constexpr uint32_t kSetup248 = 0x248;         // 0x80 at start

inline constexpr uint32_t kSetup44Bits = 0x200000C0;
inline constexpr uint32_t kSetup48Bits = 0x00A3CFC0;
inline constexpr uint32_t kSetup48Bit17 = 0x00020000;
inline constexpr uint32_t kSetup48ReceiveBit = 0x10;  // bit 4, set at start of reception

// kIntStatus bits
inline constexpr uint32_t kIntStatusCard = 0x800;   // bit 11: card interrupt, details in the mailbox window
inline constexpr uint32_t kIntStatusOther = 0x80;   // bit 7: other source

// kIntEnable bits
inline constexpr uint32_t kIntEnableCard = 0x800;
inline constexpr uint32_t kIntEnableStopMask = (1u << 15) | (1u << 21) | (1u << 22);

// kDmaControl bits
inline constexpr uint32_t kDmaPulseBits = (1u << 12) | (1u << 13);      // pulsed at start
inline constexpr uint32_t kDmaRunBits = (1u << 14) | (1u << 15) | (1u << 16);  // 0x1C000
inline constexpr uint32_t kDmaBit14 = 1u << 14;
inline constexpr uint32_t kDmaBit15 = 1u << 15;
inline constexpr uint32_t kDmaBit16 = 1u << 16;

inline constexpr uint32_t kDma5CValue = 0x2000;

// ---- Mailbox window (offsets from mapped base + kMailboxWindow) ----
inline constexpr uint32_t kMailboxWindow = 0x80000;
inline constexpr uint32_t kMailboxData = 0x00;     // one data byte in bits 0..7
inline constexpr uint32_t kMailboxControl = 0x08;  // bits 0..3 handshake, bit 6 command mark, bit 7 irq
inline constexpr uint32_t kDmaStatus = 0x10;       // bit 7: a receive block was written

inline constexpr uint32_t kHandshakeMask = 0x0F;
inline constexpr uint32_t kHandshakeIdle = 0x0F;     // last byte taken
inline constexpr uint32_t kHandshakeWaiting = 0x00;  // a byte waits in MailboxData
inline constexpr uint32_t kHandshakeReadMode = 0x03; // host asks for a reply
inline constexpr uint32_t kMailboxCommandMark = 0x40;
inline constexpr uint32_t kMailboxInterrupt = 0x80;
inline constexpr uint32_t kDmaStatusBlock = 0x80;

// ---- Receive ring in shared memory ----
inline constexpr uint32_t kSharedMemorySize = 0x9000;
inline constexpr uint32_t kRingBlocks = 128;
inline constexpr uint32_t kRingBlockSize = 256;
inline constexpr uint32_t kRingSize = kRingBlocks * kRingBlockSize;  // 0x8000
inline constexpr uint32_t kPageListOffset = 0x8000;
inline constexpr uint32_t kPageListEntries = 7;
inline constexpr uint16_t kFillerPid = 0x2000;
inline constexpr uint16_t kKindPadBit = 0x8000;

// ---- PCI identity ----
inline constexpr uint16_t kPciVendor = 0x11D1;
inline constexpr uint16_t kPciDevice = 0x01F8;
inline constexpr uint32_t kPciConfigSize = 256;
inline constexpr uint32_t kPciSlots = 10;  // the driver searches slots 0..9

}  // namespace cv7::regs
