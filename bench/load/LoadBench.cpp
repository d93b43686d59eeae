// Load time of a 2048 x 2048 frame: a 16-bit FITS (read, statistics, star search) and an
// ORV of the same size, plus the parts of a load on their own.

#include <benchmark/benchmark.h>

#include "core/Memory.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>

#include "core/OTrame.h"
#include "core/Utils.h"

namespace {

constexpr int kSide = 2048;

struct Files {
  std::string folder;
  std::string fits;
  std::string orv;
  Files() {
    folder = (std::filesystem::temp_directory_path() / "orvek-bench-load").string() + "/";
    std::filesystem::create_directories(folder);
    fits = folder + "frame2048.fit";
    orv = folder + "frame2048.orv";
    orvek::OTrame f;
    f.Allocate(kSide, kSide);
    uint32_t seed = 1;
    for (int x = 0; x < kSide; ++x) {
      for (int y = 0; y < kSide; ++y) {
        seed = seed * 1664525u + 1013904223u;
        const double dx = x - 1000.3, dy = y - 1200.6;
        f.Px(x, y) = 1000 + (seed >> 24) + 20000 * std::exp(-(dx * dx + dy * dy) / 18.0);
      }
    }
    f.MaxValue = 30000;
    f.SaveFits(fits, 2, 0, 0);
    f.SaveOrv(0, 0, kSide - 1, kSide - 1, orv);
  }
  ~Files() {
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
  }
};

Files& TheFiles() {
  static Files files;
  return files;
}

void BM_LoadFits2048(benchmark::State& state) {
  const std::string path = TheFiles().fits;
  for (auto _ : state) {
    orvek::OTrame f;
    benchmark::DoNotOptimize(f.LoadFile(path).ok());
  }
  state.SetBytesProcessed(state.iterations() * int64_t{kSide} * kSide * 2);
}
BENCHMARK(BM_LoadFits2048)->Unit(benchmark::kMillisecond);

void BM_LoadOrv2048(benchmark::State& state) {
  const std::string path = TheFiles().orv;
  for (auto _ : state) {
    orvek::OTrame f;
    benchmark::DoNotOptimize(f.LoadFile(path).ok());
  }
  state.SetBytesProcessed(state.iterations() * int64_t{kSide} * kSide * 10);
}
BENCHMARK(BM_LoadOrv2048)->Unit(benchmark::kMillisecond);

void BM_FindStar2048(benchmark::State& state) {
  orvek::OTrame f;
  f.LoadFile(TheFiles().orv);
  for (auto _ : state) {
    orvek::rStarPos r;
    f.FindStar(orvek::Point(0, 0), orvek::Point(f.LastX, f.LastY), r);
    benchmark::DoNotOptimize(r.Value);
  }
}
BENCHMARK(BM_FindStar2048)->Unit(benchmark::kMillisecond);

void BM_Render2048(benchmark::State& state) {
  orvek::OTrame f;
  f.LoadFile(TheFiles().orv);
  for (auto _ : state) {
    orvek::Raster r = f.Render(false, false, 10, 1000, 5000);
    benchmark::DoNotOptimize(r.bgr.data());
  }
}
BENCHMARK(BM_Render2048)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  orvek::PrepareMemoryForFrames();  // as the programs do
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
