// Write speed of a 1 GB session as a packed experiment and as one binary
// wave file per wave, next to `cat` of the written packed experiment in the
// same run (both go through the page cache, so they compare directly).
// The session is 64 float32 waves of 4 million points in 4 data folders,
// with notes and variables; bytes processed are the bytes written (or read
// by cat).  KWT_BENCH_DIR says where the files go (default /tmp); they are
// removed at the end.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "workbench/export/pxp.h"
#include "workbench/workbench.h"

namespace {

constexpr int kFolders = 4;
constexpr int kWavesPerFolder = 16;
constexpr int64_t kPoints = 4 << 20;

std::string Dir() {
  const char* d = std::getenv("KWT_BENCH_DIR");
  return std::string(d != nullptr ? d : "/tmp") + "/kwt-save-bench";
}

// One session for the whole run, built on first use, every page touched.
kwt::Workbench& Session() {
  static std::unique_ptr<kwt::Workbench> wb;
  if (wb) return *wb;
  wb = std::make_unique<kwt::Workbench>(kwt::Workbench::Options{"/tmp/kwt-bench-prefs.bin", false});
  for (int f = 0; f < kFolders; ++f) {
    wb->Run("SetDataFolder root:; NewDataFolder/O/S cell" + std::to_string(f));
    wb->Run("Variable/G kwtActGroup = " + std::to_string(f) + "; String/G stimString = \"IV\"");
    for (int i = 0; i < kWavesPerFolder; ++i) {
      kwt::WaveHandle w = nullptr;
      if (wb->MakeWave(&w, "Pulse_1_" + std::to_string(i), kPoints, kwt::kWaveFloat32, true) != 0) {
        std::fprintf(stderr, "cannot make the session's waves\n");
        std::abort();
      }
      float* data = reinterpret_cast<float*>(w->samples.data());
      for (int64_t p = 0; p < kPoints; ++p) data[p] = static_cast<float>((p + i) % 4093) * 1e-12f;
      w->dims[0].delta = 2e-5;
      w->dims[0].units = "s";
      w->dataUnits = "A";
      w->note = "Sweep " + std::to_string(i) + "\rAmplifier gain: 10 mV/pA\r";
    }
  }
  std::filesystem::create_directories(Dir());
  return *wb;
}

uint64_t FileBytes(const std::string& path) {
  std::error_code ec;
  const auto n = std::filesystem::file_size(path, ec);
  return ec ? 0 : n;
}

void BM_SavePxp(benchmark::State& state) {
  kwt::Workbench& wb = Session();
  const std::string path = Dir() + "/session.pxp";
  std::string error;
  for (auto _ : state) {
    if (!kwt::SavePxp(wb, path, &error)) state.SkipWithError(error.c_str());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * FileBytes(path)));
}

void BM_SaveIbwFiles(benchmark::State& state) {
  kwt::Workbench& wb = Session();
  std::string error;
  for (auto _ : state) {
    if (!kwt::SaveIbwFiles(wb, Dir() + "/ibw/", &error)) state.SkipWithError(error.c_str());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kFolders * kWavesPerFolder *
                          kPoints * 4);
}

// cat of the packed experiment just written (in the page cache).
void BM_CatOfThePxp(benchmark::State& state) {
  Session();
  const std::string path = Dir() + "/session.pxp";
  const std::string command = "cat '" + path + "' > /dev/null";
  for (auto _ : state) {
    if (std::system(command.c_str()) != 0) state.SkipWithError("cat failed");
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * FileBytes(path)));
}

BENCHMARK(BM_SavePxp)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_SaveIbwFiles)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_CatOfThePxp)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

}  // namespace

// The written gigabytes go again when the run ends.
int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::error_code ec;
  std::filesystem::remove_all(Dir(), ec);
  return 0;
}
