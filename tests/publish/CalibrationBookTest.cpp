// The calibration book: entries kept in a file the user can read, appended without touching
// what is there, refused when corrupt, combined per set-up.

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "measure/CalibrationBook.h"
#include "support/TestSupport.h"

namespace orvek {
namespace {
using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

std::string Text(const std::string& path) {
  const std::vector<unsigned char> b = ReadBytes(path);
  return std::string(b.begin(), b.end());
}

TEST(CalibrationBook, AppendsAndReadsBackKeepingEarlierLines) {
  TempDir dir;
  const std::string path = dir.File(kCalibrationBookName);
  EXPECT_TRUE(ReadCalibrationBook(path)->empty());  // no book yet: no entry, no error

  const CalibrationEntry first{
      "2024-03-01T22:10:05.000", "Cam \"Q\", 5.6 um", 2, -1.25, 0.04, 0.2354, 0.0003, "STF 1234AB"};
  const CalibrationEntry second{"2024-03-02", "QHY5L-II", 1, 359.5, {}, 0.5, {}, "STT 547"};
  ASSERT_TRUE(AppendCalibration(path, first).ok);
  const std::string before = Text(path);
  EXPECT_EQ(before,
            "date,camera,binning,delta_deg,delta_se_deg,epsilon_arcsec_px,epsilon_se_arcsec_px,"
            "pair\n2024-03-01T22:10:05.000,\"Cam \"\"Q\"\", 5.6 um\",2,-1.25,0.04,0.2354,0.0003,"
            "STF 1234AB\n");
  ASSERT_TRUE(AppendCalibration(path, second).ok);
  EXPECT_EQ(Text(path).substr(0, before.size()), before);
  const auto back = ReadCalibrationBook(path);
  ASSERT_TRUE(back.ok()) << DebugText(back.error());
  ASSERT_EQ(back->size(), 2u);
  EXPECT_EQ((*back)[0], first);
  EXPECT_EQ((*back)[1], second);
}

TEST(CalibrationBook, ACorruptBookIsNamedByLineAndLeftAsItIs) {
  TempDir dir;
  const std::string path = dir.File(kCalibrationBookName);
  const std::string corrupt =
      "date,camera,binning,delta_deg,delta_se_deg,epsilon_arcsec_px,epsilon_se_arcsec_px,pair\n"
      "2024-03-01,QHY,1,0.5,,0.25,,STF 1\n"
      "2024-03-02,QHY,1,0.5,,-0.25,,STF 1\n";
  WriteBytes(path, std::vector<unsigned char>(corrupt.begin(), corrupt.end()));
  const auto read = ReadCalibrationBook(path);
  ASSERT_FALSE(read.ok());
  EXPECT_EQ(read.error().code, ErrorCode::BookLine);
  EXPECT_EQ(read.error().row, 3);
  EXPECT_EQ(read.error().field, "epsilon_arcsec_px");
  EXPECT_FALSE(AppendCalibration(path, {"2024-03-03", "QHY", 1, 0, {}, 1, {}, ""}).ok);
  EXPECT_EQ(Text(path), corrupt);
  // An entry no calibration can have is refused before anything is written.
  TempDir other;
  const Status zero = AppendCalibration(other.File("b.csv"), {"d", "QHY", 1, 0, {}, 0, {}, ""});
  EXPECT_EQ(zero.error.code, ErrorCode::OutOfRange);
  EXPECT_FALSE(test::FileExistsForTest(other.File("b.csv")));
}

TEST(CalibrationBook, CombinesOneSetUpByInverseVarianceOrAlikeWithoutErrors) {
  const std::vector<CalibrationEntry> book = {
      {"d1", "QHY", 1, 1.0, 0.1, 0.50, 0.001, "A"},
      {"d2", "QHY", 2, 9.0, 0.1, 0.90, 0.001, "A"},  // another binning
      {"d3", "QHY", 1, 1.3, 0.2, 0.51, 0.002, "B"},
      {"d4", "DMK", 1, 5.0, 0.1, 0.70, 0.001, "A"},  // another camera
  };
  // Weights 100 and 25 for Delta, 1e6 and 2.5e5 for Epsilon.
  const auto w = CombineCalibrations(book, "QHY", 1);
  ASSERT_TRUE(w.ok());
  EXPECT_TRUE(w->weighted);
  EXPECT_EQ(w->count, 2);
  EXPECT_NEAR(w->deltaDeg, (100 * 1.0 + 25 * 1.3) / 125, 1e-12);
  EXPECT_NEAR(*w->deltaSeDeg, 1 / std::sqrt(125.0), 1e-12);
  EXPECT_NEAR(w->epsilon, 0.502, 1e-12);
  EXPECT_NEAR(*w->epsilonSe, 1 / std::sqrt(1.25e6), 1e-12);

  // An entry without its error: equal weights, the error of the mean from the scatter;
  // Deltas either side of 0/360 are averaged across the turn.
  const std::vector<CalibrationEntry> plain = {{"d1", "QHY", 1, 359.9, 0.1, 0.50, 0.001, "A"},
                                               {"d2", "QHY", 1, 0.3, {}, 0.52, {}, "A"}};
  const auto u = CombineCalibrations(plain, "QHY", 1);
  ASSERT_TRUE(u.ok());
  EXPECT_FALSE(u->weighted);
  EXPECT_NEAR(u->deltaDeg, 360.1, 1e-9);
  EXPECT_NEAR(*u->deltaSeDeg, 0.2, 1e-9);  // sd 0.2 sqrt 2 over sqrt 2
  EXPECT_NEAR(u->epsilon, 0.51, 1e-12);
  EXPECT_NEAR(*u->epsilonSe, 0.01, 1e-12);

  const auto none = CombineCalibrations(book, "ASI", 1);
  ASSERT_FALSE(none.ok());
  EXPECT_EQ(none.error().code, ErrorCode::NoCalibration);
}

}  // namespace
}  // namespace orvek
