// Speed of the Fourier engine, side by side with FFTW's long double transforms in one run.
//
//   Orvek_Transform/N      OFFT::Transform on one thread, values as a series command holds them
//   Reference_Transform/N  the straightforward transform of the tests (for information)
//   Fftw_Transform/N       fftwl 2-D complex in-place transform, one thread, FFTW_MEASURE plan
//   Fftw_RealTransform/N   fftwl 2-D real-input transform (for information)
//   Orvek_PowerSeries      the power-spectrum sum of 200 frames of 256 x 256 and its final
//                          transform, both cores (and /threads:1 for information)
//   Fftw_PowerSeries       the same series with fftwl's real-input transform on one thread:
//                          |F|^2 summed over the half spectrum, one complex-to-real transform
//   Orvek_Dva / Plain_Dva  the DVA accumulation of one 256 x 256 image against the plain pair
//                          loop (integer and fractional pixel values)
//
// Before timing, the engine's results are compared bit for bit with the straightforward
// transform of the tests. The ratios are printed at the end.

#include <benchmark/benchmark.h>
#include <fftw3.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "core/OTrame.h"
#include "fourier/Interferometry.h"
#include "fourier/OFFT.h"
#include "fourier/ReferenceFft.h"

namespace {

using E = long double;
using orvek::fourier::OFFT;
using orvek::fourier::PowerSpectrumSum;

constexpr int kSeriesFrames = 200;
constexpr int kSeriesSide = 256;

std::vector<E> Frame(int n, unsigned seed) {
  std::mt19937 rng(seed);
  std::vector<E> v(size_t(n) * n);
  for (E& x : v) x = rng() % 65536;
  return v;
}

const std::vector<std::vector<E>>& SeriesFrames() {
  static const std::vector<std::vector<E>> frames = [] {
    std::vector<std::vector<E>> f;
    for (int k = 0; k < kSeriesFrames; ++k) f.push_back(Frame(kSeriesSide, 1000 + k));
    return f;
  }();
  return frames;
}

void Orvek_Transform(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  OFFT f(n);
  const std::vector<E> v = Frame(n, 1);
  f.Assign(v.data(), nullptr);
  bool back = false;
  for (auto _ : state) {
    f.Transform(back);  // direct then back: the values stay those of a frame
    back = !back;
  }
  state.counters["pairs"] = f.PairStorage() ? 1 : 0;
}

// The straightforward transform of the tests, one vector at a time (for information).
void Reference_Transform(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  orvek::test::ReferenceFft ref(n);
  ref.real = Frame(n, 1);
  bool back = false;
  for (auto _ : state) {
    ref.Transform(back);
    back = !back;
  }
}

void Fftw_Transform(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  fftwl_complex* data = fftwl_alloc_complex(size_t(n) * n);
  fftwl_plan forward = fftwl_plan_dft_2d(n, n, data, data, FFTW_FORWARD, FFTW_MEASURE);
  fftwl_plan backward = fftwl_plan_dft_2d(n, n, data, data, FFTW_BACKWARD, FFTW_MEASURE);
  const std::vector<E> v = Frame(n, 1);
  for (size_t i = 0; i < v.size(); ++i) {
    data[i][0] = v[i];
    data[i][1] = 0;
  }
  bool back = false;
  for (auto _ : state) {
    fftwl_execute(back ? backward : forward);
    back = !back;
  }
  fftwl_destroy_plan(forward);
  fftwl_destroy_plan(backward);
  fftwl_free(data);
}

void Fftw_RealTransform(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  E* in = fftwl_alloc_real(size_t(n) * n);
  fftwl_complex* out = fftwl_alloc_complex(size_t(n) * (n / 2 + 1));
  fftwl_plan plan = fftwl_plan_dft_r2c_2d(n, n, in, out, FFTW_MEASURE);
  const std::vector<E> v = Frame(n, 1);
  std::copy(v.begin(), v.end(), in);
  for (auto _ : state) fftwl_execute(plan);
  fftwl_destroy_plan(plan);
  fftwl_free(in);
  fftwl_free(out);
}

void Orvek_PowerSeries(benchmark::State& state) {
  orvek::WorkerPool pool(static_cast<int>(state.range(0)));
  const auto& frames = SeriesFrames();
  orvek::OTrame result;
  for (auto _ : state) {
    PowerSpectrumSum sum(kSeriesSide, &pool);
    for (const std::vector<E>& f : frames) sum.Add(f.data());
    sum.WriteAutocorrelation(result);
    benchmark::DoNotOptimize(result.Px(kSeriesSide / 2, kSeriesSide / 2));
  }
  state.counters["frames/s"] =
      benchmark::Counter(double(kSeriesFrames) * state.iterations(), benchmark::Counter::kIsRate);
}

void Fftw_PowerSeries(benchmark::State& state) {
  const int n = kSeriesSide;
  const int half = n / 2 + 1;
  const auto& frames = SeriesFrames();
  std::vector<E*> inputs;
  for (const std::vector<E>& f : frames) {
    E* p = fftwl_alloc_real(size_t(n) * n);
    std::copy(f.begin(), f.end(), p);
    inputs.push_back(p);
  }
  fftwl_complex* spectrum = fftwl_alloc_complex(size_t(n) * half);
  E* back = fftwl_alloc_real(size_t(n) * n);
  fftwl_plan r2c = fftwl_plan_dft_r2c_2d(n, n, inputs[0], spectrum, FFTW_MEASURE);
  fftwl_complex* acc = fftwl_alloc_complex(size_t(n) * half);
  fftwl_plan c2r = fftwl_plan_dft_c2r_2d(n, n, acc, back, FFTW_MEASURE);
  std::vector<E> result(size_t(n) * n);
  for (auto _ : state) {
    for (size_t i = 0; i < size_t(n) * half; ++i) acc[i][0] = acc[i][1] = 0;
    for (E* in : inputs) {
      fftwl_execute_dft_r2c(r2c, in, spectrum);
      for (size_t i = 0; i < size_t(n) * half; ++i)
        acc[i][0] += spectrum[i][0] * spectrum[i][0] + spectrum[i][1] * spectrum[i][1];
    }
    fftwl_execute(c2r);
    E top = 0;
    for (int x = 0; x < n; ++x)
      for (int y = 0; y < n; ++y) {
        const E v = back[size_t((x + n / 2) % n) * n + (y + n / 2) % n];
        result[size_t(x) * n + y] = v;
        top = std::max(top, v);
      }
    for (E& v : result) v *= 65535 / top;
    benchmark::DoNotOptimize(result[0]);
  }
  state.counters["frames/s"] =
      benchmark::Counter(double(kSeriesFrames) * state.iterations(), benchmark::Counter::kIsRate);
  fftwl_destroy_plan(r2c);
  fftwl_destroy_plan(c2r);
  for (E* p : inputs) fftwl_free(p);
  fftwl_free(spectrum);
  fftwl_free(acc);
  fftwl_free(back);
}

// ---- DVA: one 256 x 256 image, about 2,000 pixels above the 97th percentile (4 million pairs)
// ----

orvek::OTrame DvaImage(bool fractional) {
  std::mt19937 rng(77);
  orvek::OTrame f;
  f.Allocate(256, 256);
  for (E& v : f.Data()) v = rng() % 4096 + (fractional ? 0.25L : 0.0L);
  return f;
}

void Orvek_Dva(benchmark::State& state) {
  const bool fractional = state.range(0) != 0;
  orvek::WorkerPool pool(static_cast<int>(state.range(1)));
  const orvek::OTrame image = DvaImage(fractional);
  orvek::OTrame buffer;
  buffer.Allocate(512, 512);
  for (auto _ : state) {
    bool exact = true;
    E mass = 0;
    orvek::fourier::AccumulateDva(image, buffer, exact, mass, &pool);
    benchmark::DoNotOptimize(buffer.Px(255, 255));
  }
}

// The pair loop as the command describes it, on one thread.
void Plain_Dva(benchmark::State& state) {
  const orvek::OTrame image = DvaImage(state.range(0) != 0);
  orvek::OTrame buffer;
  buffer.Allocate(512, 512);
  for (auto _ : state) {
    const E t = image.Percentile(97);
    struct P {
      int x, y;
      E v;
    };
    std::vector<P> l;
    for (int x = 0; x < 256; ++x)
      for (int y = 0; y < 256; ++y)
        if (image.Px(x, y) > t) l.push_back({x, y, image.Px(x, y)});
    for (const P& p : l)
      for (const P& q : l) {
        if (q.v <= p.v) buffer.Px(255 + q.x - p.x, 255 + q.y - p.y) += p.v;
        if (q.v >= p.v) buffer.Px(255 + p.x - q.x, 255 + p.y - q.y) += p.v;
      }
    benchmark::DoNotOptimize(buffer.Px(255, 255));
  }
}

BENCHMARK(Orvek_Transform)
    ->Arg(256)
    ->Arg(512)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(5);
BENCHMARK(Reference_Transform)
    ->Arg(256)
    ->Arg(512)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(2);
BENCHMARK(Fftw_Transform)
    ->Arg(256)
    ->Arg(512)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(5);
BENCHMARK(Fftw_RealTransform)
    ->Arg(256)
    ->Arg(512)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(2);
BENCHMARK(Orvek_PowerSeries)
    ->ArgName("threads")
    ->Arg(2)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(2)
    ->Repetitions(3);
BENCHMARK(Fftw_PowerSeries)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(2)
    ->Repetitions(3);
BENCHMARK(Orvek_Dva)
    ->ArgNames({"fractional", "threads"})
    ->Args({0, 2})
    ->Args({0, 1})
    ->Args({1, 2})
    ->Args({1, 1})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(Plain_Dva)
    ->ArgName("fractional")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// ---- Same results as the straightforward transform
// -----------------------------------------------

bool SameAsReference() {
  bool same = true;
  orvek::WorkerPool pool(2);
  for (int n : {256, 512}) {
    const std::vector<E> v = Frame(n, 5);
    orvek::test::ReferenceFft ref(n);
    ref.real = v;
    ref.Transform(false);
    OFFT f(n, &pool);
    f.Assign(v.data(), nullptr);
    f.Transform(false);
    for (int x = 0; x < n; ++x)
      for (int y = 0; y < n; ++y)
        same &= orvek::test::SameBits(f.Re(x, y), ref.Re(x, y)) &&
                orvek::test::SameBits(f.Im(x, y), ref.Im(x, y));
  }
  // A short power-spectrum series.
  const int n = kSeriesSide;
  orvek::test::ReferenceFft acc(n);
  PowerSpectrumSum sum(n, &pool);
  for (int k = 0; k < 4; ++k) {
    const std::vector<E>& f = SeriesFrames()[k];
    orvek::test::ReferenceFft t(n);
    t.real = f;
    t.Transform(false);
    t.ToPowerSpectrum();
    for (size_t i = 0; i < acc.real.size(); ++i) acc.real[i] = acc.real[i] + t.real[i];
    sum.Add(f.data());
  }
  acc.Transform(false);
  acc.SwapQuadrants();
  const std::vector<E> expected = acc.Scaled(65535);
  orvek::OTrame out;
  sum.WriteAutocorrelation(out);
  for (size_t i = 0; i < expected.size(); ++i)
    same &= orvek::test::SameBits(out.Data()[i], expected[i]);
  return same;
}

class RatioReporter : public benchmark::ConsoleReporter {
 public:
  std::map<std::string, double> ms;     // wall-clock time, best repetition
  std::map<std::string, double> cpuMs;  // CPU time of the calling thread, best repetition
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs) {
      if (r.run_type == Run::RT_Iteration && !r.error_occurred) {
        // The best of the repetitions: the machine may be shared, and interference only ever
        // adds time.
        const std::string name = r.benchmark_name();
        const double real = r.GetAdjustedRealTime(), cpu = r.GetAdjustedCPUTime();
        ms[name] = ms.count(name) ? std::min(ms[name], real) : real;
        cpuMs[name] = cpuMs.count(name) ? std::min(cpuMs[name], cpu) : cpu;
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }
  double Get(const std::string& prefix, bool cpu = false) const {
    for (const auto& [name, t] : cpu ? cpuMs : ms)
      if (name.rfind(prefix, 0) == 0) return t;
    return NAN;
  }
};

}  // namespace

