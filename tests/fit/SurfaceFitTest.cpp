// The two-star surface fit: synthetic pairs of the model's own profile found again, the
// faint pair that needs a doubled frame, the window limit, the log's angle and numbers, the
// first Gauss-Newton step against an independent double-precision solution, the
// Gauss-Jordan inversion against hand-computed inverses, the model image and the failures.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <string>
#include <vector>

#include "core/OTrame.h"
#include "fit/PairFrames.h"
#include "fit/SurfaceFit.h"
#include "support/TestSupport.h"

namespace orvek {
namespace {

using test::PairFrame;
using test::PairProfile;
using test::PairSpec;
using test::PairValue;

std::string Printf(const char* format, double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, format, v);
  return buf;
}

std::vector<std::string> Split(const std::string& line, const std::string& sep) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (size_t pos; (pos = line.find(sep, start)) != std::string::npos; start = pos + sep.size()) {
    parts.push_back(line.substr(start, pos - start));
  }
  parts.push_back(line.substr(start));
  return parts;
}

// Two stars of height 1000 on a floor of 2 inside the square 30..180 of a 400 x 400 frame,
// the rest 0: the middle row and column (200) are 0, so the median is 0 and the data are the
// model itself, floor included.
PairSpec ExactPair() {
  PairSpec s;
  s.ax = 100.3;
  s.ay = 100.6;
  s.bx = 118.8;
  s.by = 115.2;
  s.left = s.top = 30;
  s.right = s.bottom = 180;
  return s;
}

// ---- Synthetic pairs --------------------------------------------------------------------------

TEST(SurfaceFit, ExactModelPairIsFoundAgainInAFewIterations) {
  const PairSpec s = ExactPair();
  const OTrame frame = PairFrame(400, 400, s);
  ASSERT_EQ(frame.Median, 0);
  const SurfaceFitResult r = SurfaceFit(frame, Point(100, 101), Point(119, 115));
  ASSERT_TRUE(r.ok()) << DebugText(r.error);
  EXPECT_EQ(r.passes, 1);
  // Window by hand: starting peaks (100, 101) and (119, 115), margin 50, frame 400 x 400.
  EXPECT_EQ(r.window.x0, 50);
  EXPECT_EQ(r.window.x1, 169);
  EXPECT_EQ(r.window.y0, 51);
  EXPECT_EQ(r.window.y1, 165);
  // Fit coordinates are the pixel coordinates plus 1.
  EXPECT_NEAR(static_cast<double>(r.fit.xA), s.ax + 1, 0.006);
  EXPECT_NEAR(static_cast<double>(r.fit.yA), s.ay + 1, 0.006);
  EXPECT_NEAR(static_cast<double>(r.fit.xB), s.bx + 1, 0.006);
  EXPECT_NEAR(static_cast<double>(r.fit.yB), s.by + 1, 0.006);
  EXPECT_NEAR(static_cast<double>(r.fit.hA), 1000, 0.5);
  EXPECT_NEAR(static_cast<double>(r.fit.hB), 1000, 0.5);
  EXPECT_NEAR(static_cast<double>(r.fit.a), 0.02, 1e-5);
  EXPECT_NEAR(static_cast<double>(r.fit.b), 0.008, 1e-5);
  EXPECT_LT(static_cast<double>(r.ec), 0.01);
  EXPECT_LE(r.iterations.size(), 5u);
  ASSERT_EQ(r.iterationsPerPass, std::vector<int>{static_cast<int>(r.iterations.size())});
  // The last iteration moved no position by more than 0.006, the one before did.
  const auto& last = r.iterations.back();
  for (int k = 0; k < 4; ++k) EXPECT_LE(std::fabs(static_cast<double>(last.delta[k])), 0.006);
  // Log: passes line, INIT, the starting values, an empty line, ITER, one line per iteration.
  ASSERT_EQ(r.log.size(), 5 + r.iterations.size());
  EXPECT_EQ(r.log[0], "Nb passes : 1");
  EXPECT_EQ(r.log[1], "INIT");
  EXPECT_EQ(r.log[3], "");
  EXPECT_EQ(r.log[4], "ITER");
  for (size_t n = 0; n < r.iterations.size(); ++n) {
    const std::vector<std::string> fields = Split(r.log[5 + n], "   ");
    ASSERT_EQ(fields.size(), 12u) << r.log[5 + n];
    EXPECT_EQ(fields[0], std::to_string(n + 1));
  }
  const std::vector<std::string> fields = Split(r.log.back(), "   ");
  EXPECT_EQ(fields[1], Printf("%.2f", s.ax + 1));  // 101.30
  EXPECT_EQ(fields[2], Printf("%.2f", s.ay + 1));  // 101.60
  EXPECT_EQ(fields[3], Printf("%.2f", s.bx + 1));  // 119.80
  EXPECT_EQ(fields[4], Printf("%.2f", s.by + 1));  // 116.20
  EXPECT_EQ(fields[5], "1000");
  EXPECT_EQ(fields[6], "1000");
  EXPECT_EQ(fields[7], "0.020");
  EXPECT_EQ(fields[8], "0.008");
  EXPECT_EQ(fields[9], "0.00");
  EXPECT_EQ(fields[11], "23.57");  // hypot(18.5, 14.6) = 23.567...
}

