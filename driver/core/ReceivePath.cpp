#include "ReceivePath.h"

#include <algorithm>
#include <cstring>

#include "CardEvents.h"
#include "CardRegisters.h"
#include "Miniport.h"

namespace cv7::core {

namespace {

constexpr uint32_t kCountWrap = 1000;
constexpr uint32_t kPendingReceive = 1u << 0;
constexpr uint32_t kPendingCardEvent = 1u << 1;
constexpr uint32_t kPendingOther = 1u << 2;
constexpr uint32_t kFrameHeader = 14;
constexpr uint32_t kSectionStart = 18;          // the datagram behind the MPE section header
constexpr uint32_t kSectionFlags = 11;          // the section's flags byte in the first block
constexpr uint32_t kMaxSectionCopy = 2100;
constexpr uint32_t kStreamStart = 15;           // the datagram behind the 9-byte PES header
constexpr uint32_t kStreamStop = 1525;
constexpr uint8_t kEscape = 0x7D;
constexpr uint8_t kIpv4 = 0x45;
constexpr uint32_t kMaxIpLength = 1500;
constexpr uint32_t kMinIpLength = 20;           // an IPv4 header without options
constexpr uint32_t kSectionTrailer = 4;         // the CRC (or checksum) that ends a section
constexpr uint8_t kSourceAddress[6] = {0x00, 0x00, 0x5F, 0x63, 0x6A, 0x28};

constexpr auto kRelaxed = std::memory_order_relaxed;
constexpr auto kAcquire = std::memory_order_acquire;
constexpr auto kRelease = std::memory_order_release;

uint16_t le16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }

// Every receive counter has one writer (the deferred routine; droppedResync the interrupt
// routine) and readers that only print it: a relaxed load and store, no locked add.
void tally(std::atomic<uint64_t>& counter, uint64_t n) { counter.store(counter.load(kRelaxed) + n, kRelaxed); }
uint32_t nextCount(uint32_t count) { return count + 1 == kCountWrap ? 0 : count + 1; }

// Output of the byte-stuffed stream into the frame buffer: 0x7D escapes the next byte,
// which is stored with bits 4..6 set.
class StuffedWriter {
 public:
  explicit StuffedWriter(uint8_t* frame) : frame_(frame) {}
  uint32_t size() const { return k_; }
  void put(uint8_t byte) {
    if (k_ < kFrameBufferSize) frame_[k_++] = byte;
  }
  // Scans block[start..limit) copying plain bytes and escape pairs; returns where it stopped.
  uint32_t scan(const uint8_t* block, uint32_t start, uint32_t limit) {
    uint32_t j = start;
    while (j < limit) {
      if (block[j] == kEscape) {
        put(block[j + 1] | 0x70);
        j += 2;
      } else {
        put(block[j]);
        j += 1;
      }
    }
    return j;
  }

 private:
  uint8_t* frame_;
  uint32_t k_ = kFrameHeader;
};

}  // namespace

// ---- Start and stop ----

void ReceivePath::startReception() {
  setReg(regs::kIntEnable, regs::kIntEnableCard);
  uint32_t v = reg(regs::kDmaControl);
  setReg(regs::kDmaControl, v & ~regs::kDmaPulseBits);
  setReg(regs::kDmaControl, v | regs::kDmaPulseBits);
  setReg(regs::kDmaControl, v & ~regs::kDmaPulseBits);
  setReg(regs::kDmaControl, v & ~(regs::kDmaPulseBits | regs::kDmaRunBits));
  setReg(regs::kSetup48, reg(regs::kSetup48) | regs::kSetup48ReceiveBit);

  uint32_t ringPhysical = uint32_t(adapter_.shared.physical);
  setReg(regs::kRingAddress, ringPhysical);
  uint8_t* pageList = adapter_.shared.virt + regs::kPageListOffset;
  for (uint32_t k = 1; k <= regs::kPageListEntries; ++k) {
    uint32_t page = ringPhysical + 0x1000 * k;
    std::memcpy(pageList + 4 * (k - 1), &page, 4);  // little-endian host
  }
  setReg(regs::kPageListAddress, ringPhysical + regs::kPageListOffset);
  setReg(regs::kDma5C, regs::kDma5CValue);

  v = reg(regs::kDmaControl);
  v = (v | regs::kDmaBit16 | regs::kDmaBit15) & ~regs::kDmaBit14;
  setReg(regs::kDmaControl, v);
  setReg(regs::kDmaControl, v | regs::kDmaBit14);
  setReg(regs::kDmaControl, v & ~regs::kDmaBit14);
}

