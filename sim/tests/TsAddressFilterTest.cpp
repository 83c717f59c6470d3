// The card's IP and MAC filter modes on MPE and stuffed entries.
#include "ts/AddressFilter.h"

#include <gtest/gtest.h>

#include <vector>

namespace cv7::sim {
namespace {

struct Collect : EntrySink {
  std::vector<RingEntry> entries;
  void submit(const EntryView& e) override { entries.push_back(RingEntry::copyOf(e)); }
};

// Appends bytes one by one (no range inserts into small vectors).
void append(std::vector<uint8_t>& to, std::initializer_list<uint8_t> bytes) {
  for (uint8_t b : bytes) to.push_back(b);
}

// An MPE section to a MAC and an IPv4 destination (no LLC/SNAP unless asked).
RingEntry mpe(std::array<uint8_t, 6> mac, std::array<uint8_t, 4> ip, bool llcSnap = false) {
  std::vector<uint8_t> s;
  s.reserve(64);
  append(s, {0x3E, 0xB0, 0, mac[5], mac[4], uint8_t(llcSnap ? 0xC3 : 0xC1), 0, 0, mac[3], mac[2], mac[1], mac[0]});
  if (llcSnap) append(s, {0xAA, 0xAA, 0x03, 0, 0, 0, 0x08, 0x00});
  for (size_t i = 0; i < 28; ++i) s.push_back(i == 0 ? 0x45 : (i >= 16 && i < 20) ? ip[i - 16] : 0);
  append(s, {0, 0, 0, 0});
  return RingEntry{0x500, 3, s};
}

RingEntry stuffed(std::array<uint8_t, 4> ip) {
  std::vector<uint8_t> p;
  p.reserve(64);
  append(p, {0, 0, 1, 0xBD, 0, 0, 0x80, 0, 0});
  // The datagram's first 20 bytes with one escaped byte (0x7D) before the address.
  for (size_t i = 0; i < 20; ++i) {
    uint8_t b = i == 0 ? 0x45 : (i >= 16) ? ip[i - 16] : (i == 2 ? 0x7D : 0);
    if (b == 0x7D) {
      append(p, {0x7D, 0x0D});
    } else {
      p.push_back(b);
    }
  }
  for (int i = 0; i < 8; ++i) p.push_back(0);
  p.push_back(0x7E);
  return RingEntry{0x520, 5, p};
}

TEST(AddressFilter, ModesPassWhatTheyAreMeantTo) {
  Collect out;
  AddressFilter filter(out);
  const std::array<uint8_t, 6> station{0, 0, 0x5F, 0x63, 0x6A, 1};
  const std::array<uint8_t, 6> group{1, 0, 0x5E, 1, 2, 3};
  AddressFilterSettings settings{0, {192, 0, 2, 7}, station, {group}};
  auto feed = [&](uint8_t mode) {
    settings.mode = mode;
    filter.setSettings(settings);
    out.entries.clear();
    filter.submit(mpe(station, {192, 0, 2, 7}).view());     // to us
    filter.submit(mpe(station, {192, 0, 2, 8}, true).view()); // our MAC, another IP
    filter.submit(mpe(group, {239, 1, 2, 3}).view());       // a joined group
    filter.submit(mpe({1, 0, 0x5E, 9, 9, 9}, {239, 9, 9, 9}).view());  // a group not joined
    filter.submit(stuffed({192, 0, 2, 8}).view());          // stuffed, another IP
    filter.submit(RingEntry{0x400, 10, std::vector<uint8_t>(188, 0x47)}.view());  // raw: always
    return out.entries.size();
  };
  EXPECT_EQ(feed(0), 6u);
  EXPECT_EQ(feed(1), 4u);  // our IP, both multicast sections, the raw entry
  EXPECT_EQ(feed(2), 4u);  // our MAC twice, the joined group, the raw entry
  EXPECT_EQ(filter.filtered(), 4u);
}

}  // namespace
}  // namespace cv7::sim