TEST(SurfaceFit, InitLineHoldsTheStartingValues) {
  const PairSpec s = ExactPair();
  const OTrame frame = PairFrame(400, 400, s);
  const SurfaceFitResult r = SurfaceFit(frame, Point(100, 101), Point(119, 115));
  ASSERT_TRUE(r.ok()) << DebugText(r.error);
  // Independent values: the brightest pixels near the captured points are the stars' own
  // pixels (100, 101) and (119, 115); heights are their values (median 0); ec is the
  // root-mean-square residual of the starting model over every other row and column.
  const double hA = PairValue(s, 100, 101), hB = PairValue(s, 119, 115);
  const int x0 = 50, x1 = 169, y0 = 51, y1 = 165;
  double sum = 0;
  for (int i = 1; i <= x1 - x0 - 1; i += 2) {
    for (int j = 1; j <= y1 - y0 - 1; j += 2) {
      const double X = x0 + i, Y = y0 + j;
      const double d = PairValue(s, x0 + i - 1, y0 + j - 1);
      const double m = hA * PairProfile((X - 100) * (X - 100) + (Y - 101) * (Y - 101)) +
                       hB * PairProfile((X - 119) * (X - 119) + (Y - 115) * (Y - 115)) + 2;
      sum += (d - m) * (d - m);
    }
  }
  const double ec = std::sqrt(sum / ((x1 - x0) * (y1 - y0) / 4.0));
  const std::string expected =
      "xA: 100.00   yA: 101.00  xB: 119.00  yB: 115.00   hA: " + Printf("%.0f", hA) +
      "   hB: " + Printf("%.0f", hB) + "   a: 0.020   b: 0.008   ec: " + Printf("%.2f", ec);
  EXPECT_EQ(r.log[2], expected);
  EXPECT_NEAR(static_cast<double>(r.initialEc), ec, 1e-9 * ec);
}

TEST(SurfaceFit, PairOnAFloorOfTwoEverywhereIsFoundAgain) {
  // The floor covers the whole frame: the median (2) is taken off, so the data lack the
  // model's floor; the positions are still found within 0.006 pixel.
  PairSpec s = ExactPair();
  s.right = -1;
  const OTrame frame = PairFrame(400, 400, s);
  EXPECT_NEAR(static_cast<double>(frame.Median), 2, 1e-6);
  const SurfaceFitResult r = SurfaceFit(frame, Point(100, 101), Point(119, 115));
  ASSERT_TRUE(r.ok()) << DebugText(r.error);
  EXPECT_EQ(r.log[0], "Nb passes : 1");
  EXPECT_NEAR(static_cast<double>(r.fit.xA), s.ax + 1, 0.006);
  EXPECT_NEAR(static_cast<double>(r.fit.yA), s.ay + 1, 0.006);
  EXPECT_NEAR(static_cast<double>(r.fit.xB), s.bx + 1, 0.006);
  EXPECT_NEAR(static_cast<double>(r.fit.yB), s.by + 1, 0.006);
  EXPECT_LE(r.iterations.size(), 5u);
}