void ReceivePath::stopReception() {
  setReg(regs::kDmaControl, reg(regs::kDmaControl) & ~regs::kDmaRunBits);
  setReg(regs::kIntEnable, reg(regs::kIntEnable) & ~regs::kIntEnableStopMask);
}

// ---- Interrupt routine ----

bool ReceivePath::interruptRoutine() {
  uint32_t status = reg(regs::kIntStatus);
  if (status == 0) return false;
  if (status & regs::kIntStatusCard) {
    uint32_t dma = reg(regs::kMailboxWindow + regs::kDmaStatus);
    if (dma & regs::kDmaStatusBlock) {
      setReg(regs::kMailboxWindow + regs::kDmaStatus, dma & 0x7F);
      producerBlockInterrupt();
    }
    acknowledgeMailboxInterrupt();
    return true;
  }
  if (status & regs::kIntStatusOther) {
    rx_.pending.fetch_or(kPendingOther, kRelaxed);  // a bit with no data behind it
    return true;
  }
  return false;
}

// Under the lock that the command channel takes for its own read-modify-writes, so the
// handshake bits written back are the ones the card shows. Most interrupts are block
// interrupts: a first read without the lock skips it when the mailbox bit is clear (a bit
// raised just after is seen by the interrupt it raises).
void ReceivePath::acknowledgeMailboxInterrupt() {
  if (!(reg(regs::kMailboxWindow + regs::kMailboxControl) & regs::kMailboxInterrupt)) return;
  std::lock_guard guard(state_.mailboxControlLock);
  uint32_t mailbox = reg(regs::kMailboxWindow + regs::kMailboxControl);
  if (mailbox & regs::kMailboxInterrupt) {
    setReg(regs::kMailboxWindow + regs::kMailboxControl, mailbox & 0x7F);
    rx_.pending.fetch_or(kPendingCardEvent, kRelaxed);  // the events live in the card, not in memory shared here
  }
}

// One block interrupt = one entry written. The first one after a start carries no entry.
void ReceivePath::producerBlockInterrupt() {
  // The flag, the producer index and the producer count are written only here.
  if (rx_.firstInterrupt.load(kRelaxed) == 0) {
    rx_.firstInterrupt.store(1, kRelaxed);  // read only here
    return;
  }
  uint32_t producerCount = nextCount(rx_.producerCount.load(kRelaxed));
  // Release: the deferred routine acquires the count and reads the entries up to it.
  rx_.producerCount.store(producerCount, kRelease);
  uint32_t index = rx_.producerIndex.load(kRelaxed);
  uint16_t length = le16(rx_.ringBase + 256 * index + 4);
  index += (uint32_t(length) + 6 + 255) / 256;
  while (index >= regs::kRingBlocks) index -= regs::kRingBlocks;
  rx_.producerIndex.store(index, kRelaxed);  // read only here
  // Acquire both flags: the deferred routine released them after its last consumer writes,
  // so the hand-over below never overlaps them.
  if (rx_.resync.load(kAcquire) == 1 && rx_.busy.load(kAcquire) == 0) {
    // Every entry from the unrecognised one (counted already) to this one is dropped.
    uint32_t skipped = (producerCount + kCountWrap - rx_.consumerCount.load(kRelaxed)) % kCountWrap;
    if (skipped > 1) tally(adapter_.stats.droppedResync, skipped - 1);
    rx_.consumerIndex.store(index, kRelaxed);
    rx_.consumerCount.store(producerCount, kRelaxed);
    rx_.resync.store(0, kRelease);  // publishes the consumer fields above to the deferred routine
  }
  // Release: the deferred routine that finds the bit (acquire) sees the count stored above.
  rx_.pending.fetch_or(kPendingReceive, kRelease);
}

// ---- Deferred routine ----

// A ring that awaits resynchronisation does not hold back the card events.
void ReceivePath::deferredRoutine() {
  uint32_t pending = rx_.pending.load(kAcquire);  // pairs with the interrupt routine's release
  if (pending & kPendingReceive) walkRing();
  if (pending & kPendingCardEvent) {
    rx_.pending.fetch_and(~kPendingCardEvent, kRelaxed);  // an RMW keeps the bits set meanwhile
    signalCardEvents();
  }
  if (pending & kPendingOther) rx_.pending.fetch_and(~kPendingOther, kRelaxed);
}

