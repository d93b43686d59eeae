// The reduction as values: position angles, separations, magnitude differences, residuals
// and dispersions, the calibration mode and the rejection's reasons (what the reduction
// refuses is checked through the table, in ReductionTableTest.cpp). Every expected value is
// worked out by hand in the comment beside it.

#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <ostream>
#include <vector>

#include "measure/Reduction.h"

namespace orvek {
namespace {

MeasuredPair Pair(Extended xA, Extended yA, Extended xB, Extended yB, Extended intA = 1000,
                  Extended intB = 1000, int64_t bin = 1, PairKind kind = PairKind::Direct) {
  MeasuredPair p;
  p.xA = xA;
  p.yA = yA;
  p.xB = xB;
  p.yB = yB;
  p.intA = intA;
  p.intB = intB;
  p.nA = p.nB = 10;
  p.bin = bin;
  p.kind = kind;
  return p;
}

// ---- The design's edge cases ------------------------------------------------------------------

struct EdgeCase {
  const char* name;
  std::vector<MeasuredPair> pairs;
  Calibration calibration;
  ReductionMode mode = ReductionMode::Mesure;
  KnownPair known;
  std::vector<double> theta;  ///< per pair
  std::vector<double> rho;
  std::vector<double> rTheta;
  std::vector<double> rRho;
  double meanTheta = 0;
  double meanRho = 0;
  double sigmaTheta = 0;
  double sigmaRho = 0;
  std::optional<double> epsilon = std::nullopt;  ///< calibration mode
  std::optional<double> delta = std::nullopt;
};

Calibration Oriented(bool northUp, bool eastLeft, Extended delta = 0, Extended epsilon = 1) {
  Calibration c;
  c.northUp = northUp;
  c.eastLeft = eastLeft;
  c.deltaDeg = delta;
  c.epsilonArcsecPerPx = epsilon;
  return c;
}

void PrintTo(const EdgeCase& c, std::ostream* out) {
  *out << c.name;
}

class ReduceEdgeCases : public ::testing::TestWithParam<EdgeCase> {};

TEST_P(ReduceEdgeCases, GiveTheHandComputedValues) {
  const EdgeCase& c = GetParam();
  const auto r = Reduce(c.pairs, c.calibration, c.mode, c.known);
  ASSERT_TRUE(r.ok()) << DebugText(r.error());
  ASSERT_EQ(r->pairs.size(), c.pairs.size());
  // Angles to 0.005 degrees and separations to 0.0005 (the digits the table shows); the
  // means of hand-picked values and the residuals (single precision) to 1e-4.
  for (size_t i = 0; i < c.pairs.size(); ++i) {
    EXPECT_NEAR(static_cast<double>(r->pairs[i].thetaDeg), c.theta[i], 0.005) << i;
    EXPECT_NEAR(static_cast<double>(r->pairs[i].rho), c.rho[i], 0.0005) << i;
    EXPECT_NEAR(static_cast<double>(r->pairs[i].rThetaDeg), c.rTheta[i], 1e-4) << i;
    EXPECT_NEAR(static_cast<double>(r->pairs[i].rRho), c.rRho[i], 1e-4) << i;
  }
  EXPECT_NEAR(r->meanThetaDeg, c.meanTheta, 1e-9);
  EXPECT_NEAR(static_cast<double>(r->meanRho), c.meanRho, 0.0005);
  EXPECT_NEAR(static_cast<double>(r->sigmaThetaDeg), c.sigmaTheta, 1e-4);
  EXPECT_NEAR(static_cast<double>(r->sigmaRho), c.sigmaRho, 1e-4);
  EXPECT_EQ(r->epsilon.has_value(), c.epsilon.has_value());
  if (c.epsilon) {
    EXPECT_NEAR(static_cast<double>(*r->epsilon), *c.epsilon, 1e-9);
  }
  EXPECT_EQ(r->deltaDeg.has_value(), c.delta.has_value());
  if (c.delta) {
    EXPECT_NEAR(static_cast<double>(*r->deltaDeg), *c.delta, 1e-9);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, ReduceEdgeCases,
    ::testing::Values(
        // North up, east left: B exactly above A is 360 (360 stays 360, it is not 0).
        EdgeCase{"BAboveIs360",
                 {Pair(100, 100, 100, 95)},
                 Oriented(true, true),
                 ReductionMode::Mesure,
                 {},
                 {360},
                 {5},
                 {0},
                 {0},
                 360,
                 5,
                 0,
                 0},
        // B exactly to the left (east) is 90; with east on the right the same pair is 270.
        EdgeCase{"BLeftIs90",
                 {Pair(100, 100, 95, 100)},
                 Oriented(true, true),
                 ReductionMode::Mesure,
                 {},
                 {90},
                 {5},
                 {0},
                 {0},
                 90,
                 5,
                 0,
                 0},
        EdgeCase{"BLeftWithEastRightIs270",
                 {Pair(100, 100, 95, 100)},
                 Oriented(true, false),
                 ReductionMode::Mesure,
                 {},
                 {270},
                 {5},
                 {0},
                 {0},
                 270,
                 5,
                 0,
                 0},
        // Raw angles 10 (dx -1.736, dy -9.848: atan(1.736 / 9.848) = 9.9974, shown 10.00) and
        // 20 (3.420 / 9.397) with Delta 5: thetas 5 and 15, mean 10, residuals -5 and 5,
        // sigma sqrt((25 + 25) / (2 - 1)) = 7.0711. Separations sqrt(1.736^2 + 9.848^2) =
        // 9.999840 and sqrt(3.420^2 + 9.397^2) = 10.000000: mean 9.999920, residuals
        // -0.000080 and 0.000080, sigma 0.000113.
        EdgeCase{"MeanOf10And20WithDelta5Is10",
                 {Pair(100, 100, 98.264L, 90.152L), Pair(100, 100, 96.580L, 90.603L)},
                 Oriented(true, true, 5),
                 ReductionMode::Mesure,
                 {},
                 {5, 15},
                 {9.99984, 10},
                 {-5, 5},
                 {-0.00008, 0.00008},
                 10,
                 9.99992,
                 7.0711,
                 0.000113},
        // One row: the dispersions are divided by 1, not 0, and the rho residual is 0.
        EdgeCase{"OneRowDividesByOne",
                 {Pair(50, 50, 47, 46)},
                 Oriented(true, true),
                 ReductionMode::Mesure,
                 {},
                 {36.87},
                 {5},
                 {0},
                 {0},
                 36.87,
                 5,
                 0,
                 0},
        // Rho 1, 2, 3 (B above A): mean 2, residuals -1, 0, 1, sigma sqrt(2 / 2) = 1.
        EdgeCase{"DispersionDividesByNMinusOne",
                 {Pair(50, 50, 50, 49), Pair(50, 50, 50, 48), Pair(50, 50, 50, 47)},
                 Oriented(true, true),
                 ReductionMode::Mesure,
                 {},
                 {360, 360, 360},
                 {1, 2, 3},
                 {0, 0, 0},
                 {-1, 0, 1},
                 360,
                 2,
                 0,
                 1},
        // A "quad_quad_" frame (binning 4): 8 px / 4 = 2; Epsilon 0.5 gives rho 1.
        EdgeCase{"Binning4DividesTheSeparation",
                 {Pair(10, 20, 10, 12, 1000, 1000, 4)},
                 Oriented(true, true, 0, 0.5L),
                 ReductionMode::Mesure,
                 {},
                 {360},
                 {1},
                 {0},
                 {0},
                 360,
                 1,
                 0,
                 0},
        // Raw angles 359 (dx 1.745, dy -99.985: atan(1.745 / 99.985) = 0.99986, shown 1.00)
        // four times and 1 once: plain mean 287.4 > 270, so the 1 counts as 361: residual
        // 73.6, the others 71.6; sigma sqrt((4 x 71.6^2 + 73.6^2) / 4) = 80.5034. Every
        // separation is sqrt(1.745^2 + 99.985^2) = 100.0002.
        EdgeCase{"ResidualsWrapAroundNorth",
                 {Pair(100, 100, 101.745L, 0.015L), Pair(100, 100, 101.745L, 0.015L),
                  Pair(100, 100, 101.745L, 0.015L), Pair(100, 100, 101.745L, 0.015L),
                  Pair(100, 100, 98.255L, 0.015L)},
                 Oriented(true, true),
                 ReductionMode::Mesure,
                 {},
                 {359, 359, 359, 359, 1},
                 {100.0002, 100.0002, 100.0002, 100.0002, 100.0002},
                 {71.6, 71.6, 71.6, 71.6, 73.6},
                 {0, 0, 0, 0, 0},
                 287.4,
                 100.0002,
                 80.5034,
                 0},
        // Calibration: known rho 10 and theta 270, separations 10 and 30 px to the left (raw
        // angle 90): mean separation 20, Epsilon 10 / 20 = 0.5, Delta 90 - 270 = -180; each
        // row's own scale 10 / 10 = 1 and 10 / 30 = 0.333; the rho residuals are the scales
        // themselves (the mean rho is 0 in this mode): sigma sqrt(1 + 1 / 9) = 1.05409.
        EdgeCase{"CalibrationKnownRho10OverMeanSeparation20",
                 {Pair(100, 100, 90, 100), Pair(100, 100, 70, 100)},
                 Oriented(true, true),
                 ReductionMode::Etalonnage,
                 {270, 10},
                 {90, 90},
                 {1, 0.33333},
                 {0, 0},
                 {1, 0.33333},
                 90,
                 0,
                 0,
                 1.05409,
                 0.5,
                 -180}),
    [](const ::testing::TestParamInfo<EdgeCase>& info) { return std::string(info.param.name); });

TEST(Normalize360, KeepsThreeSixtyAndWraps) {
  EXPECT_EQ(Normalize360(360), 360);
  EXPECT_EQ(Normalize360(720), 360);  // 720 - 360 = 360, which stays
  EXPECT_EQ(Normalize360(-360), 0);
  EXPECT_EQ(Normalize360(-5), 355);
  // 1e12 = 360 x 2777777777 + 280; a huge angle does not loop for ever.
  EXPECT_EQ(Normalize360(1e12L), 280);
}

// ---- Magnitude differences ----------------------------------------------------------------------

TEST(ReduceMagnitude, OverallOverThePairsThatHaveOne) {
  const Calibration c;
  // Every pair has one: the formula on the sums, 2.5 log10(1400 / 300) = 1.67252 (not the
  // mean of 2.5 and 2.5 log10(2) = 0.7526, which is 1.6263).
  auto r = Reduce(std::vector{Pair(0, 10, 0, 0, 1000, 100), Pair(0, 10, 0, 0, 400, 200)}, c);
  ASSERT_TRUE(r.ok());
  EXPECT_NEAR(static_cast<double>(*r->pairs[0].dM), 2.5, 1e-12);
  EXPECT_NEAR(static_cast<double>(*r->dM), 1.67252, 1e-5);
  // A pair without signal in A has none, and stays out of the sums: 2.5 log10(1000 / 100).
  r = Reduce(std::vector{Pair(0, 10, 0, 0, 1000, 100), Pair(0, 10, 0, 0, 0, 100)}, c);
  ASSERT_TRUE(r.ok());
  EXPECT_FALSE(r->pairs[1].dM.has_value());
  EXPECT_NEAR(static_cast<double>(*r->dM), 2.5, 1e-12);
  // A pair from a correlation image has none, whatever its peaks.
  r = Reduce(std::vector{Pair(128, 128, 140, 120, 900, 300, 1, PairKind::Correlation),
                         Pair(0, 10, 0, 0, 400, 200)},
             c);
  ASSERT_TRUE(r.ok());
  EXPECT_FALSE(r->pairs[0].dM.has_value());
  EXPECT_NEAR(static_cast<double>(*r->dM), 0.75257, 1e-5);  // 2.5 log10(2)
  // No pair with one: no overall value.
  r = Reduce(std::vector{Pair(128, 128, 140, 120, 900, 300, 1, PairKind::Correlation)}, c);
  ASSERT_TRUE(r.ok());
  EXPECT_FALSE(r->dM.has_value());
}

// ---- Rejection ----------------------------------------------------------------------------------

TEST(Reject, ReasonsWithTheirNumbers) {
  std::vector<MeasuredPair> pairs = {Pair(0, 0, 0, 0), Pair(0, 0, 0, 0), Pair(0, 0, 0, 0)};
  pairs[0].nA = 2;    // too few pixels in A
  pairs[0].intB = 0;  // no signal in B
  pairs[2].intA = -1;
  pairs[2].nB = 0;
  std::vector<ReducedPair> reduced(3);
  reduced[0].rho = 0.5L;  // below the sampling of 1
  reduced[1].rho = 4;
  reduced[1].rRho = 1.75L;       // beyond 3 x 0.5 = 1.5
  reduced[1].rThetaDeg = -1.5L;  // not beyond 3 x 0.5: equal
  reduced[2].rho = 0;
  const RejectionLimits limits{1, 3, 0.5L, -0.5L};  // the magnitude of a dispersion counts
  const auto why = Reject(pairs, reduced, limits);
  ASSERT_EQ(why.size(), 3u);
  EXPECT_EQ(why[0], (std::vector<RejectReason>{{RejectCode::FewPixelsA, 2, 3},
                                               {RejectCode::NoSignalB, 0, 0},
                                               {RejectCode::BelowSampling, 0.5L, 1}}));
  EXPECT_EQ(why[1], (std::vector<RejectReason>{{RejectCode::RhoResidual, 1.75L, 1.5L}}));
  EXPECT_EQ(why[2], (std::vector<RejectReason>{{RejectCode::FewPixelsB, 0, 3},
                                               {RejectCode::NoSignalA, -1, 0},
                                               {RejectCode::ZeroRho, 0, 0},
                                               {RejectCode::BelowSampling, 0, 1}}));
}

TEST(Reject, ZeroDispersionsRejectNothingForTheResiduals) {
  const std::vector<MeasuredPair> pairs = {Pair(0, 0, 0, 5), Pair(0, 0, 0, 5)};
  std::vector<ReducedPair> reduced(2);
  reduced[0].rho = reduced[1].rho = 5;
  const auto why = Reject(pairs, reduced, RejectionLimits{1, 3, 0, 0});
  EXPECT_TRUE(why[0].empty());
  EXPECT_TRUE(why[1].empty());
}

}  // namespace
}  // namespace orvek