TEST(SurfaceFit, FaintPairDoublesTheFrameAndLogsTheFirstPass) {
  // Stars of height 12 on a floor of 2: the first pass ends with the heights at the floor of
  // 20, so the frame is doubled. Doubled, the data are 2 x (12 f + 2) - median(2) = 24 f + 2:
  // the model itself with heights 24.
  PairSpec s;
  s.ax = 100;
  s.ay = 100;
  s.bx = 125;
  s.by = 110;
  s.heightA = s.heightB = 12;
  const OTrame frame = PairFrame(300, 300, s);
  const Extended pixelBefore = frame.Px(100, 100);
  const Extended medianBefore = frame.Median;
  const SurfaceFitResult r = SurfaceFit(frame, Point(100, 100), Point(125, 110));
  ASSERT_TRUE(r.ok()) << DebugText(r.error);
  EXPECT_EQ(r.passes, 2);
  ASSERT_EQ(r.iterationsPerPass.size(), 2u);
  const int k = r.iterationsPerPass[0];
  EXPECT_GE(k, 1);
  EXPECT_LE(k, kSurfaceMaxIterations);
  EXPECT_EQ(r.log[0], "Nb passes : 2 {" + std::to_string(k) + "}");
  // Second pass: starting heights are the doubled pixels minus the first median.
  EXPECT_NEAR(static_cast<double>(r.initial.hA),
              2 * PairValue(s, 100, 100) - static_cast<double>(medianBefore), 1e-9);
  EXPECT_NEAR(static_cast<double>(r.fit.hA), 24, 0.01);
  EXPECT_NEAR(static_cast<double>(r.fit.hB), 24, 0.01);
  EXPECT_NEAR(static_cast<double>(r.fit.xA), 101, 0.006);
  EXPECT_NEAR(static_cast<double>(r.fit.yA), 101, 0.006);
  EXPECT_NEAR(static_cast<double>(r.fit.xB), 126, 0.006);
  EXPECT_NEAR(static_cast<double>(r.fit.yB), 111, 0.006);
  // The frame given is left as it was: the doubling works on a copy.
  EXPECT_EQ(frame.Px(100, 100), pixelBefore);
  EXPECT_EQ(frame.Median, medianBefore);
}

// ---- Window -------------------------------------------------------------------------------

TEST(SurfaceWindow, MarginAndFrameEdgesByHand) {
  SurfaceWindow w = SurfaceWindowFor(10, 5, 30, 20, 99, 59);
  EXPECT_EQ(w.x0, 1);   // max(1, 10 - 50)
  EXPECT_EQ(w.x1, 80);  // min(100, 30 + 50)
  EXPECT_EQ(w.y0, 1);
  EXPECT_EQ(w.y1, 60);  // min(60, 20 + 50)
  w = SurfaceWindowFor(300, 200, 260, 240, 999, 999);
  EXPECT_EQ(w.x0, 210);
  EXPECT_EQ(w.x1, 350);
  EXPECT_EQ(w.y0, 150);
  EXPECT_EQ(w.y1, 290);
  EXPECT_EQ(w.Width(), 141);
  EXPECT_EQ(w.Height(), 141);
}

TEST(SurfaceWindow, TwoHundredPointsAreAcceptedTwoHundredAndOneRefused) {
  PairSpec s;
  s.ax = 100;
  s.ay = 150;
  s.bx = 199;  // x0 = 50, x1 = 249: x1 - x0 = 199, 200 points
  s.by = 150;
  SurfaceFitResult r = SurfaceFit(PairFrame(400, 300, s), Point(100, 150), Point(199, 150));
  EXPECT_EQ(r.window.x1 - r.window.x0, 199);
  EXPECT_TRUE(r.ok()) << DebugText(r.error);
  EXPECT_EQ(r.window.Width(), 200);

  s.bx = 200;  // x1 - x0 = 200: 201 points
  r = SurfaceFit(PairFrame(400, 300, s), Point(100, 150), Point(200, 150));
  EXPECT_EQ(r.error.code, ErrorCode::SurfaceWindowTooLarge);
  EXPECT_EQ(r.window.x1 - r.window.x0, 200);
  EXPECT_TRUE(r.log.empty());
  EXPECT_TRUE(r.model.empty());

  // The same on the other axis.
  s.bx = 100;
  s.ay = 100;
  s.by = 200;
  r = SurfaceFit(PairFrame(300, 400, s), Point(100, 100), Point(100, 200));
  EXPECT_EQ(r.error.code, ErrorCode::SurfaceWindowTooLarge);
  EXPECT_EQ(r.window.y1 - r.window.y0, 200);
  s.by = 199;
  r = SurfaceFit(PairFrame(300, 400, s), Point(100, 100), Point(100, 199));
  EXPECT_TRUE(r.ok()) << DebugText(r.error);
  EXPECT_EQ(r.window.y1 - r.window.y0, 199);
}

