// Serialises the program tables of one transport stream: PAT, one PMT per service and the
// SDT of the actual stream, as long-form sections with their CRC. A table whose entries do
// not fit into one section is split into several (section_number / last_section_number).
#pragma once
#include <cstdint>
#include <vector>

#include "StreamConfig.h"

namespace cv7::sim {

class PsiBuilder {
 public:
  static constexpr uint8_t kPatTableId = 0x00;
  static constexpr uint8_t kPmtTableId = 0x02;
  static constexpr uint8_t kSdtActualTableId = 0x42;
  static constexpr uint8_t kCaDescriptorTag = 0x09;
  static constexpr uint8_t kServiceDescriptorTag = 0x48;
  static constexpr uint16_t kCaSystemId = 0x0B00;
  static constexpr uint16_t kCaPid = 0x1FFE;
  static constexpr size_t kMaxSectionLength = 1021;  // section_length limit of PSI tables

  using Section = std::vector<uint8_t>;

  static std::vector<Section> pat(const TransportStreamConfig& config, uint8_t version = 0);
  static std::vector<Section> pmt(const ServiceConfig& service, uint8_t version = 0);
  static std::vector<Section> sdt(const TransportStreamConfig& config, uint8_t version = 0);

  // DVB service_type from the service's streams: 0x01 TV, 0x02 radio, 0x0C data.
  static uint8_t serviceType(const ServiceConfig& service);

  // A long-form section: table_id, section_syntax_indicator 1, the extension, version,
  // current_next 1, numbers, the body and the CRC-32.
  static Section longSection(uint8_t tableId, uint16_t extension, uint8_t version, uint8_t number,
                             uint8_t lastNumber, const std::vector<uint8_t>& body);

 private:
  // Splits items behind a fixed head into as many sections as needed.
  static std::vector<Section> split(uint8_t tableId, uint16_t extension, uint8_t version,
                                    const std::vector<uint8_t>& head, const std::vector<std::vector<uint8_t>>& items);
};

}  // namespace cv7::sim
