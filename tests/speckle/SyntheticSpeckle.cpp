#include "speckle/SyntheticSpeckle.h"

#include <fftw3.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdio>
#include <random>
#include <stdexcept>

#include "series/video/VideoTestSupport.h"

namespace orvek::speckletest {

namespace {
constexpr double kPi = 3.14159265358979323846;
using Complex = std::complex<double>;

int PowerOfTwoAtLeast(int n) {
  int m = 1;
  while (m < n) m *= 2;
  return m;
}
}  // namespace

// Arrays are m x m, row-major ([row * m + column]), on FFTW's complex type.
struct SpeckleGenerator::Impl {
  int m = 0;
  /// The index in an m x m PSF of the offset (dx, dy) from the star, the PSF's centre at
  /// (m/2, m/2), wrapped round its edges.
  int Wrapped(int dx, int dy) const {
    const int row = ((dy + m / 2) % m + m) % m;
    const int col = ((dx + m / 2) % m + m) % m;
    return row * m + col;
  }
  double pupilRadius = 0;
  std::mt19937_64 rng;
  fftw_complex* buffer = nullptr;
  fftw_plan forward = nullptr;
  std::vector<double> screenFilter;  // k^-11/6 for each frequency (0 at k = 0)
  std::vector<double> psfA;          // |FFT|^2 of the primary, zero shift at [m/2][m/2]
  std::vector<double> psfB;

  Complex& At(int i) { return reinterpret_cast<Complex*>(buffer)[i]; }

  bool InPupil(int row, int col) const {
    const double u = col - m / 2;
    const double v = row - m / 2;
    return u * u + v * v <= pupilRadius * pupilRadius;
  }

  // A phase screen over the grid, scaled so that its variance over the pupil (piston removed)
  // is Noll's 1.0299 (D / r0)^(5/3) radians squared.
  std::vector<double> PhaseScreen(double dOverR0) {
    std::normal_distribution<double> g(0.0, 1.0);
    const int cells = m * m;
    for (int i = 0; i < cells; ++i) At(i) = Complex(g(rng), g(rng)) * screenFilter[i];
    fftw_execute(forward);
    std::vector<double> phase(cells);
    double sum = 0;
    double sum2 = 0;
    int count = 0;
    for (int row = 0; row < m; ++row) {
      for (int col = 0; col < m; ++col) {
        const double p = At(row * m + col).real();
        phase[row * m + col] = p;
        if (!InPupil(row, col)) continue;
        sum += p;
        sum2 += p * p;
        ++count;
      }
    }
    const double mean = sum / count;
    const double sd = std::sqrt(std::max(1e-300, sum2 / count - mean * mean));
    const double want = std::sqrt(1.0299 * std::pow(dOverR0, 5.0 / 3.0));
    for (double& p : phase) p = (p - mean) * want / sd;
    return phase;
  }