// ---- Angle and numbers of the log ---------------------------------------------------------

struct AngleCase {
  double xB, yB;
  const char* theta;
  const char* rho;
};

class SurfaceAngleTable : public ::testing::TestWithParam<AngleCase> {};

TEST_P(SurfaceAngleTable, AngleOfTheLogFromAAt10And10) {
  const AngleCase c = GetParam();
  Extended theta = 0, rho = 0;
  SurfaceAngle(10, 10, c.xB, c.yB, theta, rho);
  EXPECT_EQ(FormatSurfaceNumber(theta, 7, 2), c.theta);
  EXPECT_EQ(FormatSurfaceNumber(rho, 7, 2), c.rho);
  EXPECT_GE(theta, 0);
  EXPECT_LT(theta, 360);
}

// By hand, with t = atan((xA - xB) / -((yA - yB) + 1e-6)) x 180 / 3.1416:
//  B (10, 20): t = 0, + 180 (yA < yB), 180 - 180 = 0, theta 90, rho 10.
//  B (20, 20): atan(-10 / 9.999999) = -(pi/4 + 5e-8) rad, x 57.2956455 = -44.999898 (45 x
//    pi / 3.1416 = 44.999895, plus 2.9e-6); + 180; 180 - 135.000102 = 44.999898;
//    theta = 134.999898, shown 135.00.
//  B (10, 0): atan(-0) = 0, 180 - 0 = 180, theta 270.
//  B (0, 10): atan(10 / -0.000001) = -(pi/2 - 1e-7) x 57.2956455 = -89.999790; 180 + 89.999790
//    = 269.999790; theta = 359.999790, shown 360.00 because of the constant 3.1416.
INSTANTIATE_TEST_SUITE_P(Cases, SurfaceAngleTable,
                         ::testing::Values(AngleCase{10, 20, "90.00", "10.00"},
                                           AngleCase{20, 20, "135.00", "14.14"},
                                           AngleCase{10, 0, "270.00", "10.00"},
                                           AngleCase{0, 10, "360.00", "10.00"}));

TEST(SurfaceAngle, DiagonalIsJustBelow135BeforeFormatting) {
  Extended theta = 0, rho = 0;
  SurfaceAngle(10, 10, 20, 20, theta, rho);
  // 90 + atan(10 / 9.999999) x 180 / 3.1416, worked out above: 134.999898.
  EXPECT_NEAR(static_cast<double>(theta), 134.999898, 0.000001);
  EXPECT_LT(theta, 135);
  EXPECT_NEAR(static_cast<double>(rho), std::sqrt(200.0), 1e-12);
}

TEST(SurfaceNumbers, FixedPointWithSevenSignificantDigits) {
  EXPECT_EQ(FormatSurfaceNumber(101.3L, 7, 2), "101.30");
  EXPECT_EQ(FormatSurfaceNumber(1000.4L, 7, 0), "1000");
  EXPECT_EQ(FormatSurfaceNumber(0.02L, 7, 3), "0.020");
  EXPECT_EQ(FormatSurfaceNumber(0.0079996L, 7, 3), "0.008");
  EXPECT_EQ(FormatSurfaceNumber(-0.004L, 7, 2), "0.00");  // no "-0.00"
  EXPECT_EQ(FormatSurfaceNumber(-12.345678L, 7, 2), "-12.35");
  EXPECT_EQ(FormatSurfaceNumber(2.5L, 7, 0), "2");  // halves to even
  EXPECT_EQ(FormatSurfaceNumber(3.5L, 7, 0), "4");
  // Seven significant digits: 1234567|8.4 -> 12345680; 1234567|89 -> 123456800.
  EXPECT_EQ(FormatSurfaceNumber(12345678.4L, 7, 0), "12345680");
  EXPECT_EQ(FormatSurfaceNumber(123456789.0L, 7, 2), "123456800.00");
  EXPECT_EQ(FormatSurfaceNumber(0, 7, 2), "0.00");
  EXPECT_EQ(FormatSurfaceNumber(std::numeric_limits<Extended>::quiet_NaN(), 7, 2), "NAN");
}

