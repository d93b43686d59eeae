// Stacking 200 frames of 512 x 512 16-bit FITS: Orvek's AddList (each frame read with its
// statistics and best star, added, the sum divided, the composite written) against CFITSIO
// reading the same files into doubles and averaging them in plain C++. Both report frames
// per second; the files are made once, in a temporary folder, before either runs.

#include <benchmark/benchmark.h>

#include <fitsio.h>
#include "core/Memory.h"

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "core/OTrame.h"
#include "core/Output.h"
#include "core/Utils.h"
#include "series/Stacking.h"

namespace {

constexpr int kFrames = 200;
constexpr int kSide = 512;

struct Series {
  std::string folder;
  std::vector<std::string> files;

  Series() {
    folder = (std::filesystem::temp_directory_path() / "orvek-bench-stack").string() + "/";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    std::mt19937 random(20240611);
    std::normal_distribution<double> noise(0.0, 12.0);
    orvek::OTrame frame;
    frame.Allocate(kSide, kSide);
    for (int k = 0; k < kFrames; ++k) {
      const double sx = 250.0 + 0.05 * k, sy = 260.0 - 0.03 * k;
      for (int x = 0; x < kSide; ++x) {
        for (int y = 0; y < kSide; ++y) {
          const double r2 = (x - sx) * (x - sx) + (y - sy) * (y - sy);
          frame.Px(x, y) =
              900.0 + noise(random) + 20000.0 * std::exp(-r2 / 4.5) +
              7000.0 *
                  std::exp(-((x - sx - 12) * (x - sx - 12) + (y - sy + 7) * (y - sy + 7)) / 4.5);
        }
      }
      char name[32];
      std::snprintf(name, sizeof name, "f%03d.fit", k + 1);
      files.push_back(folder + name);
      frame.SaveFits(files.back(), 2, 0, 0);
    }
  }
  ~Series() { std::filesystem::remove_all(folder); }
};

const Series& TheSeries() {
  static const Series series;
  return series;
}

void BM_OrvekAddList(benchmark::State& state) {
  const Series& series = TheSeries();
  const std::vector<orvek::SeriesItem> items = orvek::TickedItems(series.files);
  orvek::AddOutput output{orvek::ProgramOutput(series.folder + "out/"), {}};
  for (auto _ : state) {
    const orvek::AddResult r = orvek::AddList(items, orvek::LoadContext{}, output);
    if (!r.status || r.frames != kFrames) state.SkipWithError("AddList failed");
    benchmark::DoNotOptimize(r.frames);
  }
  state.counters["frames_per_second"] = benchmark::Counter(
      static_cast<double>(kFrames), benchmark::Counter::kIsIterationInvariantRate);
}

void BM_CfitsioAverage(benchmark::State& state) {
  const Series& series = TheSeries();
  const size_t n = static_cast<size_t>(kSide) * kSide;
  std::vector<double> sum(n), frame(n);
  for (auto _ : state) {
    std::fill(sum.begin(), sum.end(), 0.0);
    for (const std::string& path : series.files) {
      fitsfile* f = nullptr;
      int status = 0;
      int anynul = 0;
      fits_open_file(&f, path.c_str(), READONLY, &status);
      fits_read_img(f, TDOUBLE, 1, static_cast<LONGLONG>(n), nullptr, frame.data(), &anynul,
                    &status);
      fits_close_file(f, &status);
      if (status != 0) {
        state.SkipWithError("CFITSIO read failed");
        break;
      }
      for (size_t i = 0; i < n; ++i) sum[i] += frame[i];
    }
    for (double& v : sum) v /= kFrames;
    benchmark::DoNotOptimize(sum.data());
  }
  state.counters["frames_per_second"] = benchmark::Counter(
      static_cast<double>(kFrames), benchmark::Counter::kIsIterationInvariantRate);
}

// The same with the sum and the mean in extended precision, the arithmetic Orvek stacks in.
void BM_CfitsioAverageExtended(benchmark::State& state) {
  const Series& series = TheSeries();
  const size_t n = static_cast<size_t>(kSide) * kSide;
  std::vector<long double> sum(n);
  std::vector<double> frame(n);
  for (auto _ : state) {
    std::fill(sum.begin(), sum.end(), 0.0L);
    for (const std::string& path : series.files) {
      fitsfile* f = nullptr;
      int status = 0;
      int anynul = 0;
      fits_open_file(&f, path.c_str(), READONLY, &status);
      fits_read_img(f, TDOUBLE, 1, static_cast<LONGLONG>(n), nullptr, frame.data(), &anynul,
                    &status);
      fits_close_file(f, &status);
      if (status != 0) {
        state.SkipWithError("CFITSIO read failed");
        break;
      }
      for (size_t i = 0; i < n; ++i) sum[i] += frame[i];
    }
    for (long double& v : sum) v /= kFrames;
    benchmark::DoNotOptimize(sum.data());
  }
  state.counters["frames_per_second"] = benchmark::Counter(
      static_cast<double>(kFrames), benchmark::Counter::kIsIterationInvariantRate);
}

// One frame read by Orvek's LoadFile (read, statistics, best star), for the breakdown.
void BM_OrvekLoadFileOneFrame(benchmark::State& state) {
  const Series& series = TheSeries();
  orvek::OTrame frame;
  for (auto _ : state) {
    const orvek::LoadResult r = frame.LoadFile(series.files[0]);
    if (!r.ok()) state.SkipWithError("LoadFile failed");
    benchmark::DoNotOptimize(frame.Star.Value);
  }
  state.counters["frames_per_second"] =
      benchmark::Counter(1.0, benchmark::Counter::kIsIterationInvariantRate);
}

BENCHMARK(BM_CfitsioAverage)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CfitsioAverageExtended)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_OrvekAddList)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_OrvekLoadFileOneFrame)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  orvek::PrepareMemoryForFrames();  // as the programs do
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
