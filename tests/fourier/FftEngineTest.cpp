// The FFT engine: edge cases worked out by hand, the fast engine against the straightforward
// transcription bit for bit (every side, both directions, one and two threads, and the inputs
// that force 80-bit storage), and a comparison with a direct DFT.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <random>
#include <vector>

#include "core/OTrame.h"
#include "core/WorkerPool.h"
#include "fourier/FftEngine.h"
#include "fourier/Interferometry.h"
#include "fourier/OFFT.h"
#include "fourier/ReferenceFft.h"
#include "support/TestSupport.h"

namespace orvek::fourier {
namespace {

using E = long double;
using test::ReferenceFft;
using test::SameBits;

constexpr E kPi = 3.141592653589793238462643383279502884L;

OTrame FrameOf(int n, const std::vector<E>& pixels) {
  OTrame f;
  f.Allocate(n, n);
  for (int x = 0; x < n; ++x)
    for (int y = 0; y < n; ++y) f.Px(x, y) = pixels[size_t(x) * n + y];
  return f;
}

std::vector<E> RandomValues(int n, std::mt19937_64& rng, E scale) {
  std::uniform_real_distribution<double> u(0.0, 1.0);
  std::vector<E> v(size_t(n) * n);
  for (E& x : v) x = scale * (static_cast<E>(u(rng)) + static_cast<E>(u(rng)) * 1e-16L);
  return v;
}

// Runs the fast engine and the reference on the same input and compares every bit.
// A pool of `tasks` tasks, or none for one.
std::unique_ptr<WorkerPool> PoolOf(int tasks) {
  return tasks > 1 ? std::make_unique<WorkerPool>(tasks) : nullptr;
}

void ExpectSameAsReference(int n, const std::vector<E>& re, const std::vector<E>& im, bool back,
                           int threads, FftReport* report = nullptr) {
  ReferenceFft ref(n);
  ref.real = re;
  ref.imag = im;
  ref.Transform(back);

  const std::unique_ptr<WorkerPool> pool = PoolOf(threads);
  OFFT fast(n, pool.get());
  fast.Assign(re.data(), im.data());
  fast.Transform(back);
  if (report != nullptr) *report = fast.LastReport();
  int mismatches = 0;
  for (int x = 0; x < n && mismatches < 5; ++x) {
    for (int y = 0; y < n && mismatches < 5; ++y) {
      const E r = fast.Re(x, y), i = fast.Im(x, y);
      if (!SameBits(r, ref.Re(x, y)) || !SameBits(i, ref.Im(x, y))) {
        ++mismatches;
        ADD_FAILURE() << "n=" << n << " back=" << back << " threads=" << threads << " at [" << x
                      << "][" << y << "]: " << static_cast<double>(r) << ","
                      << static_cast<double>(i) << " vs " << static_cast<double>(ref.Re(x, y))
                      << "," << static_cast<double>(ref.Im(x, y));
      }
    }
  }
}

// ---- Edge cases -------------------------------------------------------------------------------

TEST(FftEdgeCases, ConstantFrameGivesOneAtZeroFrequency) {
  // Every sum of equal ones is exact and every difference is zero, so F[0][0] = N^2 / N^2 = 1
  // exactly and every other element is exactly 0.
  for (int n : {64, 128}) {
    OFFT f(test::MakeFrame(n, n, 1));
    f.Transform(false);
    for (int x = 0; x < n; ++x)
      for (int y = 0; y < n; ++y) {
        ASSERT_EQ(f.Re(x, y), (x == 0 && y == 0) ? 1.0L : 0.0L) << x << "," << y;
        ASSERT_EQ(f.Im(x, y), 0.0L);
      }
    f.SwapQuadrants();
    EXPECT_EQ(f.Re(n / 2, n / 2), 1.0L);
    EXPECT_EQ(f.Re(0, 0), 0.0L);
  }
}

TEST(FftEdgeCases, RoundTripReturnsTheInput) {
  // back = true is the exact inverse of back = false up to rounding: 2 x log2 N stages of
  // extended arithmetic keep the relative error far below 1e-15 of the largest value.
  std::mt19937_64 rng(7);
  const int n = 128;
  const std::vector<E> values = RandomValues(n, rng, 65535);
  OFFT f(FrameOf(n, values));
  f.Transform(false);
  f.Transform(true);
  for (int x = 0; x < n; ++x)
    for (int y = 0; y < n; ++y) {
      ASSERT_NEAR(static_cast<double>(f.Re(x, y)), static_cast<double>(values[x * n + y]),
                  65535 * 1e-15);
      ASSERT_NEAR(static_cast<double>(f.Im(x, y)), 0.0, 65535 * 1e-15);
    }
}

TEST(FftEdgeCases, BrightPixelAtOriginAutocorrelatesTo65535AtTheCentre) {
  // One pixel of 256 at [0][0] of a 64 x 64 frame: its transform is the constant 256 / 64^2
  // (only twiddle index 0, whose cosine is exactly 1, meets non-zero data), the power spectrum
  // the constant 2^16 / 2^24 = 2^-8, whose transform is 2^-8 at [0][0] and 0 elsewhere. After
  // the swap the peak is at [32][32] and 65535 / 2^-8 x 2^-8 = 65535 exactly.
  const int n = 64;
  OTrame frame = test::MakeFrame(n, n, 0);
  frame.Px(0, 0) = 256;
  OFFT f(frame);
  f.Transform(false);
  f.ToPowerSpectrum();
  f.Transform(false);
  f.SwapQuadrants();
  OTrame out;
  f.WriteToFrame(out, 65535);
  ASSERT_EQ(out.Width(), n);
  for (int x = 0; x < n; ++x)
    for (int y = 0; y < n; ++y) ASSERT_EQ(out.Px(x, y), (x == 32 && y == 32) ? 65535.0L : 0.0L);
}

TEST(FftEdgeCases, BrightPixelAnywhereGivesASinglePeakAtTheCentre) {
  // |F|^2 of a single pixel is a constant (up to rounding), so the autocorrelation is a single
  // peak at zero shift, written as 65535 (within the rounding of scale x maximum).
  const int n = 128;
  OTrame frame = test::MakeFrame(n, n, 0);
  frame.Px(37, 90) = 1000;
  OFFT f(frame);
  f.Transform(false);
  f.ToPowerSpectrum();
  f.Transform(false);
  f.SwapQuadrants();
  OTrame out;
  f.WriteToFrame(out, 65535);
  EXPECT_NEAR(static_cast<double>(out.Px(64, 64)), 65535.0, 65535 * 1e-15);
  for (int x = 0; x < n; ++x)
    for (int y = 0; y < n; ++y)
      if (x != 64 || y != 64) {
        ASSERT_LT(std::fabs(static_cast<double>(out.Px(x, y))), 1e-9);
      }
}

TEST(FftEdgeCases, PhaseValues) {
  // By the definition: (0,0) -> 0, (0,5) -> sign(5) pi/2, (-1,0) -> (1 - (-1)) pi/2 + atan(-0)
  // = pi, (3,4) -> modulus 5, phase atan(4/3).
  OFFT f(2);
  const std::vector<E> re = {0, 0, -1, 3};
  const std::vector<E> im = {0, 5, 0, 4};
  f.Assign(re.data(), im.data());
  f.ToModulusAndPhase();
  EXPECT_EQ(f.Re(0, 0), 0.0L);
  EXPECT_EQ(f.Im(0, 0), 0.0L);
  EXPECT_EQ(f.Re(0, 1), 5.0L);
  EXPECT_EQ(f.Im(0, 1), kPi / 2);
  EXPECT_EQ(f.Re(1, 0), 1.0L);
  EXPECT_EQ(f.Im(1, 0), kPi);
  EXPECT_EQ(f.Re(1, 1), 5.0L);
  EXPECT_EQ(f.Im(1, 1), std::atan(4.0L / 3.0L));
}

TEST(FftEdgeCases, MultiplyByConjugate) {
  // (1 + 2i) x conj(3 + 4i) = (1 + 2i)(3 - 4i) = 11 + 2i.
  OFFT a(1), b(1);
  const E ar = 1, ai = 2, br = 3, bi = 4;
  a.Assign(&ar, &ai);
  b.Assign(&br, &bi);
  a.MultiplyByConjugate(b);
  EXPECT_EQ(a.Re(0, 0), 11.0L);
  EXPECT_EQ(a.Im(0, 0), 2.0L);
}

TEST(FftEdgeCases, WriteToFrameScalesTheMaximumToTop) {
  // Maximum 4 (a power of two): 65535 / 4 x 4 = 65535 exactly, 2 gives 32767.5.
  OFFT f(2);
  const std::vector<E> re = {1, 4, 2, -3};
  f.Assign(re.data(), nullptr);
  OTrame out;
  f.WriteToFrame(out, 65535);
  EXPECT_EQ(out.Px(0, 1), 65535.0L);
  EXPECT_EQ(out.Px(1, 0), 32767.5L);
  f.WriteToFrame(out, -1);
  EXPECT_EQ(out.Px(1, 1), -3.0L);
  EXPECT_EQ(out.Px(0, 0), 1.0L);
}

TEST(FftEdgeCases, NothingAboveTheFloorIsWrittenUnscaled) {
  // A real part with no value above 3.4e-4932 (zeros, or only negative values) would be scaled
  // by 65535 / 3.4e-4932; it is written as it is instead.
  OFFT zeros(4);
  EXPECT_EQ(zeros.MaxReal(), OFFT::kMaxRealFloor);
  OTrame out;
  zeros.WriteToFrame(out, 65535);
  for (E v : out.Data()) EXPECT_EQ(v, 0.0L);

  OFFT negative(2);
  const std::vector<E> re = {-3, -1, -2, -5};
  negative.Assign(re.data(), nullptr);
  negative.WriteToFrame(out, 65535);
  EXPECT_EQ(out.Px(0, 0), -3.0L);
  EXPECT_EQ(out.Px(1, 1), -5.0L);
}

TEST(FftEdgeCases, RefusesFramesThatAreNotSquarePowersOfTwo) {
  EXPECT_THROW(OFFT{test::MakeFrame(100, 100, 1)}, std::invalid_argument);
  EXPECT_THROW(OFFT{test::MakeFrame(64, 32, 1)}, std::invalid_argument);
  EXPECT_THROW(OFFT{OTrame()}, std::invalid_argument);
}

TEST(FftEdgeCases, BitReversalTargetsOfEight) {
  // 3-bit reversal: 0 1 2 3 4 5 6 7 -> 0 4 2 6 1 5 3 7.
  EXPECT_EQ(BitReversalTargets(8), (std::vector<int>{0, 4, 2, 6, 1, 5, 3, 7}));
}

// ---- The fast engine against the straightforward one --------------------------------------------

class FastEngineBits : public ::testing::TestWithParam<int> {};

TEST_P(FastEngineBits, RandomFramesBothDirectionsOneAndTwoThreads) {
  const int n = GetParam();
  std::mt19937_64 rng(1000 + n);
  for (bool back : {false, true}) {
    for (int threads : {1, 2}) {
      const std::vector<E> re = RandomValues(n, rng, 65535);
      // A real frame (the usual input) and a complex one (the cross-spectrum's way back).
      ExpectSameAsReference(n, re, std::vector<E>(re.size(), 0.0L), back, threads);
      const std::vector<E> im = RandomValues(n, rng, 1000);
      FftReport report;
      ExpectSameAsReference(n, re, im, back, threads, &report);
      if (n >= 16) {
        EXPECT_TRUE(report.rowsAsPairs);
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(EverySide, FastEngineBits,
                         ::testing::Values(1, 2, 4, 8, 16, 32, 64, 128, 256, 512));

TEST(FastEngineFallback, HugeValuesUse80BitStorage) {
  // Row sums of 64 values up to 1e307 pass the double range (1.8e308): the rows fall back to
  // 80-bit storage.
  const int n = 64;
  std::mt19937_64 rng(3);
  const std::vector<E> re = RandomValues(n, rng, 1e307L);
  FftReport report;
  ExpectSameAsReference(n, re, std::vector<E>(re.size(), 0.0L), true, 2, &report);
  EXPECT_FALSE(report.rowsAsPairs);
  EXPECT_FALSE(report.resultAsPairs);
}

TEST(FastEngineFallback, TinyValuesUse80BitStorage) {
  // Values below 2^-1011 (2.6e-305) would lose the low bits of their remainder below 2^-1074.
  const int n = 64;
  std::mt19937_64 rng(4);
  const std::vector<E> re = RandomValues(n, rng, 1e-307L);
  FftReport report;
  ExpectSameAsReference(n, re, std::vector<E>(re.size(), 0.0L), false, 2, &report);
  EXPECT_FALSE(report.rowsAsPairs);
}

TEST(FastEngineFallback, ColumnsThatOverflowAreRedone) {
  // One column of 1e307: each row holds a single such value (row results stay in range), but
  // the column sums reach 1e309, beyond the double range: those strips are redone in 80 bits
  // and the result is kept in 80-bit storage.
  const int n = 64;
  std::vector<E> re(size_t(n) * n, 1.0L);
  for (int x = 0; x < n; ++x) re[size_t(x) * n + 5] = 1e307L;
  FftReport report;
  ExpectSameAsReference(n, re, std::vector<E>(re.size(), 0.0L), true, 1, &report);
  EXPECT_TRUE(report.rowsAsPairs);
  EXPECT_GT(report.redoneStrips, 0);
  EXPECT_FALSE(report.resultAsPairs);
}

TEST(FastEngineFallback, InfinityAndNaNPropagateLikeTheReference) {
  const int n = 32;
  std::mt19937_64 rng(5);
  std::vector<E> re = RandomValues(n, rng, 100);
  re[77] = std::numeric_limits<E>::infinity();
  ExpectSameAsReference(n, re, std::vector<E>(re.size(), 0.0L), false, 2);
  re[77] = std::numeric_limits<E>::quiet_NaN();
  ExpectSameAsReference(n, re, std::vector<E>(re.size(), 0.0L), true, 2);
}

TEST(FastEngineFallback, SignedZerosAreKept) {
  // Negative zeros in the input and the twiddle factors sine[0] = -0 give signed zeros in the
  // output; the pair storage keeps every sign.
  const int n = 32;
  std::vector<E> re(size_t(n) * n, -0.0L), im(size_t(n) * n, 0.0L);
  re[3] = 2;
  ExpectSameAsReference(n, re, im, false, 1);
  ExpectSameAsReference(n, re, im, true, 2);
}

TEST(FastEngine, WorksIn80BitsWhateverTheCallersControlWord) {
  // A caller that left the x87 unit at 53-bit precision (control word 0x027F) still gets the
  // 80-bit results, and its control word back.
  const int n = 64;
  std::mt19937_64 rng(12);
  const std::vector<E> re = RandomValues(n, rng, 65535);
  ReferenceFft ref(n);
  ref.real = re;
  ref.Transform(false);
  WorkerPool pool(2);
  OFFT fast(n, &pool);
  fast.Assign(re.data(), nullptr);
  SetFpuControlWord(0x027F);
  fast.Transform(false);
  const uint16_t after = FpuControlWord();
  SetFpuControlWord(kExtendedControlWord);
  EXPECT_EQ(after, 0x027F);
  for (int x = 0; x < n; ++x)
    for (int y = 0; y < n; ++y) ASSERT_TRUE(SameBits(fast.Re(x, y), ref.Re(x, y)));
}

TEST(FastEngine, PowerSpectrumSumMatchesTheStepByStepSequence) {
  // The fused step equals OFFT(frame), Transform(false), ToPowerSpectrum, acc += real; so
  // does the power spectrum stored apart and added afterwards (one thread), also for sides
  // below the lanes of a block.
  for (int n : {8, 64}) {
    std::mt19937_64 rng(9);
    std::vector<E> acc(size_t(n) * n, 0.0L), expected(size_t(n) * n, 0.0L);
    std::vector<E> apart(size_t(n) * n, 0.0L), power(size_t(n) * n, -1.0L);
    CellGrid work(n);
    FftWorkspace ws(n);
    WorkerPool pool(2);
    for (int k = 0; k < 3; ++k) {
      const std::vector<E> frame = RandomValues(n, rng, 4000);
      ReferenceFft ref(n);
      ref.real = frame;
      ref.Transform(false);
      ref.ToPowerSpectrum();
      for (size_t i = 0; i < expected.size(); ++i) expected[i] = expected[i] + ref.real[i];
      AccumulatePowerSpectrum(frame.data(), acc.data(), work, ws, &pool);
      PowerSpectrum(frame.data(), power.data(), work, ws, nullptr);
      for (size_t i = 0; i < apart.size(); ++i) apart[i] = apart[i] + power[i];
    }
    for (size_t i = 0; i < acc.size(); ++i) {
      ASSERT_TRUE(SameBits(acc[i], expected[i])) << n << " at " << i;
      ASSERT_TRUE(SameBits(apart[i], expected[i])) << n << " at " << i;
    }
  }
}

TEST(FastEngine, SeriesSumWithOneTwoOrThreeTasks) {
  // One, two and three tasks over 5 frames: the sums are those of the frame-by-frame loop, also
  // with values whose powers pass the double range (1e160 squared).
  const int n = 32;
  for (E scale : {4000.0L, 1e160L}) {
    std::mt19937_64 rng(31);
    std::vector<std::vector<E>> frames;
    for (int k = 0; k < 5; ++k) frames.push_back(RandomValues(n, rng, scale));
    std::vector<E> expected(size_t(n) * n, 0.0L);
    for (const auto& f : frames) {
      ReferenceFft ref(n);
      ref.real = f;
      ref.Transform(false);
      ref.ToPowerSpectrum();
      for (size_t i = 0; i < expected.size(); ++i) expected[i] = expected[i] + ref.real[i];
    }
    for (int threads : {1, 2, 3}) {
      const std::unique_ptr<WorkerPool> pool = PoolOf(threads);
      PowerSpectrumSum sum(n, pool.get());
      for (const auto& f : frames) sum.Add(f.data());
      EXPECT_EQ(sum.Count(), 5);
      const std::vector<E>& got = sum.Sum();
      for (size_t i = 0; i < got.size(); ++i) {
        ASSERT_TRUE(SameBits(got[i], expected[i])) << "threads " << threads << " at " << i;
      }
    }
  }
}

// ---- Against a direct DFT
// ---------------------------------------------------------------------------

TEST(FftAgainstDirectDft, BothDirections) {
  // F[u][v] = (1/N^2) sum f[x][y] exp(+2 pi i (ux + vy) / N) for back = false; the opposite
  // sign without the division for back = true. The direct sums use cos and sin of the reduced
  // angle 2 pi ((ux + vy) mod N) / N with the exact pi, so they do not share the engine's
  // tables; the difference stays below 1e-16 of the sum of |f|.
  const int n = 32;
  std::mt19937_64 rng(11);
  const std::vector<E> re = RandomValues(n, rng, 1000);
  const std::vector<E> im = RandomValues(n, rng, 500);
  for (bool back : {false, true}) {
    OFFT f(n);
    f.Assign(re.data(), im.data());
    f.Transform(back);
    E l1 = 0;
    for (size_t i = 0; i < re.size(); ++i) l1 += std::fabs(re[i]) + std::fabs(im[i]);
    const E sign = back ? -1.0L : 1.0L;
    const E norm = back ? 1.0L : 1.0L / (static_cast<E>(n) * n);
    E worst = 0;
    for (int u = 0; u < n; ++u)
      for (int v = 0; v < n; ++v) {
        E sr = 0, si = 0;
        for (int x = 0; x < n; ++x)
          for (int y = 0; y < n; ++y) {
            const E a = sign * 2 * kPi * ((u * x + v * y) % n) / n;
            const E c = std::cos(a), s = std::sin(a);
            const E fr = re[size_t(x) * n + y], fi = im[size_t(x) * n + y];
            sr += fr * c - fi * s;
            si += fr * s + fi * c;
          }
        worst = std::max(worst, std::fabs(sr * norm - f.Re(u, v)));
        worst = std::max(worst, std::fabs(si * norm - f.Im(u, v)));
      }
    EXPECT_LT(static_cast<double>(worst), static_cast<double>(l1 * norm * 1e-16L)) << back;
  }
}

}  // namespace
}  // namespace orvek::fourier