TEST(SurfaceNumbers, PassesLineListsTheIterationsOfEarlierPasses) {
  EXPECT_EQ(SurfacePassesLine(1, {}), "Nb passes : 1");
  EXPECT_EQ(SurfacePassesLine(2, {4}), "Nb passes : 2 {4}");
  EXPECT_EQ(SurfacePassesLine(3, {25, 4}), "Nb passes : 3 {25} {4}");
}

// ---- The first Gauss-Newton step against an independent solution ---------------------------

// Solves m x = v (n x n) by Gaussian elimination with partial pivoting, in double.
std::vector<double> Solve(std::vector<double> m, std::vector<double> v, int n) {
  for (int c = 0; c < n; ++c) {
    int p = c;
    for (int r = c + 1; r < n; ++r)
      if (std::fabs(m[r * n + c]) > std::fabs(m[p * n + c])) p = r;
    for (int k = 0; k < n; ++k) std::swap(m[c * n + k], m[p * n + k]);
    std::swap(v[c], v[p]);
    for (int r = c + 1; r < n; ++r) {
      const double f = m[r * n + c] / m[c * n + c];
      for (int k = c; k < n; ++k) m[r * n + k] -= f * m[c * n + k];
      v[r] -= f * v[c];
    }
  }
  std::vector<double> x(n);
  for (int r = n - 1; r >= 0; --r) {
    double s = v[r];
    for (int k = r + 1; k < n; ++k) s -= m[r * n + k] * x[k];
    x[r] = s / m[r * n + r];
  }
  return x;
}

TEST(SurfaceFit, FirstStepSolvesTheWeightedNormalEquations) {
  // A pair on a floor everywhere, bright enough that the cores are weighted down (D >= 100).
  PairSpec s = ExactPair();
  s.right = -1;
  const OTrame frame = PairFrame(400, 400, s);
  const SurfaceFitResult r = SurfaceFit(frame, Point(100, 101), Point(119, 115));
  ASSERT_FALSE(r.iterations.empty());
  const double median = static_cast<double>(frame.Median);
  const SurfaceWindow w = r.window;
  // Starting values (pixel positions of the peaks, heights above the median).
  const double xA = 100, yA = 101, xB = 119, yB = 115, a = 0.02, b = 0.008;
  const double hA = PairValue(s, 100, 101) - median, hB = PairValue(s, 119, 115) - median;
  // Partial derivatives of hA f(dA2) + hB f(dB2) + c with f = exp(-b d2) / (1 + a d2),
  // derived by hand: d/dxA = 2 (X - xA) hA f (a / (1 + a d2) + b), d/dhA = f,
  // d/da = -hA f d2 / (1 + a d2), d/db = -hA f d2 (sums over both stars), d/dc = 1.
  auto gradient = [&](double X, double Y, double* g, double& model) {
    const double uA = X - xA, vA = Y - yA, uB = X - xB, vB = Y - yB;
    const double dA = uA * uA + vA * vA, dB = uB * uB + vB * vB;
    const double fA = PairProfile(dA, a, b), fB = PairProfile(dB, a, b);
    const double sA = a / (1 + a * dA) + b, sB = a / (1 + a * dB) + b;
    g[0] = 2 * uA * hA * fA * sA;
    g[1] = 2 * vA * hA * fA * sA;
    g[2] = 2 * uB * hB * fB * sB;
    g[3] = 2 * vB * hB * fB * sB;
    g[4] = fA;
    g[5] = fB;
    g[6] = -hA * fA * dA / (1 + a * dA) - hB * fB * dB / (1 + a * dB);
    g[7] = -hA * fA * dA - hB * fB * dB;
    g[8] = 1;
    model = hA * fA + hB * fB + 2;
  };
  // The derivative formulas checked once against central differences.
  {
    double g[9], m0;
    gradient(95, 104, g, m0);
    const double step = 1e-6;
    auto modelAt = [&](double dx) {
      const double uA = 95 - (xA + dx), vA = 104 - yA;
      const double dA = uA * uA + vA * vA;
      const double dB = (95 - xB) * (95 - xB) + (104 - yB) * (104 - yB);
      return hA * PairProfile(dA, a, b) + hB * PairProfile(dB, a, b) + 2;
    };
    EXPECT_NEAR(g[0], (modelAt(step) - modelAt(-step)) / (2 * step), 1e-6 * std::fabs(g[0]));
  }
  std::vector<double> m(81, 0.0), v(9, 0.0);
  for (int i = 1; i <= w.x1 - w.x0 - 1; i += 2) {
    for (int j = 1; j <= w.y1 - w.y0 - 1; j += 2) {
      const double X = w.x0 + i, Y = w.y0 + j;
      double d = PairValue(s, w.x0 + i - 1, w.y0 + j - 1) - median;
      if (d < 0) d = 0;
      double g[9], model;
      gradient(X, Y, g, model);
      const double weight = d < 100 ? 1.0 : 100.0 / d;
      for (int k = 0; k < 9; ++k) {
        for (int l = 0; l < 9; ++l) m[k * 9 + l] += g[k] * g[l] * weight;
        v[k] += (d - model) * g[k] * weight;
      }
    }
  }
  const std::vector<double> delta = Solve(m, v, 9);
  for (int k = 0; k < 9; ++k) {
    EXPECT_NEAR(static_cast<double>(r.iterations[0].delta[k]), delta[k],
                1e-7 * std::max(1.0, std::fabs(delta[k])))
        << "component " << k + 1;
  }
}

