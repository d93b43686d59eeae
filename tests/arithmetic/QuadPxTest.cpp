// QuadPx: the quad-pixel resampling of a frame. Expected values are worked out by hand from
// the sub-pixel rule: with C the pixel, xm/xp/ym/yp its left/right/upper/lower neighbours,
// s = xm + xp + ym + yp, base = (1 - w) C / 4 and g = (w / s)(C / 2), the four sub-pixels
// (ym + xp) g + base, (xm + ym) g + base, (xp + yp) g + base, (yp + xm) g + base are written
// four times over at (2(x-1) .. 2(x-1)+1, 2(y-1) .. 2(y-1)+1), never on row 0 or column 0.

#include <gtest/gtest.h>

#include "core/Output.h"

#include <random>

#include "core/Utils.h"
#include "fourier/FourierTestSupport.h"
#include "fourier/ImageArithmetic.h"
#include "support/TestSupport.h"

namespace orvek::fourier {
namespace {

using E = long double;

// Every pixel of `f` equals `expected(x, y)`.
template <class F>
void ExpectPixels(const OTrame& f, F expected) {
  for (int x = 0; x <= f.LastX; ++x)
    for (int y = 0; y <= f.LastY; ++y) EXPECT_EQ(f.Px(x, y), expected(x, y)) << x << "," << y;
}

TEST(QuadPxWeight, ClampsTheTypedNumberBetweenZeroAndOne) {
  EXPECT_EQ(QuadPxWeight(-3), 0);
  EXPECT_EQ(QuadPxWeight(0), 0);
  EXPECT_EQ(QuadPxWeight(0.25L), 0.25L);
  EXPECT_EQ(QuadPxWeight(1), 1);
  EXPECT_EQ(QuadPxWeight(7.5L), 1);
}

TEST(QuadPx, ZeroWeightOnThreeByThreeKeepsOnlyTheCentreAtOneOne) {
  // X = Y = 2: only the centre pixel is visited; its block starts at (0, 0), so three of its
  // four sub-pixels fall on row 0 or column 0 and stay 0. With w = 0 each sub-pixel is
  // 4 x C / 4 = C.
  OTrame p = test::MakeFrame(3, 3, 5);
  p.Px(1, 1) = 1234;
  OTrame q;
  ASSERT_TRUE(QuadPxFrame(p, 0, q).ok);
  ASSERT_EQ(q.Width(), 5);
  ASSERT_EQ(q.Height(), 5);
  ExpectPixels(q, [](int x, int y) { return x == 1 && y == 1 ? E(1234) : E(0); });
}

TEST(QuadPx, PixelWithoutNeighboursIsSplitEvenlyEvenAtFullWeight) {
  // 5 x 5 zeros with 80 at (2, 2): its four neighbours are 0, so s = 1e-20 and the weight is
  // taken as 0: every sub-pixel is 80 / 4, written as 80 at (2..3, 2..3). With the weight kept
  // at 1 the sub-pixels would be 0 (base 0, neighbour sums 0).
  OTrame p = test::MakeFrame(5, 5, 0);
  p.Px(2, 2) = 80;
  OTrame q;
  ASSERT_TRUE(QuadPxFrame(p, 1, q).ok);
  ASSERT_EQ(q.Width(), 9);
  ExpectPixels(q, [](int x, int y) { return x >= 2 && x <= 3 && y >= 2 && y <= 3 ? E(80) : E(0); });
}

TEST(QuadPx, SubPixelsOfOnePixelByHand) {
  // C = 8 at (2, 2), xm = 1, xp = 2, ym = 3, yp = 2, k = 0.5: s = 8, base = 0.5 x 8 / 4 = 1,
  // g = (0.5 / 8) x 4 = 0.25. Top left (ym + xp) = 5 -> 2.25 -> 9; top right (xm + ym) = 4
  // -> 2 -> 8; bottom left (xp + yp) = 4 -> 8; bottom right (yp + xm) = 3 -> 1.75 -> 7.
  OTrame p = test::MakeFrame(5, 5, 0);
  p.Px(2, 2) = 8;
  p.Px(1, 2) = 1;
  p.Px(3, 2) = 2;
  p.Px(2, 1) = 3;
  p.Px(2, 3) = 2;
  OTrame q;
  ASSERT_TRUE(QuadPxFrame(p, 0.5L, q).ok);
  EXPECT_EQ(q.Px(2, 2), 9);
  EXPECT_EQ(q.Px(3, 2), 8);
  EXPECT_EQ(q.Px(2, 3), 8);
  EXPECT_EQ(q.Px(3, 3), 7);
}

TEST(QuadPx, FourSubPixelsAddUpToTheSourcePixel) {
  // Random positive image, k = 0.37: for every pixel whose whole block lies off row 0 and
  // column 0 (x, y >= 2), the four written values are 4 x the sub-pixels, whose sum is C.
  std::mt19937_64 rng(7);
  std::uniform_real_distribution<double> u(1, 1000);
  OTrame p = test::MakeFrame(17, 13, 0);
  for (E& v : p.Data()) v = u(rng);
  OTrame q;
  ASSERT_TRUE(QuadPxFrame(p, 0.37L, q).ok);
  for (int x = 2; x <= p.LastX - 1; ++x) {
    for (int y = 2; y <= p.LastY - 1; ++y) {
      const int ox = 2 * (x - 1), oy = 2 * (y - 1);
      const E sum = q.Px(ox, oy) + q.Px(ox + 1, oy) + q.Px(ox, oy + 1) + q.Px(ox + 1, oy + 1);
      EXPECT_NEAR(static_cast<double>(sum / 4), static_cast<double>(p.Px(x, y)),
                  1e-12 * static_cast<double>(p.Px(x, y)))
          << x << "," << y;
    }
  }
}

TEST(QuadPx, BorderRowsAndColumnsOfTheResultStayZero) {
  // 4 x 4 of 10 with k = 0: X = 3, blocks start at 0 and 2, so only (1..3, 1..3) is written
  // (each sub-pixel 10); column/row 0 and everything beyond 2X - 3 = 3 stay 0.
  const OTrame p = test::MakeFrame(4, 4, 10);
  OTrame q;
  ASSERT_TRUE(QuadPxFrame(p, 0, q).ok);
  ASSERT_EQ(q.Width(), 7);
  ASSERT_EQ(q.Height(), 7);
  ExpectPixels(q, [](int x, int y) { return x >= 1 && x <= 3 && y >= 1 && y <= 3 ? E(10) : E(0); });
}

TEST(QuadPx, WeightsOutsideZeroOneActLikeTheBounds) {
  std::mt19937_64 rng(3);
  std::uniform_real_distribution<double> u(0, 50);
  OTrame p = test::MakeFrame(9, 8, 0);
  for (E& v : p.Data()) v = u(rng);
  OTrame a, b;
  ASSERT_TRUE(QuadPxFrame(p, -2, a).ok);
  ASSERT_TRUE(QuadPxFrame(p, 0, b).ok);
  EXPECT_EQ(a.Data(), b.Data());
  ASSERT_TRUE(QuadPxFrame(p, 4, a).ok);
  ASSERT_TRUE(QuadPxFrame(p, 1, b).ok);
  EXPECT_EQ(a.Data(), b.Data());
}

TEST(QuadPx, WritesQuadNameInTheFolderAndTheFileReadsBack) {
  test::TempHome home;
  OTrame p = test::MakeFrame(3, 3, 0);
  p.Px(1, 1) = 42;
  p.FileName = "/some/where/star.fits";
  const std::string folder = WorkFolder(kQuadFolder);
  const ArithmeticResult r = QuadPx(p, 0, ProgramOutput(folder));
  ASSERT_TRUE(r.ok()) << DebugText(r.error);
  EXPECT_EQ(r.shown, folder + "quad_star.orvc");
  ASSERT_EQ(r.written, std::vector<std::string>{r.shown});
  const OTrame q = test::LoadOrv(r.shown);
  ASSERT_EQ(q.Width(), 5);
  EXPECT_EQ(q.Px(1, 1), 42);
  EXPECT_EQ(q.MaxValue, 42);
}

TEST(QuadPx, FileNameOfAResampledImageGetsASecondPrefix) {
  EXPECT_EQ(QuadPxFileName("/a/b/quad_x.orvc"), "quad_quad_x.orvc");
  EXPECT_EQ(QuadPxFileName("/a/b.c/img.2.fit"), "quad_img.2.orvc");
  EXPECT_EQ(QuadPxFileName("noext"), "quad_noext.orvc");
}

TEST(QuadPx, TinyImagesGiveAllZeroResults) {
  // 1 x 1 and 2 x 2: no pixel lies inside the border, so nothing is written.
  for (int n : {1, 2}) {
    const OTrame p = test::MakeFrame(n, n, 9);
    OTrame q;
    ASSERT_TRUE(QuadPxFrame(p, 0, q).ok);
    EXPECT_EQ(q.Width(), 2 * n - 1);
    for (E v : q.Data()) EXPECT_EQ(v, 0);
  }
}

TEST(QuadPx, RefusesAResultBeyondTheLargestImage) {
  // 1 x 600 001 becomes 1 x 1 200 001 rows: more than the largest side a frame may have.
  test::TempHome home;
  OTrame p = test::MakeFrame(1, 600001, 1);
  p.FileName = "tall.orv";
  const std::string folder = WorkFolder(kQuadFolder);
  const ArithmeticResult r = QuadPx(p, 0, ProgramOutput(folder));
  EXPECT_EQ(r.status, ArithmeticStatus::TooLarge);
  EXPECT_EQ(r.error.code, ErrorCode::ImageTooLarge);
  EXPECT_EQ(r.error.values[1], 1200001) << DebugText(r.error);
  EXPECT_FALSE(FileExists(folder + "quad_tall.orvc"));
}

}  // namespace
}  // namespace orvek::fourier
