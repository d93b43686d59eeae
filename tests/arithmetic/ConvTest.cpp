// Conv: the step-by-step correlation of two images. Every stage file is compared bit for bit
// with the straightforward transform of tests/fourier/ReferenceFft.h run through the same
// steps, and the final image with the cyclic cross-correlation summed directly.

#include <gtest/gtest.h>

#include "core/Output.h"

#include <random>

#include "core/Utils.h"
#include "fourier/FourierTestSupport.h"
#include "fourier/ImageArithmetic.h"
#include "fourier/Interferometry.h"
#include "fourier/ReferenceFft.h"
#include "support/TestSupport.h"

namespace orvek::fourier {
namespace {

using E = long double;
constexpr int kN = 64;

OTrame Noise(int w, int h, unsigned seed) {
  std::mt19937_64 rng(seed);
  std::uniform_real_distribution<double> u(0, 10);
  OTrame f = test::MakeFrame(w, h, 0);
  for (E& v : f.Data()) v = u(rng);
  return f;
}

// The reference transform's state from a frame's first N rows.
test::ReferenceFft RefOf(const OTrame& f) {
  test::ReferenceFft r(kN);
  for (int x = 0; x < kN; ++x)
    for (int y = 0; y < kN; ++y) r.Re(x, y) = f.Px(x, y);
  return r;
}

void ExpectSameBits(const std::string& path, const std::vector<E>& expected) {
  const OTrame f = test::LoadOrv(path);
  ASSERT_EQ(f.Width(), kN) << path;
  ASSERT_EQ(f.Height(), kN) << path;
  int differing = 0;
  for (size_t i = 0; i < expected.size(); ++i)
    differing += !test::SameBits(f.Data()[i], expected[i]);
  EXPECT_EQ(differing, 0) << path;
}

class Conv : public ::testing::Test {
 protected:
  test::TempHome home;
  std::string folder = WorkFolder(kArithmeticFolder);
};

TEST_F(Conv, StagesMatchTheReferenceTransformBitForBit) {
  // G: noise with a star; current: G shifted cyclically by s = (5, -3).
  OTrame g = Noise(kN, kN, 11);
  g.Px(20, 25) += 1000;
  g.Px(21, 25) += 400;
  OTrame current = test::MakeFrame(kN, kN, 0);
  for (int x = 0; x < kN; ++x)
    for (int y = 0; y < kN; ++y) current.Px((x + 5) % kN, (y - 3 + kN) % kN) = g.Px(x, y);

  WorkerPool pool(2);
  const ArithmeticResult r = ConvCommand(current, g, ProgramOutput(folder), &pool);
  ASSERT_TRUE(r.ok()) << DebugText(r.error);
  ASSERT_EQ(r.written.size(), kConvStageFiles.size());
  for (size_t i = 0; i < kConvStageFiles.size(); ++i) {
    EXPECT_EQ(r.written[i], folder + kConvStageFiles[i]);
    EXPECT_TRUE(FileExists(r.written[i])) << r.written[i];
  }
  EXPECT_EQ(r.shown, folder + "f5_final.orv");

  test::ReferenceFft f1 = RefOf(current), f2 = RefOf(g);
  ExpectSameBits(folder + "f0_img1.orv", f1.Scaled(65535));
  ExpectSameBits(folder + "f0_img2.orv", f2.Scaled(65535));
  f1.Transform(false);
  f2.Transform(false);
  ExpectSameBits(folder + "f1_fft1.orv", f1.Scaled(65535));
  ExpectSameBits(folder + "f2_fft2.orv", f2.Scaled(65535));
  f1.MultiplyByConjugate(f2);
  ExpectSameBits(folder + "f3_Correl.orv", f1.Scaled(65535));
  f1.Transform(true);
  ExpectSameBits(folder + "f4_ffti.orv", f1.Scaled(65535));
  f1.SwapQuadrants();
  ExpectSameBits(folder + "f5_final.orv", f1.Scaled(65535));
}

TEST_F(Conv, FinalImageIsTheCentredCrossCorrelation) {
  // c(d) = sum over p of current[p + d] x g[p] (cyclic), placed at d + N/2 and scaled to a
  // maximum of 65535; with current = g shifted by s, the peak lies at N/2 + s = (37, 29).
  OTrame g = Noise(kN, kN, 5);
  g.Px(30, 40) += 800;
  OTrame current = test::MakeFrame(kN, kN, 0);
  for (int x = 0; x < kN; ++x)
    for (int y = 0; y < kN; ++y) current.Px((x + 5) % kN, (y - 3 + kN) % kN) = g.Px(x, y);
  ASSERT_TRUE(ConvCommand(current, g, ProgramOutput(folder)).ok());

  std::vector<E> c(size_t(kN) * kN, 0);
  E top = 0;
  for (int dx = 0; dx < kN; ++dx)
    for (int dy = 0; dy < kN; ++dy) {
      E sum = 0;
      for (int x = 0; x < kN; ++x)
        for (int y = 0; y < kN; ++y) sum += current.Px((x + dx) % kN, (y + dy) % kN) * g.Px(x, y);
      c[size_t((dx + kN / 2) % kN) * kN + (dy + kN / 2) % kN] = sum;
      top = std::max(top, sum);
    }
  const OTrame out = test::LoadOrv(folder + "f5_final.orv");
  double worst = 0;
  for (size_t i = 0; i < c.size(); ++i)
    worst = std::max(worst, static_cast<double>(std::abs(out.Data()[i] - c[i] * 65535 / top)));
  EXPECT_LT(worst, 1e-9);
  EXPECT_EQ(out.MaxValue, out.Px(37, 29));
  EXPECT_NEAR(static_cast<double>(out.Px(37, 29)), 65535, 1e-9);
}

TEST_F(Conv, CurrentImageNotACentredSpectrumGivesTheSizeMessage) {
  const OTrame current = Noise(100, 100, 1);
  const ArithmeticResult r = ConvCommand(current, current, ProgramOutput(folder));
  EXPECT_EQ(r.status, ArithmeticStatus::WrongSize);
  EXPECT_EQ(r.error.code, ErrorCode::NotCentredSize);
  EXPECT_FALSE(r.silent);
  EXPECT_TRUE(ListFiles(folder, "*").empty());
}

TEST_F(Conv, SecondImageOfAnotherWidthEndsSilently) {
  // The current image's LastY (63) differs from the second image's LastX.
  const OTrame current = Noise(kN, kN, 2);
  for (auto [w, h] : {std::pair{32, 64}, std::pair{128, 128}, std::pair{65, 64}}) {
    const ArithmeticResult r = ConvCommand(current, Noise(w, h, 3), ProgramOutput(folder));
    EXPECT_EQ(r.status, ArithmeticStatus::SizeMismatch) << w << "x" << h;
    EXPECT_TRUE(r.silent);
    EXPECT_EQ(r.error.values, (std::vector<double>{double(w), double(h), kN, kN}));
  }
  EXPECT_TRUE(ListFiles(folder, "*").empty());
}

TEST_F(Conv, SecondImageOfTheRightWidthButTooFewRowsIsRefusedAloud) {
  // It would be read outside its rows; the window says so (not silent).
  const OTrame current = Noise(kN, kN, 2);
  const ArithmeticResult r = ConvCommand(current, Noise(kN, 40, 3), ProgramOutput(folder));
  EXPECT_EQ(r.status, ArithmeticStatus::TooFewRows);
  EXPECT_FALSE(r.silent);
  EXPECT_TRUE(ListFiles(folder, "*").empty());
}

TEST_F(Conv, TallerSecondImageUsesItsFirstRows) {
  const OTrame current = Noise(kN, kN, 8);
  OTrame tall = Noise(kN, 90, 9);
  ASSERT_TRUE(ConvCommand(current, tall, ProgramOutput(folder)).ok());
  test::ReferenceFft f2 = RefOf(tall);
  ExpectSameBits(folder + "f0_img2.orv", f2.Scaled(65535));
}

}  // namespace
}  // namespace orvek::fourier