// ---- Gauss-Jordan inversion ---------------------------------------------------------------

TEST(GaussJordan, TwoByTwoByHand) {
  // [[4, 7], [2, 6]]: determinant 10, inverse [[0.6, -0.7], [-0.2, 0.4]].
  Extended m[4] = {4, 7, 2, 6};
  ASSERT_TRUE(GaussJordanInvert(m, 2));
  EXPECT_NEAR(static_cast<double>(m[0]), 0.6, 1e-18);
  EXPECT_NEAR(static_cast<double>(m[1]), -0.7, 1e-18);
  EXPECT_NEAR(static_cast<double>(m[2]), -0.2, 1e-18);
  EXPECT_NEAR(static_cast<double>(m[3]), 0.4, 1e-18);
}

TEST(GaussJordan, ThreeByThreeThatNeedsRowAndColumnExchanges) {
  // [[1, 2, 3], [0, 1, 4], [5, 6, 0]], determinant 1; the inverse by cofactors is
  // [[-24, 18, 5], [20, -15, -4], [-5, 4, 1]]. The first pivot is the 6 at row 3, column 2.
  Extended m[9] = {1, 2, 3, 0, 1, 4, 5, 6, 0};
  ASSERT_TRUE(GaussJordanInvert(m, 3));
  const double expected[9] = {-24, 18, 5, 20, -15, -4, -5, 4, 1};
  for (int k = 0; k < 9; ++k) EXPECT_NEAR(static_cast<double>(m[k]), expected[k], 1e-15) << k;
}

TEST(GaussJordan, PermutedDiagonalNineByNineIsExact) {
  // A[i][p(i)] = 2^i with p a permutation: the inverse is A^-1[p(i)][i] = 2^-i, and every
  // operation on powers of two and zeros is exact.
  const int p[9] = {3, 7, 0, 8, 1, 5, 2, 6, 4};
  Extended m[81] = {};
  for (int i = 0; i < 9; ++i) m[i * 9 + p[i]] = std::ldexp(1.0L, i);
  ASSERT_TRUE(GaussJordanInvert(m, 9));
  for (int r = 0; r < 9; ++r) {
    for (int c = 0; c < 9; ++c) {
      const Extended expected = (p[c] == r) ? std::ldexp(1.0L, -c) : 0;
      EXPECT_EQ(m[r * 9 + c], expected) << r << "," << c;
    }
  }
}

TEST(GaussJordan, SingularMatricesAreRefused) {
  Extended dependent[4] = {1, 2, 2, 4};
  EXPECT_FALSE(GaussJordanInvert(dependent, 2));
  Extended zeroRow[9] = {1, 2, 3, 0, 0, 0, 4, 5, 6};
  EXPECT_FALSE(GaussJordanInvert(zeroRow, 3));
  Extended zero[81] = {};
  EXPECT_FALSE(GaussJordanInvert(zero, 9));
}

// ---- Model image --------------------------------------------------------------------------

