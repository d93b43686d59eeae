// The time keywords of FITS headers, as capture programs write them, read into a frame's time;
// the cards Orvek writes to keep a time; the lossless writer that carries them.

#include <gtest/gtest.h>

#include <optional>

#include "core/FitsBuilder.h"
#include "core/FitsTime.h"
#include "core/OTrame.h"
#include "support/TestSupport.h"

namespace orvek {
namespace {

using test::FitsBuilder;

struct KeywordCase {
  const char* label;
  std::vector<std::pair<std::string, std::string>> cards;  // keyword, value as written
  std::optional<UtcTime> expected;                         // hand-computed middle of exposure
  std::optional<double> exposure;
  TimeSource source;
  bool approximate;
  const char* problemField;  // keyword reported as unreadable, or ""
};

void PrintTo(const KeywordCase& c, std::ostream* os) {
  *os << c.label;
}

std::vector<uint8_t> Header(const std::vector<std::pair<std::string, std::string>>& cards) {
  FitsBuilder b;
  b.Image(16, 1, 1);
  for (const auto& [key, value] : cards) b.Card(key, value);
  return b.Bytes(true, false);
}

class FitsKeywords : public ::testing::TestWithParam<KeywordCase> {};

// MJD 60194 and JD 2460194.5 are 2023-09-07 00:00 UTC (2023-01-01 is JD 2459945.5, and
// September 7 is day 249 after it).
INSTANTIATE_TEST_SUITE_P(
    Headers, FitsKeywords,
    ::testing::Values(
        KeywordCase{"date_obs_plus_half_exptime",
                    {{"DATE-OBS", "'2023-09-07T22:22:39.131'"}, {"EXPTIME", "0.015"}},
                    UtcTime{2023, 9, 7, 22, 22, 39.1385},
                    0.015,
                    TimeSource::DateObs,
                    false,
                    ""},
        KeywordCase{"date_with_time_obs",
                    {{"DATE-OBS", "'2023-09-07' / date"}, {"TIME-OBS", "'22:22:39.5'"}},
                    UtcTime{2023, 9, 7, 22, 22, 39.5},
                    std::nullopt,
                    TimeSource::DateObs,
                    false,
                    ""},
        KeywordCase{"date_with_ut_and_exposure",
                    {{"DATE-OBS", "'2023-09-07'"}, {"UT", "'01:02:03'"}, {"EXPOSURE", "2.0D0"}},
                    UtcTime{2023, 9, 7, 1, 2, 4},
                    2.0,
                    TimeSource::DateObs,
                    false,
                    ""},
        KeywordCase{"old_day_month_year",
                    {{"DATE-OBS", "'07/09/93'"}, {"TIME-OBS", "'22:22:39'"}},
                    UtcTime{1993, 9, 7, 22, 22, 39},
                    std::nullopt,
                    TimeSource::DateObs,
                    false,
                    ""},
        KeywordCase{"date_alone_is_approximate",
                    {{"DATE-OBS", "'2023-09-07'"}},
                    UtcTime{2023, 9, 7, 0, 0, 0},
                    std::nullopt,
                    TimeSource::DateObs,
                    true,
                    ""},
        KeywordCase{"date_avg_is_the_middle",
                    {{"DATE-AVG", "'2023-09-07T22:22:39.2'"}, {"EXPTIME", "10"}},
                    UtcTime{2023, 9, 7, 22, 22, 39.2},
                    10.0,
                    TimeSource::DateAvg,
                    false,
                    ""},
        KeywordCase{"mjd_obs",
                    {{"MJD-OBS", "60194.5"}, {"EXPTIME", "10"}},
                    UtcTime{2023, 9, 7, 12, 0, 5},
                    10.0,
                    TimeSource::MjdObs,
                    false,
                    ""},
        KeywordCase{"jd",
                    {{"JD", "2460194.75"}},
                    UtcTime{2023, 9, 7, 6, 0, 0},
                    std::nullopt,
                    TimeSource::Jd,
                    false,
                    ""},
        KeywordCase{"date_obs_not_a_date",
                    {{"DATE-OBS", "'yesterday'"}},
                    std::nullopt,
                    std::nullopt,
                    TimeSource::DateObs,
                    false,
                    "DATE-OBS"},
        KeywordCase{"bad_date_obs_then_mjd",
                    {{"DATE-OBS", "'2023-02-30T10:00:00'"}, {"MJD-OBS", "60194.5"}},
                    UtcTime{2023, 9, 7, 12, 0, 0},
                    std::nullopt,
                    TimeSource::MjdObs,
                    false,
                    "DATE-OBS"},
        KeywordCase{"bad_exposure_is_left_out",
                    {{"DATE-OBS", "'2023-09-07T22:22:39'"}, {"EXPTIME", "'long'"}},
                    UtcTime{2023, 9, 7, 22, 22, 39},
                    std::nullopt,
                    TimeSource::DateObs,
                    false,
                    "EXPTIME"},
        KeywordCase{"no_time_keyword",
                    {{"OBJECT", "'STF 1234'"}},
                    std::nullopt,
                    std::nullopt,
                    TimeSource::DateObs,
                    false,
                    ""}),
    [](const ::testing::TestParamInfo<KeywordCase>& info) {
      return std::string(info.param.label);
    });

TEST_P(FitsKeywords, GiveTheMiddleOfTheExposure) {
  const KeywordCase& c = GetParam();
  const std::vector<uint8_t> header = Header(c.cards);
  const FitsTimeReading r = ReadFitsTime(header.data(), header.size(), "f.fits");
  if (*c.problemField != '\0') {
    EXPECT_EQ(r.problem.code, ErrorCode::FitsBadTime);
    EXPECT_EQ(r.problem.field, c.problemField);
    EXPECT_EQ(r.problem.path, "f.fits");
  } else {
    EXPECT_EQ(r.problem.code, ErrorCode::None) << DebugText(r.problem);
  }
  ASSERT_EQ(r.time.has_value(), c.expected.has_value());
  if (!c.expected) return;
  EXPECT_NEAR(*SecondsBetween(*c.expected, r.time->utc), 0.0, 1e-6) << FormatIsoTime(r.time->utc);
  EXPECT_EQ(r.time->exposureS, c.exposure);
  EXPECT_EQ(r.time->source, c.source);
  EXPECT_EQ(r.time->approximate, c.approximate);
}

TEST(FitsTimeCards, RecordTheStartAndReadBackTheMiddle) {
  FrameTime t;
  t.utc = UtcTime{2023, 9, 7, 22, 22, 39.1385};
  t.exposureS = 0.015;
  const std::string cards = FitsTimeCards(t);
  // By hand: 39.1385 - 0.0075 = 39.131; the value of EXPTIME ends in column 30.
  EXPECT_EQ(cards, test::FitsCard("DATE-OBS= '2023-09-07T22:22:39.131'") +
                       test::FitsCard("EXPTIME =                0.015"));
  const std::string header = cards + test::FitsCard("END");
  const FitsTimeReading back =
      ReadFitsTime(reinterpret_cast<const uint8_t*>(header.data()), header.size(), "x");
  ASSERT_TRUE(back.time.has_value());
  EXPECT_NEAR(*SecondsBetween(t.utc, back.time->utc), 0.0, 1e-6);
}

TEST(FitsTimeLoad, AFrameWithAnUnreadableDateLoadsWithoutATime) {
  test::TempDir dir;
  FitsBuilder b;
  b.Image(16, 3, 3).Card("DATE-OBS", "'31/02/2023'");
  for (int i = 0; i < 9; ++i) b.I16(i);
  test::WriteBytes(dir.File("bad.fits"), b.Bytes());
  OTrame f;
  ASSERT_TRUE(f.LoadFile(dir.File("bad.fits")).ok());
  EXPECT_FALSE(f.Time.has_value());
  EXPECT_EQ(f.TimeProblem.code, ErrorCode::FitsBadTime);
  EXPECT_EQ(f.TimeProblem.text, "31/02/2023");
  EXPECT_EQ(f.TimeProblem.path, dir.File("bad.fits"));
}

TEST(FitsTimeLoad, RealSpeckleSeriesRunsInStepsOf15Ms) {
  // The 12 frames of a258 written by PIPP: DATE-OBS from 2023-09-07T22:22:39.131697 in steps
  // of 15 ms (as the data's notes record), no exposure keyword.
  const std::string folder = test::RealDataDir() + "speckles-interferometry/images/";
  std::optional<UtcTime> previous;
  for (int k = 1; k <= 12; ++k) {
    char name[32];
    std::snprintf(name, sizeof name, "a258_f%04d.fit", k);
    OTrame f;
    ASSERT_TRUE(f.LoadFile(folder + name).ok()) << name;
    ASSERT_TRUE(f.Time.has_value()) << name;
    EXPECT_EQ(f.Time->source, TimeSource::DateObs);
    EXPECT_FALSE(f.Time->exposureS.has_value());
    if (k == 1) {
      EXPECT_EQ(f.Time->utc.hour, 22);
      EXPECT_NEAR(f.Time->utc.second, 39.131697, 1e-6);
    } else {
      EXPECT_NEAR(*SecondsBetween(*previous, f.Time->utc), 0.015, 0.0005) << name;
    }
    previous = f.Time->utc;
  }
}

TEST(LosslessFits, KeepsEveryValueAndTheTime) {
  test::TempDir dir;
  struct {
    Extended low, high;
    int bitpix;
  } cases[] = {{0, 65535, 16}, {0, 196605, 32}, {-5, 100, 32}};
  for (const auto& c : cases) {
    OTrame f = test::MakeFrame(5, 4, c.low);
    f.Px(1, 2) = c.high;
    f.Px(4, 3) = 12345;
    f.Time = FrameTime{UtcTime{2023, 9, 7, 22, 22, 39.5}, 2.0, TimeSource::Ser, false};
    const Result<std::vector<uint8_t>> bytes = f.EncodeLosslessFits();
    ASSERT_TRUE(bytes.ok());
    const std::string header(bytes->begin(), bytes->begin() + 2880);
    EXPECT_NE(header.find(test::FitsValueCard("BITPIX", std::to_string(c.bitpix))),
              std::string::npos);
    EXPECT_EQ(bytes->size() % 2880, 0u);
    test::WriteBytes(dir.File("l.fits"), {bytes->begin(), bytes->end()});
    OTrame back;
    ASSERT_TRUE(back.LoadFile(dir.File("l.fits")).ok());
    // The reader raises a frame with negative values to 0, as it always has.
    const Extended shift = c.low < 0 ? -c.low : 0;
    for (int x = 0; x < 5; ++x) {
      for (int y = 0; y < 4; ++y) EXPECT_EQ(back.Px(x, y), f.Px(x, y) + shift) << x << "," << y;
    }
    ASSERT_TRUE(back.Time.has_value());
    EXPECT_NEAR(*SecondsBetween(f.Time->utc, back.Time->utc), 0.0, 1e-6);
    EXPECT_EQ(back.Time->exposureS, 2.0);
  }
  OTrame fraction = test::MakeFrame(2, 2, 1);
  fraction.Px(1, 0) = 1.5;
  const Result<std::vector<uint8_t>> refused = fraction.EncodeLosslessFits();
  ASSERT_FALSE(refused.ok());
  EXPECT_EQ(refused.error().code, ErrorCode::FitsNotLossless);
  EXPECT_EQ(refused.error().values, (std::vector<double>{1, 0, 1.5}));
}

}  // namespace
}  // namespace orvek