bool ReceivePath::walkRing() {
  // Relaxed: the interrupt routine hands over only after it acquired busy 0 and resync 1,
  // and this pass touches the consumer fields only after it acquired resync 0.
  rx_.busy.store(1, kRelaxed);
  // The consumer count is written here, or by the hand-over that resync 0 published.
  while (rx_.producerCount.load(kAcquire) != rx_.consumerCount.load(kRelaxed)) {
    if (rx_.resync.load(kAcquire) == 1) {
      rx_.busy.store(0, kRelease);  // the interrupt routine may take over the consumer fields
      return false;
    }
    if (!processEntry()) return false;  // resynchronisation: pending bit and busy stay set
    rx_.consumerCount.store(nextCount(rx_.consumerCount.load(kRelaxed)), kRelaxed);
  }
  rx_.pending.fetch_and(~kPendingReceive, kRelaxed);  // an RMW keeps the bits set meanwhile
  rx_.busy.store(0, kRelease);  // publishes the consumer fields to a later hand-over
  return true;
}

bool ReceivePath::processEntry() {
  const uint8_t* entry = consumerBlock();
  uint16_t pid = le16(entry);
  uint16_t kind = le16(entry + 2);
  uint32_t length = le16(entry + 4);
  Extent extent{(length + 6) / 256, (length + 6) % 256};
  if (isCorrupt(length, kind, extent)) {
    // Consumed as the producer counted it, so the two stay in step.
    tally(adapter_.stats.droppedCorrupt, 1);
    advance(extent.blocks());
    return true;
  }
  if (kind & regs::kKindPadBit) {
    length -= 1;
    kind &= 0x7FFF;
    if (extent.rest > 0) {
      extent.rest -= 1;
    } else if (extent.full > 0) {
      extent.full -= 1;
      extent.rest = 255;
    }
  }
  tally(adapter_.stats.entriesByKind[std::min<uint32_t>(kind, ReceiveStats::kKinds - 1)], 1);
  bool known = tableHas(pid, kind);
  switch (known ? kind : 0) {
    case ctl::kKindMpe:
      if (uint32_t bytes = decapsulateSection(extent, length)) indicate(bytes);
      return true;
    case ctl::kKindStuffedStream:
      if (uint32_t bytes = decapsulateStream(extent)) indicate(bytes);
      return true;
    case ctl::kKindRawPackets:
    case ctl::kKindRawPes:
    case ctl::kKindRawSections:
      if (state_.data.capture.load(kRelaxed) == 0) {  // a flag on its own
        tally(adapter_.stats.skippedCaptureOff, 1);
        advance(extent.blocks());
      } else {
        storeRecord(extent, length);
      }
      return true;
    case 1:
    case 2:
    case 4:
      advance(extent.blocks());
      return true;
    default:
      if (pid == regs::kFillerPid) {
        tally(adapter_.stats.fillerEntries, 1);
        advanceOne();
        return true;
      }
      tally(adapter_.stats.droppedUnrecognised, 1);
      tally(adapter_.stats.resynchronisations, 1);
      rx_.resync.store(1, kRelease);  // the interrupt routine that acquires it sees busy 1 at least
      return false;
  }
}

// A pad byte in an entry without payload, or an entry longer than the whole ring, cannot
// come from the card's DMA engine.
bool ReceivePath::isCorrupt(uint32_t length, uint16_t kind, const Extent& extent) {
  return ((kind & regs::kKindPadBit) && length == 0) || extent.blocks() > regs::kRingBlocks;
}

bool ReceivePath::tableHas(uint16_t pid, uint16_t kind) const {
  for (const auto& entry : state_.pidTable.entry) {
    uint32_t word = entry.load();
    if (uint16_t(word) == pid && (word >> 16) == kind) return true;
  }
  return false;
}

void ReceivePath::advanceOne() {
  uint32_t index = rx_.consumerIndex.load(kRelaxed) + 1;
  rx_.consumerIndex.store(index == regs::kRingBlocks ? 0 : index, kRelaxed);  // see walkRing
}

void ReceivePath::advance(uint32_t blocks) {
  for (uint32_t i = 0; i < blocks; ++i) advanceOne();
}

