// Time scales and epochs. The expected values were computed by astropy (and Python's datetime
// for SER tick counts) with tests/time/make_time_fixtures.py, whose output rows are pasted here.

#include <gtest/gtest.h>

#include "core/ObsTime.h"

namespace orvek {
namespace {

UtcTime Parsed(const std::string& text) {
  const Result<UtcTime> t = ParseIsoTime(text);
  EXPECT_TRUE(t.ok()) << text;
  return t.ok() ? *t : UtcTime{};
}

struct EpochCase {
  const char* iso;
  double jdUtc;
  double jdTt;
  double besselian;
};

void PrintTo(const EpochCase& c, std::ostream* os) {
  *os << c.iso;
}

class Epochs : public ::testing::TestWithParam<EpochCase> {};

// Ordinary dates, J2000, inside and just after the leap second of 2016-12-31, the leap second
// of 1985-06-30, a leap day, and the first day of leap-second UTC.
INSTANTIATE_TEST_SUITE_P(Astropy, Epochs,
                         ::testing::Values(EpochCase{"2023-09-07T22:22:39.131", 2460195.432397350,
                                                     2460195.433198090, 2023.685378712708},
                                           EpochCase{"2000-01-01T12:00:00.000", 2451545.000000000,
                                                     2451545.000742870, 2000.001279547577},
                                           EpochCase{"2016-12-31T23:59:60.500", 2457754.499994213,
                                                     2457754.500794954, 2017.002327270999},
                                           EpochCase{"2017-01-01T00:00:00.000", 2457754.500000000,
                                                     2457754.500800741, 2017.002327286843},
                                           EpochCase{"1985-06-30T23:59:60.000", 2446247.499988426,
                                                     2446247.500627130, 1985.497204899518},
                                           EpochCase{"2024-02-29T06:30:15.250", 2460369.771009838,
                                                     2460369.771810579, 2024.162702015082},
                                           EpochCase{"1972-01-01T00:00:00.000", 2441317.500000000,
                                                     2441317.500488241, 1971.999311842958}));

TEST_P(Epochs, AgreeWithAstropy) {
  const EpochCase& c = GetParam();
  const UtcTime t = Parsed(c.iso);
  // The fixtures print 9 decimals of a day (86 us) and 12 of a year.
  const Result<JulianDate> utc = ToJd(t);
  ASSERT_TRUE(utc.ok());
  EXPECT_NEAR(utc->Value(), c.jdUtc, 2e-9);
  const Result<JulianDate> tt = ToTt(t);
  ASSERT_TRUE(tt.ok());
  EXPECT_NEAR(tt->Value(), c.jdTt, 2e-9);
  const Result<double> epoch = BesselianEpoch(t);
  ASSERT_TRUE(epoch.ok());
  EXPECT_NEAR(*epoch, c.besselian, 1e-9);  // the required agreement is 1e-5 year
  // The text comes back as it was written (milliseconds, leap second included).
  EXPECT_EQ(FormatIsoTime(t), c.iso);
}

TEST(IsoTime, AcceptsTheIsoFormsAndRefusesTheRest) {
  EXPECT_EQ(Parsed("2023-09-07"), (UtcTime{2023, 9, 7, 0, 0, 0}));
  EXPECT_EQ(Parsed("2023-09-07T22:22"), (UtcTime{2023, 9, 7, 22, 22, 0}));
  EXPECT_EQ(Parsed(" 2023-09-07 22:22:39.5Z "), (UtcTime{2023, 9, 7, 22, 22, 39.5}));
  // A zone ahead of UTC by 2 h: 00:30 local is 22:30 UTC the day before.
  EXPECT_EQ(Parsed("2023-09-08T00:30:00+02:00"), (UtcTime{2023, 9, 7, 22, 30, 0}));
  EXPECT_EQ(FormatIsoTime(Parsed("2023-09-07T22:22:39.131697")), "2023-09-07T22:22:39.132");
  // Rounding to the millisecond carries into the next day.
  EXPECT_EQ(FormatIsoTime(Parsed("2023-12-31T23:59:59.9996")), "2024-01-01T00:00:00.000");
  for (const char* bad : {"", "2023-9-07", "2023-02-30", "2023-09-07T24:00:00", "2023-09-07T22:60",
                          "2023-09-07T22:22:60", "2017-06-30T23:59:60", "07/09/2023",
                          "2023-09-07T22:22:39.", "2023-09-07T22:22:39 junk"}) {
    const Result<UtcTime> t = ParseIsoTime(bad);
    ASSERT_FALSE(t.ok()) << bad;
    EXPECT_EQ(t.error().code, ErrorCode::BadTime);
    EXPECT_EQ(t.error().text, bad);
  }
}

TEST(TimeArithmetic, CountsLeapSecondsAndRoundTrips) {
  // From 23:59:59 to 00:00:01 across the 2016 leap second: 3 s (astropy, TAI difference).
  const UtcTime before = Parsed("2016-12-31T23:59:59");
  const UtcTime after = Parsed("2017-01-01T00:00:01");
  EXPECT_NEAR(*SecondsBetween(before, after), 3.0, 1e-6);
  EXPECT_NEAR(*SecondsBetween(after, before), -3.0, 1e-6);
  const Result<UtcTime> leap = AddSeconds(before, 1.25);
  ASSERT_TRUE(leap.ok());
  EXPECT_EQ(FormatIsoTime(*leap), "2016-12-31T23:59:60.250");
  // Adding then subtracting a long span gives the instant back to the microsecond.
  const UtcTime t = Parsed("2023-09-07T22:22:39.131697");
  const Result<UtcTime> later = AddSeconds(t, 86400.0 * 400 + 0.015);
  ASSERT_TRUE(later.ok());
  EXPECT_NEAR(*SecondsBetween(t, *later), 86400.0 * 400 + 0.015, 2e-6);
  const Result<UtcTime> back = AddSeconds(*later, -(86400.0 * 400 + 0.015));
  ASSERT_TRUE(back.ok());
  EXPECT_NEAR(*SecondsBetween(t, *back), 0.0, 2e-6);
}

TEST(TimeArithmetic, SerTicksAreTheInstantsPythonCounts) {
  // Python's datetime: (instant - 0001-01-01) in units of 100 ns.
  const struct {
    int64_t ticks;
    const char* iso;
  } cases[] = {{638297221591316970LL, "2023-09-07T22:22:39.131697"},
               {636188255999999990LL, "2016-12-31T23:59:59.999999"},
               {1000LL, "0001-01-01T00:00:00.0001"}};
  for (const auto& c : cases) {
    const Result<UtcTime> t = FromTicks(c.ticks);
    ASSERT_TRUE(t.ok()) << c.iso;
    const UtcTime expected = Parsed(c.iso);
    EXPECT_EQ(t->year, expected.year);
    EXPECT_EQ(t->month, expected.month);
    EXPECT_EQ(t->day, expected.day);
    EXPECT_EQ(t->hour, expected.hour);
    EXPECT_EQ(t->minute, expected.minute);
    EXPECT_NEAR(t->second, expected.second, 1e-6) << c.iso;
  }
  EXPECT_FALSE(FromTicks(0).ok());
  EXPECT_FALSE(FromTicks(-5).ok());
}

}  // namespace
}  // namespace orvek
