#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "core/Rounding.h"

namespace orvek {
namespace {

TEST(Rounding, NearestSendsHalvesToTheEvenNeighbour) {
  EXPECT_EQ(Nearest(2.5L), 2);
  EXPECT_EQ(Nearest(3.5L), 4);
  EXPECT_EQ(Nearest(-2.5L), -2);
  EXPECT_EQ(Nearest(-3.5L), -4);
  EXPECT_EQ(Nearest(0.5L), 0);
  EXPECT_EQ(Nearest(1.5L), 2);
  EXPECT_EQ(Nearest(2.5000000001L), 3);
  EXPECT_EQ(Nearest(-0.4L), 0);
}

TEST(Rounding, NearestAgreesWithNearbyintEverywhere) {
  // The fast path and the library rounding must agree, ties included, at every magnitude.
  for (int e = -3; e < 64; ++e) {
    for (long double m : {1.0L, 1.5L, 1.25L, 1.75L, 1.999999L, 1.0000001L}) {
      for (long double sign : {1.0L, -1.0L}) {
        const long double x = sign * std::ldexp(m, e);
        if (std::fabs(x) >= 9.2e18L) continue;
        EXPECT_EQ(Nearest(x), static_cast<int64_t>(std::nearbyint(x))) << static_cast<double>(x);
        EXPECT_EQ(Nearest(x + 0.5L), static_cast<int64_t>(std::nearbyint(x + 0.5L)));
      }
    }
  }
}

TEST(Rounding, NearestNeverOverflows) {
  EXPECT_EQ(Nearest(std::numeric_limits<long double>::quiet_NaN()), 0);
  EXPECT_EQ(Nearest(std::numeric_limits<long double>::infinity()),
            std::numeric_limits<int64_t>::max());
  EXPECT_EQ(Nearest(-1e30L), std::numeric_limits<int64_t>::min());
  EXPECT_EQ(Nearest32(1e12L), std::numeric_limits<int32_t>::max());
  EXPECT_EQ(Nearest32(-1e12L), std::numeric_limits<int32_t>::min());
}

TEST(Rounding, TruncCutsTowardsZero) {
  EXPECT_EQ(Trunc(1234.7L), 1234);
  EXPECT_EQ(Trunc(-1234.7L), -1234);
  EXPECT_EQ(Trunc(std::numeric_limits<long double>::quiet_NaN()), 0);
}

TEST(Rounding, RoundToDividesByTheNegativePowerOfTen) {
  EXPECT_DOUBLE_EQ(RoundTo(12.345678, 2), 12.35);
  EXPECT_DOUBLE_EQ(RoundTo(359.999, 2), 360.0);
  EXPECT_DOUBLE_EQ(RoundTo(0.125, 2), 0.12);  // 12.5 goes to the even 12
  EXPECT_DOUBLE_EQ(RoundTo(0.5, 0), 0.0);
  EXPECT_DOUBLE_EQ(RoundTo(1.23456789, 5), 1.23457);
  // A value that rounds to zero is never negative zero.
  EXPECT_FALSE(std::signbit(RoundTo(-0.001, 2)));
}

TEST(Rounding, GeneralFormatKeepsFifteenDigitsAndAPoint) {
  EXPECT_EQ(FormatGeneral(12.34), "12.34");
  EXPECT_EQ(FormatGeneral(360.0), "360");
  EXPECT_EQ(FormatGeneral(0.1 + 0.2), "0.3");
  EXPECT_EQ(FormatGeneral(-0.0), "0");
  EXPECT_EQ(FormatGeneral(1234567.125), "1234567.125");
  EXPECT_EQ(FormatFixed(2.345, 2), "2.35");  // 2.345 is stored slightly above the half
  EXPECT_EQ(FormatFixed(-0.001, 2), "0.00");
}

TEST(Rounding, RoundTripTextReadsBackTheSameDouble) {
  for (double v : {0.1, 1.0 / 3.0, 123456.789012345678, 5e-324, 1e308, -2.5}) {
    EXPECT_EQ(std::strtod(FormatRoundTrip(v).c_str(), nullptr), v) << FormatRoundTrip(v);
  }
}

TEST(Rounding, NumbersParseWithAPointOnly) {
  Extended v = 0;
  EXPECT_TRUE(ParseNumber(" 12.5 ", v));
  EXPECT_EQ(v, 12.5L);
  EXPECT_TRUE(ParseNumber("+3", v));
  EXPECT_EQ(v, 3.0L);
  EXPECT_TRUE(ParseNumber("-1.5E3", v));
  EXPECT_EQ(v, -1500.0L);
  EXPECT_FALSE(ParseNumber("12,5", v));
  EXPECT_FALSE(ParseNumber(".", v));
  EXPECT_FALSE(ParseNumber("", v));
  EXPECT_FALSE(ParseNumber("-", v));
  EXPECT_FALSE(ParseNumber("inf", v));
  EXPECT_FALSE(ParseNumber("nan", v));
  EXPECT_FALSE(ParseNumber("1.2.3", v));
  int64_t i = 0;
  EXPECT_TRUE(ParseInt(" 640 ", i));
  EXPECT_EQ(i, 640);
  EXPECT_FALSE(ParseInt("640.0", i));
}

}  // namespace
}  // namespace orvek