// An entry that gave no datagram bytes at all is dropped here, counted like a short one.
uint32_t ReceivePath::given(uint32_t bytes) {
  if (bytes == 0) tally(adapter_.stats.droppedShort, 1);
  return bytes;
}

// ---- Kind 3: multiprotocol-encapsulation sections ----

uint32_t ReceivePath::decapsulateSection(const Extent& extent, uint32_t length) {
  const uint8_t* first = consumerBlock();
  uint32_t n = extent.blocks();
  uint8_t flags = first[kSectionFlags];
  if ((flags & 0x30) || (flags & 0x0C)) {
    tally(adapter_.stats.droppedScrambled, 1);
    advance(n);
    return 0;
  }
  uint32_t start = kSectionStart;
  if (flags & 0x02) {  // LLC/SNAP: the datagram starts at the first 0x45
    while (start < regs::kRingBlockSize && first[start] != kIpv4) ++start;
  }
  if (start >= regs::kRingBlockSize || first[start] != kIpv4) {
    tally(adapter_.stats.droppedNoIpHeader, 1);
    advance(n);
    return 0;
  }
  uint32_t count = 256 * n - start;
  uint32_t index = rx_.consumerIndex.load(kRelaxed);
  uint32_t toEnd = regs::kRingBlocks - index;
  bool copied = count < kMaxSectionCopy && count <= kFrameBufferSize - kFrameHeader;
  if (copied) {
    uint8_t* frame = adapter_.frameBuffer + kFrameHeader;
    if (toEnd < n) {
      uint32_t head = 256 * toEnd - start;
      std::memcpy(frame, first + start, head);
      std::memcpy(frame + head, rx_.ringBase, 256 * (n - toEnd));
    } else {
      std::memcpy(frame, first + start, count);
    }
  } else {
    tally(adapter_.stats.droppedTooLong, 1);
  }
  rx_.consumerIndex.store((index + n) % regs::kRingBlocks, kRelaxed);
  if (!copied) return 0;
  // The blocks were copied whole: only the section's own bytes before its CRC are the datagram's.
  uint32_t sectionEnd = 6 + length;
  return given(sectionEnd > start + kSectionTrailer ? sectionEnd - kSectionTrailer - start : 0);
}

// ---- Kind 5: the byte-stuffed IP stream ----

uint32_t ReceivePath::decapsulateStream(const Extent& extent) {
  const uint8_t* block = consumerBlock();
  if (block[kStreamStart] != kIpv4) {
    tally(adapter_.stats.droppedNoIpHeader, 1);
    advance(extent.blocks());
    return 0;
  }
  StuffedWriter out(adapter_.frameBuffer);
  bool escapePending = false;
  // The last byte of a full block: copied, or an escape into the next block.
  auto lastByte = [&](const uint8_t* b, uint32_t j, uint32_t end) {
    if (j < end) {
      if (b[j] == kEscape) {
        escapePending = true;
      } else {
        out.put(b[j]);
      }
    }
  };
  auto resolveEscape = [&](const uint8_t* b) -> uint32_t {
    if (!escapePending) return 0;
    out.put(b[0] | 0x70);
    escapePending = false;
    return 1;
  };

  uint32_t end = extent.full > 0 ? regs::kRingBlockSize : extent.rest;
  uint32_t j = out.scan(block, kStreamStart, end - 1);
  lastByte(block, j, end);
  advanceOne();
  if (extent.full == 0) return given(out.size() - kFrameHeader);

  bool stopped = false;
  for (uint32_t i = 1; i < extent.full; ++i) {
    block = consumerBlock();
    if (!stopped) {
      uint32_t start = resolveEscape(block);
      j = out.scan(block, start, regs::kRingBlockSize - 1);
      lastByte(block, j, regs::kRingBlockSize);
    }
    advanceOne();
    if (out.size() >= kStreamStop) stopped = true;
  }
  if (extent.rest > 0) {
    block = consumerBlock();
    if (!stopped) {
      uint32_t start = resolveEscape(block);
      out.scan(block, start, extent.rest - 1);
    }
    advanceOne();
  }
  return given(out.size() - kFrameHeader);
}

// ---- Kinds 10..12: raw records into the data ring ----