int main(int argc, char** argv) {
  // Repetitions of the different benchmarks are interleaved, so that a busy spell of the machine
  // does not fall on one side of a comparison only.
  std::vector<char*> args(argv, argv + argc);
  std::string interleave = "--benchmark_enable_random_interleaving=true";
  args.insert(args.begin() + 1, interleave.data());
  argc = static_cast<int>(args.size());
  argv = args.data();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  const bool same = SameAsReference();
  std::printf("Bit-identical to the straightforward transform (N = 256, 512, series of 4): %s\n",
              same ? "yes" : "NO");
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  std::printf("\nRatios (Orvek / FFTW long double, lower is faster):\n");
  for (int n : {256, 512}) {
    const double o = reporter.Get("Orvek_Transform/" + std::to_string(n));
    const double f = reporter.Get("Fftw_Transform/" + std::to_string(n));
    const double oc = reporter.Get("Orvek_Transform/" + std::to_string(n), true);
    const double fc = reporter.Get("Fftw_Transform/" + std::to_string(n), true);
    std::printf(
        "  one transform N = %d, one thread: %.3f ms / %.3f ms = %.2f (target <= 0.80); "
        "CPU time %.3f / %.3f = %.2f\n",
        n, o, f, o / f, oc, fc, oc / fc);
  }
  const double series = reporter.Get("Orvek_PowerSeries/threads:2");
  const double fftwSeries = reporter.Get("Fftw_PowerSeries");
  std::printf(
      "  power-spectrum series, 200 x 256^2, both cores vs FFTW real-input on one thread: "
      "%.1f ms / %.1f ms = %.2f (throughput ratio %.2f, target >= 1.00)\n",
      series, fftwSeries, series / fftwSeries, fftwSeries / series);
  return same ? 0 : 1;
}
