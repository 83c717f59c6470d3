// Adapter start, halt, reset and shutdown.
#include <new>

#include "CardRegisters.h"
#include "FirmwareDownload.h"
#include "Miniport.h"
#include "ReceivePath.h"

namespace cv7::core {

namespace {

constexpr uint32_t kBusTypePci = 5;
constexpr uint32_t kMapRegisters = 10;
constexpr uint32_t kMaxMapping = 0x9000;
// The mailbox window must lie inside the memory range.
constexpr uint32_t kMinimumMemoryLength = regs::kMailboxWindow + regs::kDmaStatus + 4;

uint16_t le16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }

}  // namespace

Status Miniport::initialize(const uint32_t* media, uint32_t mediumCount, uint32_t& selectedIndex) {
  uint32_t medium = 0;
  while (medium < mediumCount && media[medium] != kMedium802_3) ++medium;
  if (medium == mediumCount) return NDIS_STATUS_UNSUPPORTED_MEDIA;
  selectedIndex = medium;

  void* memory = platform_.allocateMemory(sizeof(AdapterContext));
  if (memory == nullptr) return NDIS_STATUS_FAILURE;
  auto* adapter = new (memory) AdapterContext();
  adapter->busType = kBusTypePci;
  adapter->busNumber = 0;
  auto discard = [&](Status status) {
    releaseAdapterResources(*adapter);
    return status;
  };

  if (Status status = findCard(*adapter); status != NDIS_STATUS_SUCCESS) return discard(status);
  adapter->maxMulticastList = kMaxMulticastList;
  adapter->currentLookahead = 1500;

  if (Status status = platform_.mapIoSpace(adapter->memoryStart, adapter->memoryLength, adapter->registers);
      status != NDIS_STATUS_SUCCESS) {
    adapter->registers = nullptr;
    return discard(status);
  }
  state_.registerWindowLength = adapter->memoryLength;
  state_.registerBaseToken = uint32_t(adapter->memoryStart);
  state_.registers = adapter->registers;

  adapter->pidTableCopy.clear();
  state_.pidTable.clear();
  if (Status status = allocateDmaResources(*adapter); status != NDIS_STATUS_SUCCESS) return discard(status);

  adapter->rx.ringBase = adapter->shared.virt;
  platform_.initializeTimer(TimerId::Multicast);
  writeSetupRegisters(*adapter);
  adapter->setupWritten = true;

  if (!FirmwareDownload(platform_, *adapter->registers).load() || !channel_.readStationAddress(adapter->permanentAddress)) {
    platform_.writeErrorLogEntry(NDIS_ERROR_CODE_ADAPTER_NOT_FOUND);
    return discard(NDIS_STATUS_ADAPTER_NOT_FOUND);
  }
  adapter->currentAddress = adapter->permanentAddress;
  for (size_t i = 0; i < 6; ++i) state_.stationAddress[i] = adapter->permanentAddress[i];

  adapter->next = adapters_;
  adapters_ = adapter;

  Status status = platform_.registerInterrupt(adapter->interruptVector, adapter->interruptVector, true);
  if (status != NDIS_STATUS_SUCCESS) {
    platform_.writeErrorLogEntry(NDIS_ERROR_CODE_INTERRUPT_CONNECT);
    removeFromAdapterList(adapter);
    return discard(status);
  }
  adapter->interruptRegistered = true;
  platform_.registerShutdownHandler();
  ReceivePath(platform_, state_, *adapter).startReception();
  return NDIS_STATUS_SUCCESS;
}

// Searches slots 0..9 for the card and takes the resources of the first slot that holds it.
Status Miniport::findCard(AdapterContext& adapter) {
  auto* config = static_cast<uint8_t*>(platform_.allocateMemory(regs::kPciConfigSize));
  if (config == nullptr) return NDIS_STATUS_FAILURE;
  Status status = NDIS_STATUS_ADAPTER_NOT_FOUND;  // no card in any slot
  for (uint32_t slot = 0; slot < regs::kPciSlots; ++slot) {
    if (platform_.readPciSlot(slot, config, regs::kPciConfigSize) < regs::kPciConfigSize) {
      status = NDIS_STATUS_FAILURE;
      break;
    }
    if (le16(config) != regs::kPciVendor || le16(config + 2) != regs::kPciDevice) continue;
    ResourceList resources;
    status = platform_.assignPciResources(slot, resources);
    if (status != NDIS_STATUS_SUCCESS) break;
    adapter.slot = slot;
    for (size_t i = 0; i < resources.count && i < ResourceList::kMax; ++i) {
      const ResourceDescriptor& d = resources.item[i];
      if (d.type == ResourceDescriptor::kInterrupt) adapter.interruptVector = uint8_t(d.level);
      if (d.type == ResourceDescriptor::kMemory) {
        adapter.memoryStart = d.start;
        adapter.memoryLength = d.length;
      }
    }
    // A card whose memory range cannot hold the mailbox window is of no use.
    status = adapter.memoryLength >= kMinimumMemoryLength ? NDIS_STATUS_SUCCESS : NDIS_STATUS_FAILURE;
    adapter.foundCard = status == NDIS_STATUS_SUCCESS;
    break;
  }
  platform_.freeMemory(config, regs::kPciConfigSize);
  return status;
}

