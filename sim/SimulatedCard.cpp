#include "SimulatedCard.h"

namespace cv7::sim {

struct SimulatedCard::Impl {
  CardConfig config;
  mutable std::mutex lock;
};

SimulatedCard::SimulatedCard(const CardConfig& config, Clock&, HostMemory&, InterruptLine&)
    : impl_(std::make_unique<Impl>()) {
  impl_->config = config;
}
SimulatedCard::~SimulatedCard() = default;
const CardConfig& SimulatedCard::config() const { return impl_->config; }
std::array<uint8_t, 256> SimulatedCard::configSpace() const { return {}; }
uint32_t SimulatedCard::mmioRead(uint32_t) { return 0; }
void SimulatedCard::mmioWrite(uint32_t, uint32_t) {}
void SimulatedCard::setFaults(const CardFaults&) {}
CardFaults SimulatedCard::faults() const { return {}; }
bool SimulatedCard::firmwareRunning() const { return false; }
std::vector<ReceivedCommand> SimulatedCard::receivedCommands() const { return {}; }
void SimulatedCard::clearReceivedCommands() {}
void SimulatedCard::setProgramTablePayload(std::vector<uint8_t>) {}
void SimulatedCard::setTunerInfoReply(std::array<uint8_t, 4>) {}
void SimulatedCard::raiseCardEvent(uint8_t) {}
std::vector<std::array<uint8_t, 6>> SimulatedCard::multicastList() const { return {}; }

}  // namespace cv7::sim