void ReceivePath::storeRecord(const Extent& extent, uint32_t length) {
  DataPath& data = state_.data;
  const uint32_t size = ctl::kDataRingSize;
  uint32_t need = length + 6;
  uint32_t read = data.readPosition.load(kAcquire);  // the reader released the bytes it read
  uint32_t write = data.writePosition.load(kRelaxed);  // written only here
  uint32_t freeSpace = read == write ? size : (read < write ? size - (write - read) : read - write);
  // The write position is rounded up to even after the copy: that byte must be free too, or
  // the write position would reach the read position and the ring would read as empty.
  uint32_t pad = (write + need) & 1;
  if (data.ring == nullptr || freeSpace <= need + pad) {
    tally(adapter_.stats.droppedDataRingFull, 1);
    advance(extent.blocks());
    return;
  }
  auto copyIn = [&](const uint8_t* source, uint32_t count) {
    uint32_t first = std::min(count, size - write);
    std::memcpy(data.ring + write, source, first);
    std::memcpy(data.ring, source + first, count - first);
    write = (write + count) % size;
  };
  for (uint32_t i = 0; i < extent.full; ++i) {
    copyIn(consumerBlock(), regs::kRingBlockSize);
    advanceOne();
  }
  if (extent.rest > 0) {
    copyIn(consumerBlock(), extent.rest);
    advanceOne();
  }
  if (write & 1) write = (write + 1 == size) ? 0 : write + 1;
  data.writePosition.store(write, kRelease);  // publishes the record to the reader
  tally(adapter_.stats.recordsStored, 1);
  if (data.handle.load() != 0) platform_.signalEvent(data.event.load());
}

// ---- Indication ----

void ReceivePath::indicate(uint32_t available) {
  uint8_t* frame = adapter_.frameBuffer;
  if (frame[14] != kIpv4) {
    tally(adapter_.stats.droppedNoIpHeader, 1);
    return;
  }
  uint32_t total = (uint32_t(frame[16]) << 8) | frame[17];
  if (total > kMaxIpLength) {
    tally(adapter_.stats.droppedTooLong, 1);
    return;
  }
  // The frame buffer still holds the previous datagram behind what this entry gave: an IP
  // length beyond the bytes given would send those up as this datagram's tail.
  if (available < kMinIpLength || total < kMinIpLength || total > available) {
    tally(adapter_.stats.droppedShort, 1);
    return;
  }
  adapter_.frameLength.store(total + kFrameHeader, kRelease);  // TransferData acquires it, then the frame
  uint8_t firstOctet = frame[30];
  if (firstOctet < 224 || firstOctet > 239) {
    std::memcpy(frame, adapter_.permanentAddress.data(), 6);
  } else {
    frame[0] = 0x01;
    frame[1] = 0x00;
    frame[2] = 0x5E;
    frame[3] = frame[31] & 0x7F;
    frame[4] = frame[32];
    frame[5] = frame[33];
  }
  std::memcpy(frame + 6, kSourceAddress, 6);
  frame[12] = 0x08;
  frame[13] = 0x00;
  uint32_t lookahead = std::min(adapter_.currentLookahead.load(kRelaxed), total);  // a value on its own
  tally(adapter_.stats.framesIndicated, 1);
  tally(adapter_.stats.bytesIndicated, total);
  platform_.indicateReceive(frame, frame + kFrameHeader, lookahead, total);
  platform_.indicateReceiveComplete();
}

// ---- Card events ----

void ReceivePath::signalCardEvents() {
  tally(adapter_.stats.cardEvents, 1);
  CardEvents(platform_, state_).signal();
}

// ---- TransferData ----

Status ReceivePath::transferData(uint32_t offset, uint32_t count, PacketBuffer* buffers, uint32_t bufferCount,
                                 uint32_t& bytesTransferred) {
  bytesTransferred = 0;
  uint32_t frameLength = adapter_.frameLength.load(kAcquire);
  uint64_t start = uint64_t(offset) + kFrameHeader;
  if (frameLength < start) return NDIS_STATUS_FAILURE;
  uint32_t available = frameLength - uint32_t(start);
  uint32_t remaining = std::min(count, available);
  const uint8_t* source = adapter_.frameBuffer + start;
  for (uint32_t i = 0; i < bufferCount && remaining > 0; ++i) {
    uint32_t n = std::min(remaining, buffers[i].length);
    std::memcpy(buffers[i].data, source, n);
    source += n;
    remaining -= n;
    bytesTransferred += n;
  }
  return NDIS_STATUS_SUCCESS;
}

}  // namespace cv7::core