Status Miniport::allocateDmaResources(AdapterContext& adapter) {
  if (platform_.allocateMapRegisters(0, kMapRegisters, kMaxMapping) != NDIS_STATUS_SUCCESS) return NDIS_STATUS_FAILURE;
  adapter.mapRegistersAllocated = true;
  if (platform_.allocateSharedMemory(regs::kSharedMemorySize, adapter.shared) != NDIS_STATUS_SUCCESS ||
      adapter.shared.virt == nullptr) {
    adapter.shared = {};
    return NDIS_STATUS_FAILURE;
  }
  adapter.frameBuffer = static_cast<uint8_t*>(platform_.allocateMemory(kFrameBufferSize));
  if (adapter.frameBuffer == nullptr) return NDIS_STATUS_FAILURE;
  adapter.dataRing = static_cast<uint8_t*>(platform_.allocateMemory(ctl::kDataRingSize));
  if (adapter.dataRing == nullptr) return NDIS_STATUS_FAILURE;
  state_.data.ring = adapter.dataRing;
  state_.data.writePosition = 0;
  state_.data.readPosition = 0;
  return NDIS_STATUS_SUCCESS;
}

void Miniport::writeSetupRegisters(AdapterContext& adapter) {
  RegisterWindow& r = *adapter.registers;
  uint32_t v48 = r.read32(regs::kSetup48) | regs::kSetup48Bits;
  r.write32(regs::kSetup48, v48);
  r.write32(regs::kSetup48, v48 & ~regs::kSetup48Bit17);
  r.write32(regs::kSetup44, r.read32(regs::kSetup44) | regs::kSetup44Bits);
  r.write32(regs::kSetup240, 0xB3);
  r.write32(regs::kSetup244, 0);
  r.write32(regs::kSetup248, 0x80);
}

// Releases whatever an adapter start or a halt holds, in the order of the interrupt failure
// path: the 0x48 writes again, shared memory, frame buffer, map registers; then the data
// ring, the register mapping and the context itself.
void Miniport::releaseAdapterResources(AdapterContext& adapter) {
  if (adapter.registers != nullptr && adapter.setupWritten) writeSetupRegisters48Again(adapter);
  if (adapter.shared.virt != nullptr) platform_.freeSharedMemory(adapter.shared);
  if (adapter.frameBuffer != nullptr) platform_.freeMemory(adapter.frameBuffer, kFrameBufferSize);
  if (adapter.mapRegistersAllocated) platform_.freeMapRegisters();
  if (adapter.dataRing != nullptr) {
    if (state_.data.ring == adapter.dataRing) state_.data.ring = nullptr;
    platform_.freeMemory(adapter.dataRing, ctl::kDataRingSize);
  }
  if (adapter.registers != nullptr) {
    if (state_.registers == adapter.registers) {
      state_.registers = nullptr;
      state_.registerWindowLength = 0;
      state_.registerBaseToken = 0;
    }
    platform_.unmapIoSpace(adapter.registers, adapter.memoryLength);
  }
  adapter.~AdapterContext();
  platform_.freeMemory(&adapter, sizeof(AdapterContext));
}

void Miniport::writeSetupRegisters48Again(AdapterContext& adapter) {
  RegisterWindow& r = *adapter.registers;
  uint32_t v48 = r.read32(regs::kSetup48) | regs::kSetup48Bits;
  r.write32(regs::kSetup48, v48);
  r.write32(regs::kSetup48, v48 & ~regs::kSetup48Bit17);
}

void Miniport::removeFromAdapterList(AdapterContext* adapter) {
  for (AdapterContext** link = &adapters_; *link != nullptr; link = &(*link)->next) {
    if (*link == adapter) {
      *link = adapter->next;
      return;
    }
  }
}

// Stop, empty the card's multicast list, restart.
void Miniport::resetSequence(AdapterContext& adapter) {
  ReceivePath receive(platform_, state_, adapter);
  receive.stopReception();
  adapter.multicastCount = 0;
  (void)channel_.setMulticastList(nullptr, 0);
  platform_.stallMicroseconds(200);
  receive.startReception();
}

Status Miniport::reset(bool& addressingReset) {
  addressingReset = false;
  if (adapters_ != nullptr) resetSequence(*adapters_);
  return NDIS_STATUS_SUCCESS;
}

void Miniport::halt() {
  AdapterContext* adapter = adapters_;
  if (adapter == nullptr) return;
  resetSequence(*adapter);
  ReceivePath(platform_, state_, *adapter).stopReception();
  platform_.deregisterShutdownHandler();
  platform_.cancelTimer(TimerId::Multicast);
  if (adapter->interruptRegistered) platform_.deregisterInterrupt();
  adapter->interruptRegistered = false;
  platform_.stallMicroseconds(20);
  removeFromAdapterList(adapter);
  adapter->setupWritten = false;  // halt repeats no set-up writes
  releaseAdapterResources(*adapter);
}

void Miniport::shutdown() {
  AdapterContext* adapter = adapters_;
  if (adapter == nullptr || adapter->registers == nullptr) return;
  RegisterWindow& r = *adapter->registers;
  r.write32(regs::kIntEnable, r.read32(regs::kIntEnable) & ~regs::kIntEnableStopMask);
  ReceivePath(platform_, state_, *adapter).stopReception();
}

}  // namespace cv7::core
