// The summary of a reduced series: means across the 0/360 turn, dispersions, standard
// errors, nights and the error with the calibration's uncertainty. Expected values are hand
// computations.

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "measure/Observation.h"

namespace orvek {
namespace {

TEST(Observation, DispersionsAndErrorsAcrossTheTurn) {
  // Angles 359, 1, 3 are 1 +- 2; rho 2.2 +- 0.2.
  const std::vector<ObservedRow> rows = {{359, 2.0, {}}, {1, 2.2, {}}, {3, 2.4, {}}};
  const Result<ObservationSummary> s = Summarize(rows, {0.5, 0.001, 0.25});
  ASSERT_TRUE(s.ok());
  EXPECT_EQ(s->all.n, 3);
  EXPECT_FALSE(s->all.epoch.has_value());
  EXPECT_NEAR(s->all.thetaDeg, 1.0, 1e-12);
  EXPECT_NEAR(*s->all.thetaSdDeg, 2.0, 1e-12);
  EXPECT_NEAR(*s->all.thetaSemDeg, 2.0 / std::sqrt(3.0), 1e-12);
  EXPECT_NEAR(s->all.rhoArcsec, 2.2, 1e-12);
  EXPECT_NEAR(*s->all.rhoSdArcsec, 0.2, 1e-12);
  EXPECT_NEAR(*s->all.rhoSemArcsec, 0.2 / std::sqrt(3.0), 1e-12);
  // sqrt(4/3 + 0.5^2) and sqrt(0.04/3 + (2.2 x 0.001 / 0.25)^2)
  EXPECT_NEAR(*s->thetaErrDeg, 1.2583057392117916, 1e-12);
  EXPECT_NEAR(*s->rhoErrArcsec, 0.11580489339114014, 1e-12);
  // Rows without a time are one night of their own.
  ASSERT_EQ(s->nights.size(), 1u);
  EXPECT_EQ(s->nights[0].n, 3);

  // One row: no dispersion, so no standard error and no total error either.
  const Result<ObservationSummary> one = Summarize(std::span(rows).first(1), {0.5, {}, 1});
  ASSERT_TRUE(one.ok());
  EXPECT_NEAR(one->all.thetaDeg, 359, 1e-12);
  EXPECT_FALSE(one->all.thetaSdDeg || one->all.thetaSemDeg || one->thetaErrDeg);
}

TEST(Observation, NightsAreRowsLessThanEightHoursApartInTimeOrder) {
  const double hour = 1 / 24.0 / 365.242198781;  // a Besselian year's hour
  const double e = 2024.5;
  const std::vector<ObservedRow> rows = {
      {10, 1.0, e},                // night 1
      {12, 1.2, e + 7.9 * hour},   // 7.9 h later: same night
      {20, 2.0, e + 23.9 * hour},  // 8.1 h after the last of night 1: night 2
      {30, 3.0, {}},               // no time: a night of its own, last
      {14, 1.4, e + 15.8 * hour},  // 7.9 h after the second row: still night 1
      {22, 2.2, e + 24.4 * hour},  // night 2
  };
  const Result<ObservationSummary> s = Summarize(rows);
  ASSERT_TRUE(s.ok());
  ASSERT_EQ(s->nights.size(), 3u);
  const SeriesStats& n1 = s->nights[0];
  EXPECT_EQ(n1.n, 3);
  EXPECT_NEAR(*n1.epoch, e + 7.9 * hour, 1e-9);
  EXPECT_NEAR(n1.thetaDeg, 12, 1e-12);
  EXPECT_NEAR(*n1.thetaSdDeg, 2, 1e-12);
  EXPECT_NEAR(*n1.rhoSdArcsec, 0.2, 1e-12);
  const SeriesStats& n2 = s->nights[1];
  EXPECT_EQ(n2.n, 2);
  EXPECT_NEAR(*n2.epoch, e + 24.15 * hour, 1e-9);
  EXPECT_NEAR(n2.rhoArcsec, 2.1, 1e-12);
  EXPECT_NEAR(*n2.thetaSdDeg, std::sqrt(2.0), 1e-12);
  const SeriesStats& n3 = s->nights[2];
  EXPECT_EQ(n3.n, 1);
  EXPECT_FALSE(n3.epoch.has_value());
  EXPECT_FALSE(n3.thetaSdDeg.has_value());
  // The series' epoch is the mean of the five timed rows.
  EXPECT_NEAR(*s->all.epoch, e + (7.9 + 23.9 + 15.8 + 24.4) / 5 * hour, 1e-9);
}

TEST(Observation, CalibrationOfASeriesOfAKnownPair) {
  // Raw angles 359.6, 359.8, 0 of a pair known at 357.6: Delta 2.2 +- 0.2. Separations of a
  // pair of 10" whose frames' own scales are 0.5, 0.4 and 0.45 (0.45 +- 0.05); Epsilon is
  // 10 over the mean separation.
  const std::vector<double> raw = {359.6, 359.8, 0.0};
  const std::vector<double> d = {20, 25, 10 / 0.45};
  const auto c = CalibrateSeries(raw, d, 357.6, 10);
  ASSERT_TRUE(c.ok());
  EXPECT_NEAR(c->deltaDeg, 2.2, 1e-9);
  EXPECT_NEAR(*c->deltaSdDeg, 0.2, 1e-9);
  EXPECT_NEAR(*c->deltaSeDeg, 0.2 / std::sqrt(3.0), 1e-9);
  EXPECT_NEAR(c->epsilon, 10 / ((20 + 25 + 10 / 0.45) / 3), 1e-12);
  EXPECT_NEAR(*c->epsilonSd, 0.05, 1e-12);
  EXPECT_NEAR(*c->epsilonSe, 0.05 / std::sqrt(3.0), 1e-12);
  EXPECT_EQ(CalibrateSeries(raw, std::vector<double>{20, 0, 1}, 0, 10).error().row, 2);
}

TEST(Observation, RefusesValuesThatAreNotMeasures) {
  const std::vector<ObservedRow> rows = {{10, 1, {}}, {std::nan(""), 1, {}}};
  const Result<ObservationSummary> nan = Summarize(rows);
  ASSERT_FALSE(nan.ok());
  EXPECT_EQ(nan.error().field, "theta");
  EXPECT_EQ(nan.error().row, 2);
  const Result<ObservationSummary> sd = Summarize(std::span(rows).first(1), {-0.1, {}, 1});
  ASSERT_FALSE(sd.ok());
  EXPECT_EQ(sd.error().code, ErrorCode::OutOfRange);
  EXPECT_EQ(sd.error().field, "delta-sd");
}

}  // namespace
}  // namespace orvek