TEST(SurfaceModel, ImageHasTheWindowSizeWithRowAndColumnZeroEmpty) {
  const PairSpec s = ExactPair();
  const SurfaceFitResult r = SurfaceFit(PairFrame(400, 400, s), Point(100, 101), Point(119, 115));
  ASSERT_TRUE(r.ok()) << DebugText(r.error);
  test::TempDir dir;
  const std::string path = dir.File("surface.orvc");
  ASSERT_TRUE(WriteSurfaceModel(r, path).ok);
  const int w = r.window.x1 - r.window.x0 + 1, h = r.window.y1 - r.window.y0 + 1;
  EXPECT_EQ(test::ReadBytes(path).size(), 10u * (static_cast<size_t>(w) * h + 2));
  OTrame image;
  ASSERT_TRUE(image.LoadFile(path).ok());
  ASSERT_EQ(image.Width(), w);
  ASSERT_EQ(image.Height(), h);
  for (int i = 0; i < w; ++i) EXPECT_EQ(image.Px(i, 0), 0) << i;
  for (int j = 0; j < h; ++j) EXPECT_EQ(image.Px(0, j), 0) << j;
  // Elsewhere the model at fit coordinate (x0 + i, y0 + j), floor 2 included.
  const SurfaceParams& p = r.fit;
  for (const auto& [i, j] : {std::pair{1, 1}, std::pair{51, 50}, std::pair{60, 60}}) {
    const double X = r.window.x0 + i, Y = r.window.y0 + j;
    const double a = static_cast<double>(p.a), b = static_cast<double>(p.b);
    const double dA =
        std::pow(X - static_cast<double>(p.xA), 2) + std::pow(Y - static_cast<double>(p.yA), 2);
    const double dB =
        std::pow(X - static_cast<double>(p.xB), 2) + std::pow(Y - static_cast<double>(p.yB), 2);
    const double model = static_cast<double>(p.hA) * PairProfile(dA, a, b) +
                         static_cast<double>(p.hB) * PairProfile(dB, a, b) + 2;
    EXPECT_NEAR(static_cast<double>(image.Px(i, j)), model, 1e-9 * model) << i << "," << j;
  }
}

TEST(SurfaceModel, NothingToWriteAfterAFailure) {
  SurfaceFitResult failed;
  failed.error = Error(ErrorCode::SurfaceSingular).Row(1);
  test::TempDir dir;
  EXPECT_FALSE(WriteSurfaceModel(failed, dir.File("surface.orvc")).ok);
  EXPECT_FALSE(test::FileExistsForTest(dir.File("surface.orvc")));
}

// ---- Failures -----------------------------------------------------------------------------

TEST(SurfaceFailures, EmptyFrame) {
  const SurfaceFitResult r = SurfaceFit(OTrame(), Point(10, 10), Point(20, 20));
  EXPECT_EQ(r.error.code, ErrorCode::SurfaceNoImage);
}

TEST(SurfaceFailures, UniformFrameGivesASingularSystem) {
  // Every height starts at 0 above the median: the position derivatives vanish.
  OTrame f = test::MakeFrame(200, 200, 100);
  f.ComputeStats();
  const SurfaceFitResult r = SurfaceFit(f, Point(80, 80), Point(100, 90));
  EXPECT_EQ(r.error.code, ErrorCode::SurfaceSingular);
  EXPECT_EQ(r.passes, 1);
}

TEST(SurfaceFailures, InfinitePixelInTheWindow) {
  OTrame f = test::MakeFrame(200, 200, 5);
  f.Px(90, 85) = std::numeric_limits<Extended>::infinity();
  f.ComputeStats();
  const SurfaceFitResult r = SurfaceFit(f, Point(80, 80), Point(100, 90));
  EXPECT_EQ(r.error.code, ErrorCode::SurfaceNotFinite);
}

TEST(SurfaceFailures, WindowOfZerosStopsInsteadOfDoublingForever) {
  // Zeros round the pair, 50 on the middle row and column: median 50, data 0, heights
  // starting at -50. Doubling zeros changes nothing, so a failing pass would repeat forever.
  OTrame f;
  f.Allocate(400, 400);
  for (int k = 0; k < 400; ++k) f.Px(k, 200) = f.Px(200, k) = 50;
  f.ComputeStats();
  ASSERT_EQ(f.Median, 50);
  const SurfaceFitResult r = SurfaceFit(f, Point(100, 100), Point(130, 110));
  EXPECT_EQ(r.error.code, ErrorCode::SurfaceNoSignal);
  EXPECT_EQ(r.passes, 1);
}

