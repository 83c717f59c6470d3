#include "PsiBuilder.h"

#include <algorithm>
#include <string>

#include "Crc32.h"

namespace cv7::sim {

namespace {

void put16(std::vector<uint8_t>& out, uint32_t value) {
  out.push_back(uint8_t(value >> 8));
  out.push_back(uint8_t(value));
}

bool isVideo(uint8_t type) { return type == 0x01 || type == kStreamMpeg2Video || type == 0x1B; }
bool isAudio(uint8_t type) { return type == kStreamMpeg1Audio || type == kStreamMpeg2Audio || type == 0x0F; }

// DVB strings: plain ISO 6937 for ASCII text, cut to what a length byte can say.
std::vector<uint8_t> dvbString(const std::string& text, size_t limit) {
  std::vector<uint8_t> out(text.begin(), text.begin() + std::min(text.size(), limit));
  return out;
}

}  // namespace

PsiBuilder::Section PsiBuilder::longSection(uint8_t tableId, uint16_t extension, uint8_t version, uint8_t number,
                                            uint8_t lastNumber, const std::vector<uint8_t>& body) {
  size_t sectionLength = 5 + body.size() + 4;
  Section s;
  s.reserve(3 + sectionLength);
  s.push_back(tableId);
  s.push_back(uint8_t(0xB0 | ((sectionLength >> 8) & 0x0F)));
  s.push_back(uint8_t(sectionLength));
  put16(s, extension);
  s.push_back(uint8_t(0xC0 | ((version & 0x1F) << 1) | 0x01));
  s.push_back(number);
  s.push_back(lastNumber);
  s.insert(s.end(), body.begin(), body.end());
  uint32_t crc = crc32Mpeg2(s);
  put16(s, crc >> 16);
  put16(s, crc & 0xFFFF);
  return s;
}

std::vector<PsiBuilder::Section> PsiBuilder::split(uint8_t tableId, uint16_t extension, uint8_t version,
                                                   const std::vector<uint8_t>& head,
                                                   const std::vector<std::vector<uint8_t>>& items) {
  const size_t room = kMaxSectionLength - 9 - head.size();
  std::vector<std::vector<uint8_t>> bodies(1, head);
  for (const auto& item : items) {
    if (bodies.back().size() - head.size() + item.size() > room && bodies.back().size() > head.size()) {
      bodies.push_back(head);
    }
    bodies.back().insert(bodies.back().end(), item.begin(), item.end());
  }
  std::vector<Section> sections;
  uint8_t last = uint8_t(std::min<size_t>(bodies.size() - 1, 255));
  for (size_t i = 0; i < bodies.size() && i <= 255; ++i) {
    sections.push_back(longSection(tableId, extension, version, uint8_t(i), last, bodies[i]));
  }
  return sections;
}

std::vector<PsiBuilder::Section> PsiBuilder::pat(const TransportStreamConfig& config, uint8_t version) {
  std::vector<std::vector<uint8_t>> items;
  for (const auto& service : config.services) {
    std::vector<uint8_t> item;
    put16(item, service.programNumber);
    put16(item, 0xE000 | (service.pmtPid & 0x1FFF));
    items.push_back(item);
  }
  return split(kPatTableId, config.transportStreamId, version, {}, items);
}

std::vector<PsiBuilder::Section> PsiBuilder::pmt(const ServiceConfig& service, uint8_t version) {
  std::vector<uint8_t> body;
  put16(body, 0xE000 | (service.pcrPid & 0x1FFF));
  std::vector<uint8_t> programInfo;
  if (service.scrambled) {
    programInfo = {kCaDescriptorTag, 4, uint8_t(kCaSystemId >> 8), uint8_t(kCaSystemId & 0xFF),
                   uint8_t(0xE0 | (kCaPid >> 8)), uint8_t(kCaPid & 0xFF)};
  }
  put16(body, 0xF000 | programInfo.size());
  body.insert(body.end(), programInfo.begin(), programInfo.end());
  for (const auto& es : service.streams) {
    body.push_back(es.streamType);
    put16(body, 0xE000 | (es.pid & 0x1FFF));
    put16(body, 0xF000);
  }
  // A PMT describes one program and is carried in a single section.
  return {longSection(kPmtTableId, service.programNumber, version, 0, 0, body)};
}

uint8_t PsiBuilder::serviceType(const ServiceConfig& service) {
  bool video = false, audio = false;
  for (const auto& es : service.streams) {
    video = video || isVideo(es.streamType);
    audio = audio || isAudio(es.streamType);
  }
  return video ? 0x01 : (audio ? 0x02 : 0x0C);
}

std::vector<PsiBuilder::Section> PsiBuilder::sdt(const TransportStreamConfig& config, uint8_t version) {
  std::vector<uint8_t> head;
  put16(head, config.originalNetworkId);
  head.push_back(0xFF);  // reserved_future_use
  std::vector<std::vector<uint8_t>> items;
  for (const auto& service : config.services) {
    auto provider = dvbString(service.provider, 80);
    auto name = dvbString(service.name, 80);
    std::vector<uint8_t> descriptor = {kServiceDescriptorTag, uint8_t(3 + provider.size() + name.size()),
                                       serviceType(service), uint8_t(provider.size())};
    descriptor.insert(descriptor.end(), provider.begin(), provider.end());
    descriptor.push_back(uint8_t(name.size()));
    descriptor.insert(descriptor.end(), name.begin(), name.end());
    std::vector<uint8_t> item;
    put16(item, service.programNumber);
    item.push_back(0xFC);  // no EIT schedule, no EIT present/following
    uint32_t runningRunning = 4;
    put16(item, (runningRunning << 13) | (service.scrambled ? 0x1000 : 0) | descriptor.size());
    item.insert(item.end(), descriptor.begin(), descriptor.end());
    items.push_back(item);
  }
  return split(kSdtActualTableId, config.transportStreamId, version, head, items);
}

}  // namespace cv7::sim
