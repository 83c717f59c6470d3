// Writing and reading a full satellite data file: 100 transponders, each with 99 programs
// and 99 data services (about 830 KB). Prints times, throughput and the process's peak
// resident memory.
#include <stdlib.h>
#include <sys/resource.h>
#include <unistd.h>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "corvane.h"

namespace {

constexpr uint32_t kTransponders = 100;
constexpr uint32_t kEntries = 99;
constexpr int64_t kFileBytes = 62 + kTransponders * (28 + kEntries * (64 + 20));

const std::string& benchPath() {
  static const std::string path = [] {
    char name[] = "/tmp/cv7-bench-cvd-XXXXXX";
    int fd = mkstemp(name);
    if (fd >= 0) close(fd);
    return std::string(name);
  }();
  return path;
}

double peakResidentKiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss);
}

void fillDatabase() {
  Cvn_FreeTransponderStructure();
  LnbInfo lnb{};
  std::strcpy(lnb.SatelliteName, "Bench");
  Cvn_SetNewLNBInformation(lnb);
  for (uint32_t t = 0; t < kTransponders; ++t) {
    TrInfo tr{};
    tr.Frequency = 10700000 + t * 5000;
    tr.SymbolRate = 27500;
    tr.Polarity = t % 2;
    Cvn_AddTransponder(&tr);
    for (uint32_t j = 0; j < kEntries; ++j) {
      ProgramInfo p{};
      p.VideoPID = static_cast<uint16_t>(0x100 + j);
      p.AudioPIDCount = 2;
      std::snprintf(p.ProgramName, sizeof p.ProgramName, "Program %u", j);
      Cvn_AddProgram(tr.TransponderNumber, &p);
      DataInfo d{};
      d.DataPID = static_cast<uint16_t>(0x1000 + j);
      d.Encapsulation = 3;
      Cvn_AddData(tr.TransponderNumber, &d);
    }
  }
}

void BM_BuildDatabase(benchmark::State& state) {
  for (auto _ : state) fillDatabase();
  state.counters["peak_rss_KiB"] = peakResidentKiB();
}

void BM_WriteSatelliteFile(benchmark::State& state) {
  fillDatabase();
  for (auto _ : state) {
    if (Cvn_ChannelFileCreate(benchPath().c_str()) != 1 || Cvn_ChannelFileWrite() != 1) {
      state.SkipWithError("write failed");
      break;
    }
    Cvn_ChannelFileClose();
  }
  state.SetBytesProcessed(state.iterations() * kFileBytes);
  state.counters["file_bytes"] = static_cast<double>(kFileBytes);
  state.counters["peak_rss_KiB"] = peakResidentKiB();
}

void BM_ReadSatelliteFile(benchmark::State& state) {
  fillDatabase();
  Cvn_ChannelFileCreate(benchPath().c_str());
  Cvn_ChannelFileWrite();
  Cvn_ChannelFileClose();
  for (auto _ : state) {
    if (Cvn_ChannelFileOpen(benchPath().c_str()) != FILE_OPEN_OK || Cvn_ChannelFileRead() != 1) {
      state.SkipWithError("read failed");
      break;
    }
    Cvn_ChannelFileClose();
  }
  state.SetBytesProcessed(state.iterations() * kFileBytes);
  state.counters["transponders"] = Cvn_GetNumOfTransponder();
  state.counters["peak_rss_KiB"] = peakResidentKiB();
}

BENCHMARK(BM_BuildDatabase)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteSatelliteFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadSatelliteFile)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  unlink(benchPath().c_str());
  return 0;
}