TEST(SurfacePasses, FaintPairIsDoubledUntilItClearsTheHeightFloor) {
  // Stars 1e-18 high on an empty sky: pass k + 1 fits stars 2^k x 1e-18 high, and
  // 2^64 x 1e-18 = 18.4 is still below the height floor of 20, so the pair cannot be fitted
  // before 65 doublings (pass 66), which a fixed limit of 64 passes refused.
  PairSpec s;
  s.ax = 30.3;
  s.ay = 30.6;
  s.bx = 43.8;
  s.by = 41.2;
  s.heightA = s.heightB = 1e-18;
  s.floor = 0;
  const OTrame frame = PairFrame(80, 80, s);
  const SurfaceFitResult r = SurfaceFit(frame, Point(30, 31), Point(44, 41));
  ASSERT_TRUE(r.ok()) << DebugText(r.error);
  EXPECT_EQ(r.passes, 66);
  EXPECT_EQ(r.iterationsPerPass.size(), 66u);
  EXPECT_NEAR(static_cast<double>(r.fit.hA), std::ldexp(1e-18, 65), 0.01);
  EXPECT_NEAR(static_cast<double>(r.fit.hB), std::ldexp(1e-18, 65), 0.01);
  // Fit coordinates are one more than the frame pixels.
  EXPECT_NEAR(static_cast<double>(r.fit.xA), s.ax + 1, 0.05);
  EXPECT_NEAR(static_cast<double>(r.fit.yA), s.ay + 1, 0.05);
  EXPECT_NEAR(static_cast<double>(r.fit.xB), s.bx + 1, 0.05);
  EXPECT_NEAR(static_cast<double>(r.fit.yB), s.by + 1, 0.05);
}

TEST(SurfacePasses, WindowThatCanNeverFitEndsWithTheMessage) {
  // Zeros round the pair with a patch of -3, 50 on the middle row and column: the data are
  // 0 in every pass (2^k x 0 - 50 and 2^k x -3 - 50 are negative) and the heights start at
  // -50 in every pass, so each pass would repeat the first. No pixel lies above 0: doubling
  // cannot raise the data, and the fit ends after the first pass.
  OTrame f;
  f.Allocate(400, 400);
  for (int k = 0; k < 400; ++k) f.Px(k, 200) = f.Px(200, k) = 50;
  for (int x = 60; x < 70; ++x) {
    for (int y = 140; y < 150; ++y) f.Px(x, y) = -3;
  }
  f.ComputeStats();
  ASSERT_EQ(f.Median, 50);
  SurfaceFitResult r = SurfaceFit(f, Point(100, 100), Point(130, 110));
  EXPECT_EQ(r.error.code, ErrorCode::SurfaceNoPair) << DebugText(r.error);
  EXPECT_EQ(r.passes, 1);
  EXPECT_EQ(r.error.values, (std::vector<double>{1, 20}));

  // Stars of height 0.75 on a floor of 2 would be fitted after a few doublings; a given
  // limit of three passes ends them with the same failure.
  PairSpec s;
  s.ax = 100;
  s.ay = 100;
  s.bx = 125;
  s.by = 110;
  s.heightA = s.heightB = 0.75;
  r = SurfaceFit(PairFrame(300, 300, s), Point(100, 100), Point(125, 110), 3);
  EXPECT_EQ(r.error.code, ErrorCode::SurfaceNoPair) << DebugText(r.error);
  EXPECT_EQ(r.passes, 3);
  ASSERT_EQ(r.iterationsPerPass.size(), 3u);
  EXPECT_EQ(r.log[0], SurfacePassesLine(3, {r.iterationsPerPass[0], r.iterationsPerPass[1]}));
}

TEST(SurfacePasses, LimitFollowsTheExponentsOfTheLargestPixelAndTheThreshold) {
  // By hand: 1e-18 lies in [2^-60, 2^-59), 100 in [2^6, 2^7): at most 66 doublings reach the
  // threshold, 66 more the margin, and the first pass makes 133.
  EXPECT_EQ(SurfacePassLimit(2e-18L, 0), 133);
  // A pixel above the threshold (or above a larger median) needs only the margin.
  EXPECT_EQ(SurfacePassLimit(30000, 1000), 1 + 66);
  EXPECT_EQ(SurfacePassLimit(30000, -40000), 1 + 2 + 66);  // 30000 to 2^16 > 40000
  EXPECT_EQ(SurfacePassLimit(0, 0), 1);
  EXPECT_EQ(SurfacePassLimit(-5, 0), 1);
  // Never more doublings than the extended range holds.
  EXPECT_EQ(SurfacePassLimit(0x1p16380L, 0), 1 + 3);
}

}  // namespace
}  // namespace orvek
