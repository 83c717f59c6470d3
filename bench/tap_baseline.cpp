// The floor for the daemon's CPU: a plain program that writes the frames the daemon would
// write (Ethernet header, IPv4/UDP datagram to a multicast group) to a TAP interface made
// the same way, at a rate, for a time, in steps of 1 ms. Prints frames written, frames the
// kernel refused, and its own CPU-seconds per second.
//   tap-baseline --size BYTES --rate PER_SECOND --seconds S [--name IFNAME] [--ready FILE]
// Needs CAP_NET_ADMIN (run it inside a network namespace). --ready: a file created once the
// interface is up, for a script that then configures it.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "TapInterface.h"
#include "ts/Ipv4Datagram.h"

namespace {

double cpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) * 1e-6;
}

}  // namespace

int main(int argc, char** argv) {
  uint32_t size = 1400, seconds = 10;
  double rate = 1000;
  std::string name = "cv7-0", ready;
  for (int i = 1; i + 1 < argc; i += 2) {
    std::string option = argv[i], value = argv[i + 1];
    if (option == "--size") size = uint32_t(std::stoul(value));
    else if (option == "--rate") rate = std::stod(value);
    else if (option == "--seconds") seconds = uint32_t(std::stoul(value));
    else if (option == "--name") name = value;
    else if (option == "--ready") ready = value;
    else {
      std::fprintf(stderr, "tap-baseline: unknown option %s\n", option.c_str());
      return 2;
    }
  }
  std::string error;
  const std::array<uint8_t, 6> station = {0x00, 0x00, 0x5F, 0x63, 0x6A, 0x01};
  auto tap = cv7::host::TapInterface::create(name, station, error);
  if (!tap) {
    std::fprintf(stderr, "tap-baseline: %s\n", error.c_str());
    return 1;
  }
  if (!ready.empty()) std::ofstream(ready) << "up\n";
  const uint32_t group = 0xEF010203;  // 239.1.2.3:5000
  std::vector<uint8_t> payload(size, 0x5A);
  auto datagram = cv7::sim::Ipv4Datagram::udp({0x0A010101, 4000, group, 5000}, 1, payload);
  if (!datagram) return 2;
  std::vector<uint8_t> frame(14 + datagram->size());
  auto mac = cv7::sim::Ipv4Datagram::multicastMac(group);
  std::memcpy(frame.data(), mac.data(), 6);
  const uint8_t source[6] = {0x00, 0x00, 0x5F, 0x63, 0x6A, 0x28};
  std::memcpy(frame.data() + 6, source, 6);
  frame[12] = 0x08;
  frame[13] = 0x00;
  std::memcpy(frame.data() + 14, datagram->data(), datagram->size());

  double cpu0 = cpuSeconds();
  auto start = std::chrono::steady_clock::now();
  uint64_t written = 0, refused = 0;
  for (uint32_t ms = 1; ms <= seconds * 1000; ++ms) {
    uint64_t due = uint64_t(rate * ms / 1000.0);
    for (; written + refused < due; ) {
      // A fresh copy per frame, as the daemon builds each frame in its buffer.
      std::memcpy(frame.data() + 14, datagram->data(), datagram->size());
      if (tap->write(frame.data(), frame.size())) ++written; else ++refused;
    }
    std::this_thread::sleep_until(start + std::chrono::milliseconds(ms));
  }
  double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("tap-baseline size=%u rate=%.0f written=%llu refused=%llu cpu-s/s=%.4f\n", size, rate,
              static_cast<unsigned long long>(written), static_cast<unsigned long long>(refused),
              (cpuSeconds() - cpu0) / wall);
  return 0;
}
