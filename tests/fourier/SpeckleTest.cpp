// A synthetic speckle series of a close pair: every frame is the pair seen through its own random
// phase screen. The background-subtracted autocorrelation (S3) must show the secondary peak at
// the pair's offset, measured with the 3 x 3 window of the fast measurement.

#include <gtest/gtest.h>

#include "core/Output.h"

#include <cmath>
#include <random>

#include "core/Rounding.h"
#include "core/Utils.h"
#include "fourier/FourierTestSupport.h"
#include "fourier/Interferometry.h"
#include "fourier/OFFT.h"
#include "measure/Measurement.h"
#include "measure/OMat.h"
#include "support/TestSupport.h"

namespace orvek::fourier {
namespace {

using E = long double;
constexpr double kPiD = 3.14159265358979323846;

// A Kolmogorov-like phase screen (power spectrum ~ k^-11/3) of rms `rms` radians over the pupil.
std::vector<E> PhaseScreen(int n, int pupilRadius, double rms, std::mt19937_64& rng) {
  std::normal_distribution<double> g(0.0, 1.0);
  std::vector<E> re(size_t(n) * n), im(size_t(n) * n);
  for (size_t i = 0; i < re.size(); ++i) {
    re[i] = g(rng);
    im[i] = g(rng);
  }
  OFFT f(n);
  f.Assign(re.data(), im.data());
  f.Transform(false);
  std::vector<E> fr(re.size()), fi(re.size());
  f.CopyTo(fr.data(), fi.data());
  for (int u = 0; u < n; ++u)
    for (int v = 0; v < n; ++v) {
      const int ku = u <= n / 2 ? u : u - n, kv = v <= n / 2 ? v : v - n;
      const double k = std::sqrt(double(ku * ku + kv * kv));
      const double a = k == 0 ? 0.0 : std::pow(k, -11.0 / 6.0);
      fr[size_t(u) * n + v] *= a;
      fi[size_t(u) * n + v] *= a;
    }
  f.Assign(fr.data(), fi.data());
  f.Transform(true);
  std::vector<E> phase(re.size());
  f.CopyTo(phase.data(), nullptr);
  double sum = 0, sum2 = 0;
  int count = 0;
  for (int x = 0; x < n; ++x)
    for (int y = 0; y < n; ++y) {
      const int dx = x - n / 2, dy = y - n / 2;
      if (dx * dx + dy * dy > pupilRadius * pupilRadius) continue;
      const double p = static_cast<double>(phase[size_t(x) * n + y]);
      sum += p;
      sum2 += p * p;
      ++count;
    }
  const double mean = sum / count, sd = std::sqrt(sum2 / count - mean * mean);
  for (E& p : phase) p = (p - mean) * rms / sd;
  return phase;
}

// One short exposure: |FFT(pupil x exp(i phase))|^2 centred, for the primary at the centre
// plus `ratio` x the same pattern shifted by (dx, dy) for the companion, scaled to integers.
OTrame SpeckleFrame(int n, int dx, int dy, double ratio, std::mt19937_64& rng) {
  const int pupil = 14;
  const std::vector<E> phase = PhaseScreen(n, pupil, 2.5, rng);
  std::vector<E> re(size_t(n) * n, 0.0L), im(size_t(n) * n, 0.0L);
  for (int x = 0; x < n; ++x)
    for (int y = 0; y < n; ++y) {
      const int px = x - n / 2, py = y - n / 2;
      if (px * px + py * py > pupil * pupil) continue;
      re[size_t(x) * n + y] = std::cos(phase[size_t(x) * n + y]);
      im[size_t(x) * n + y] = std::sin(phase[size_t(x) * n + y]);
    }
  OFFT f(n);
  f.Assign(re.data(), im.data());
  f.Transform(false);
  f.ToPowerSpectrum();
  f.SwapQuadrants();
  std::vector<E> psf(re.size());
  f.CopyTo(psf.data(), nullptr);
  std::vector<double> image(re.size());
  double peak = 0;
  for (int x = 0; x < n; ++x)
    for (int y = 0; y < n; ++y) {
      const int sx = ((x - dx) % n + n) % n, sy = ((y - dy) % n + n) % n;
      const double v = static_cast<double>(psf[size_t(x) * n + y]) +
                       ratio * static_cast<double>(psf[size_t(sx) * n + sy]);
      image[size_t(x) * n + y] = v;
      peak = std::max(peak, v);
    }
  std::poisson_distribution<int> sky(20);
  OTrame frame = test::MakeFrame(n, n, 0);
  for (int x = 0; x < n; ++x)
    for (int y = 0; y < n; ++y)
      frame.Px(x, y) = Nearest(image[size_t(x) * n + y] * 20000.0 / peak) + sky(rng);
  return frame;
}

struct PairCase {
  int dx;
  int dy;
};

class SpeckleSeries : public ::testing::TestWithParam<PairCase> {};

TEST_P(SpeckleSeries, SecondaryPeakGivesSeparationAndAngle) {
  const PairCase pc = GetParam();
  const int n = 128;
  test::TempHome home;
  const std::string folder = WorkFolder(kInterferometryFolder);
  std::mt19937_64 rng(100 + pc.dx * 10 + pc.dy);
  SeriesInput in;
  for (int k = 0; k < 24; ++k) {
    in.files.push_back(test::WriteOrv(SpeckleFrame(n, pc.dx, pc.dy, 0.6, rng),
                                      home.File("s" + std::to_string(k) + ".orv")));
  }
  const FourierResult r = AutoCorrelationCommand(in, ProgramOutput(folder), false);
  ASSERT_TRUE(r.ok()) << DebugText(r.error);
  const OTrame s3 = test::LoadOrv(folder + "S3_AutoSous.orvc");

  // The fast measurement: A is the centre, B the peak measured with the 3 x 3 window round the
  // point the user would click (the expected position).
  MeasureSettings settings;
  settings.half = 1;
  OMat window;
  const MeasurePass b = MeasureAt(s3, window, Point(n / 2 + pc.dx, n / 2 + pc.dy), settings);
  ASSERT_NE(b.point.Value, kInvalidValue);
  const double mx = static_cast<double>(b.point.X) - n / 2;
  const double my = static_cast<double>(b.point.Y) - n / 2;
  const double separation = std::hypot(mx, my);
  const double expected = std::hypot(double(pc.dx), double(pc.dy));
  EXPECT_NEAR(separation, expected, 0.3) << "measured (" << mx << ", " << my << ")";
  // Autocorrelation cannot tell the pair from its reflection: compare angles modulo 180.
  double diff = std::atan2(my, mx) - std::atan2(double(pc.dy), double(pc.dx));
  diff = std::remainder(diff, kPiD);
  EXPECT_LT(std::fabs(diff) * 180 / kPiD, 2.0) << "measured (" << mx << ", " << my << ")";
}

INSTANTIATE_TEST_SUITE_P(ClosePairs, SpeckleSeries,
                         ::testing::Values(PairCase{6, -3}, PairCase{-2, 7}, PairCase{5, 0}));

}  // namespace
}  // namespace orvek::fourier