  // |FFT(pupil x exp(i phase) x ramp)|^2, centred, the ramp shifting the image by (dx, dy).
  void Psf(const std::vector<double>& phase, double dx, double dy, std::vector<double>& out) {
    for (int row = 0; row < m; ++row) {
      for (int col = 0; col < m; ++col) {
        const int i = row * m + col;
        if (!InPupil(row, col)) {
          At(i) = 0;
          continue;
        }
        // FFTW's forward sign is exp(-2 pi i k x / m): a factor exp(+2 pi i k d / m) moves
        // the intensity by +d.
        const double ramp = 2 * kPi * (col * dx + row * dy) / m;
        At(i) = std::polar(1.0, phase[i] + ramp);
      }
    }
    fftw_execute(forward);
    out.assign(static_cast<size_t>(m) * m, 0.0);
    double total = 0;
    for (int i = 0; i < m * m; ++i) total += std::norm(At(i));
    for (int row = 0; row < m; ++row) {
      for (int col = 0; col < m; ++col) {
        const int to = ((row + m / 2) % m) * m + (col + m / 2) % m;
        out[to] = std::norm(At(row * m + col)) / total;
      }
    }
  }
};

SpeckleGenerator::SpeckleGenerator(const SpeckleScene& scene)
    : m_impl(std::make_unique<Impl>()), m_scene(scene) {
  Impl& g = *m_impl;
  g.m = PowerOfTwoAtLeast(std::max({scene.width, scene.height, 64}));
  g.pupilRadius = g.m / scene.lambdaOverDPx / 2;
  g.rng.seed(scene.seed);
  g.buffer = fftw_alloc_complex(static_cast<size_t>(g.m) * g.m);
  g.forward = fftw_plan_dft_2d(g.m, g.m, g.buffer, g.buffer, FFTW_FORWARD, FFTW_ESTIMATE);
  g.screenFilter.resize(static_cast<size_t>(g.m) * g.m);
  for (int row = 0; row < g.m; ++row) {
    for (int col = 0; col < g.m; ++col) {
      const int ku = col <= g.m / 2 ? col : col - g.m;
      const int kv = row <= g.m / 2 ? row : row - g.m;
      const double k = std::hypot(ku, kv);
      g.screenFilter[row * g.m + col] = k == 0 ? 0.0 : std::pow(k, -11.0 / 6.0);
    }
  }
}

SpeckleGenerator::~SpeckleGenerator() {
  fftw_destroy_plan(m_impl->forward);
  fftw_free(m_impl->buffer);
}

std::vector<uint16_t> SpeckleGenerator::Next() {
  Impl& g = *m_impl;
  const SpeckleScene& s = m_scene;
  const std::vector<double> phase = g.PhaseScreen(s.dOverR0);
  g.Psf(phase, 0, 0, g.psfA);
  g.Psf(phase, s.dx, s.dy, g.psfB);
  const double fluxB = s.fluxA * std::pow(10.0, -0.4 * s.dm);
  std::normal_distribution<double> read(0.0, s.readNoise);
  std::vector<uint16_t> samples(static_cast<size_t>(s.width) * s.height);
  const int ax = static_cast<int>(std::lround(s.ax));
  const int ay = static_cast<int>(std::lround(s.ay));
  for (int y = 0; y < s.height; ++y) {
    for (int x = 0; x < s.width; ++x) {
      const int at = g.Wrapped(x - ax, y - ay);
      const double expected = s.fluxA * g.psfA[at] + fluxB * g.psfB[at] + s.sky;
      std::poisson_distribution<int64_t> photons(std::max(expected, 1e-9));
      const double v = static_cast<double>(photons(g.rng)) + read(g.rng);
      samples[static_cast<size_t>(y) * s.width + x] =
          static_cast<uint16_t>(std::clamp(std::lround(v), 0L, 65535L));
    }
  }
  return samples;
}

std::vector<double> SpeckleGenerator::Diffraction() {
  Impl& g = *m_impl;
  const SpeckleScene& s = m_scene;
  const std::vector<double> flat(static_cast<size_t>(g.m) * g.m, 0.0);
  std::vector<double> a;
  std::vector<double> b;
  g.Psf(flat, 0, 0, a);
  g.Psf(flat, s.dx, s.dy, b);
  const double ratio = std::pow(10.0, -0.4 * s.dm);
  std::vector<double> out(static_cast<size_t>(s.width) * s.height);
  const int ax = static_cast<int>(std::lround(s.ax));
  const int ay = static_cast<int>(std::lround(s.ay));
  for (int y = 0; y < s.height; ++y) {
    for (int x = 0; x < s.width; ++x) {
      const int at = g.Wrapped(x - ax, y - ay);
      out[static_cast<size_t>(y) * s.width + x] = a[at] + ratio * b[at];
    }
  }
  return out;
}

OTrame FrameFromSamples(const std::vector<uint16_t>& samples, int width, int height) {
  OTrame f;
  f.Allocate(width, height);
  f.MaxValue = 0;
  f.MinValue = 65535;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const Extended v = samples[static_cast<size_t>(y) * width + x];
      f.Px(x, y) = v;
      f.MaxValue = std::max(f.MaxValue, v);
      f.MinValue = std::min(f.MinValue, v);
    }
  }
  f.ComputeStats();
  f.FindStar(Point(0, 0), Point(f.LastX, f.LastY), f.Star);
  return f;
}

void WriteSpeckleSer(const std::string& path, const SpeckleScene& scene, int count, int64_t ticks0,
                     int64_t tickStep) {
  videotest::SerSpec spec;
  spec.width = scene.width;
  spec.height = scene.height;
  spec.depth = 16;
  spec.frameCount = count;
  spec.dateTimeUtc = ticks0;
  spec.dateTime = ticks0;
  const std::vector<uint8_t> header = videotest::SerHeaderBytes(spec);
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) throw std::runtime_error("cannot create " + path);
  bool ok = std::fwrite(header.data(), 1, header.size(), file) == header.size();
  SpeckleGenerator generator(scene);
  std::vector<uint8_t> bytes;
  for (int k = 0; k < count && ok; ++k) {
    const std::vector<uint16_t> samples = generator.Next();
    bytes.resize(samples.size() * 2);
    for (size_t i = 0; i < samples.size(); ++i) {
      bytes[2 * i] = static_cast<uint8_t>(samples[i]);
      bytes[2 * i + 1] = static_cast<uint8_t>(samples[i] >> 8);
    }
    ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  }
  for (int k = 0; k < count && ok && ticks0 > 0; ++k) {
    const uint64_t t = static_cast<uint64_t>(ticks0 + k * tickStep);
    uint8_t le[8];
    for (int i = 0; i < 8; ++i) le[i] = static_cast<uint8_t>(t >> (8 * i));
    ok = std::fwrite(le, 1, 8, file) == 8;
  }
  if (std::fclose(file) != 0 || !ok) throw std::runtime_error("cannot write " + path);
}

}  // namespace orvek::speckletest
