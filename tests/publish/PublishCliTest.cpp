// orvek-cli from timed frames to a publishable observation: times and epochs of the rows,
// nights, the calibration of a known pair, and the export that keeps the user's file.
// Expected epochs and the pair's catalogue theta and rho come from astropy
// (make_cli_fixtures.py); the frames are written here.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "core/ObsTime.h"
#include "measure/CalibrationBook.h"
#include "support/CliSupport.h"
#include "support/TestSupport.h"

namespace orvek {
namespace {

using test::Join;
using test::Quote;
using test::RunCli;

constexpr double kPi = 3.14159265358979323846;

// From make_cli_fixtures.py (astropy Time(...).tt.byear and SkyCoord.apply_space_motion).
constexpr double kFirstFrameEpoch = 2024.1917348096813;
constexpr double kNight1Epoch = 2024.1917386123332;
constexpr double kNight2Epoch = 2024.21928502166;
constexpr double kCatalogueTheta = 48.60801853595131;
constexpr double kCatalogueRho = 5.927160845551182;
constexpr const char* kGaiaA = "150.0,30.0,-250.0,180.0,40.0,12.0";
constexpr const char* kGaiaB = "150.0014,30.0011,-240.0,175.0,40.0,10.0";

/// A pair imaged by a camera turned by `deltaDeg` at `epsilon` arc-seconds per pixel: B at
/// the raw angle theta + Delta (north up, east left) and rho / epsilon pixels from A. Five
/// frames start 60 s apart from 2024-03-10T21:00:00 UTC with 2 s exposures, a sixth on
/// 2024-03-20T22:30:00, with no time when `lastUntimed`. Whole-number pixels, so that the
/// FITS file keeps them exactly.
std::vector<std::string> WriteTimedPair(const std::string& folder, double thetaDeg,
                                        double rhoArcsec, double deltaDeg, double epsilon,
                                        bool lastUntimed = false) {
  const double raw = (thetaDeg + deltaDeg) * kPi / 180, px = rhoArcsec / epsilon;
  std::vector<std::string> files;
  uint32_t seed = 7;
  for (int k = 0; k < 6; ++k) {
    OTrame f = test::MakeFrame(128, 128, 200);
    const double ax = 60.2 + 0.7 * k, ay = 66.4 - 0.5 * k;
    test::AddMoffat(f, ax, ay, 12000, 3.2);
    test::AddMoffat(f, ax - std::sin(raw) * px, ay - std::cos(raw) * px, 5000, 3.2);
    for (Extended& v : f.Data()) {
      seed = seed * 1664525u + 1013904223u;
      v = std::round(v + static_cast<Extended>((seed >> 8) % 7) - 3);
    }
    if (k < 5 || !lastUntimed) {
      FrameTime t;
      t.utc = k < 5 ? UtcTime{2024, 3, 10, 21, k, 1.0} : UtcTime{2024, 3, 20, 22, 30, 1.0};
      t.exposureS = 2;
      t.source = TimeSource::DateObs;
      f.Time = t;
    }
    const Result<std::vector<uint8_t>> bytes = f.EncodeLosslessFits();
    EXPECT_TRUE(static_cast<bool>(bytes));
    char name[32];
    std::snprintf(name, sizeof name, "pair_%d.fits", k + 1);
    files.push_back(folder + name);
    test::WriteBytes(files.back(), {bytes->begin(), bytes->end()});
  }
  return files;
}

class PublishCli : public ::testing::Test {
 protected:
  test::TempHome home;
  test::TempDir dir;
};

TEST_F(PublishCli, RowsCarryTheirTimesAndEpochsAndFormNights) {
  const auto files = WriteTimedPair(dir.Path(), 60, 6, 0, 0.5, true);
  const test::CliRun info = RunCli("info " + Quote(files[0]) + " --json");
  ASSERT_EQ(info.status, 0) << info.err;
  EXPECT_EQ(info.json["time_utc"], "2024-03-10T21:00:01.000");  // start + half of 2 s
  EXPECT_EQ(info.json["exposure_s"], 2);
  EXPECT_EQ(info.json["time_source"], "DATE-OBS");
  EXPECT_TRUE(RunCli("info " + Quote(files[5]) + " --json").json["time_utc"].is_null());

  // The untimed sixth frame takes the --time given; the others keep their own.
  const test::CliRun r =
      RunCli("reduce" + Join(files) + " --time 2024-03-20T22:30:01 --delta-sd 0.3 --json");
  ASSERT_EQ(r.status, 0) << r.err;
  const auto& rows = r.json["rows"];
  ASSERT_EQ(rows.size(), 6u);
  EXPECT_EQ(rows[4]["time_utc"], "2024-03-10T21:04:01.000");
  EXPECT_EQ(rows[5]["time_utc"], "2024-03-20T22:30:01.000");
  EXPECT_NEAR(rows[0]["epoch"].get<double>(), kFirstFrameEpoch, 1e-8);
  const auto& s = r.json["summary"];
  EXPECT_EQ(s["n"], 6);
  EXPECT_NEAR(s["epoch"].get<double>(), (5 * kNight1Epoch + kNight2Epoch) / 6, 1e-8);
  ASSERT_EQ(s["nights"].size(), 2u);
  EXPECT_EQ(s["nights"][0]["n"], 5);
  EXPECT_NEAR(s["nights"][0]["epoch"].get<double>(), kNight1Epoch, 1e-8);
  EXPECT_NEAR(s["nights"][1]["epoch"].get<double>(), kNight2Epoch, 1e-8);
  EXPECT_TRUE(s["nights"][1]["theta_sd"].is_null());  // one frame has no dispersion
  EXPECT_NEAR(s["theta_err"].get<double>(), std::hypot(s["theta_sem"].get<double>(), 0.3), 1e-12);
  EXPECT_TRUE(s["rho_err"].is_null());  // no --epsilon-sd
  EXPECT_NEAR(s["nights"][0]["theta"].get<double>(), 60, 0.3);
  EXPECT_NEAR(s["nights"][0]["rho"].get<double>(), 12, 0.1);  // 6" at 0.5"/px, Epsilon 1
}

TEST_F(PublishCli, CalibrationRecoversTheCameraAngleAndScaleAndIsKept) {
  // A camera turned by 12.5 degrees at 0.41"/px, on a pair whose catalogue values at the
  // frames' epoch are known independently.
  const double delta = 12.5, epsilon = 0.41;
  const auto files = WriteTimedPair(dir.Path(), kCatalogueTheta, kCatalogueRho, delta, epsilon);
  const std::vector<std::string> night(files.begin(), files.begin() + 5);

  const test::CliRun pair = RunCli(std::string("known-pair --a ") + kGaiaA + " --b " + kGaiaB +
                                   " --epoch " + std::to_string(kNight1Epoch) + " --json");
  ASSERT_EQ(pair.status, 0) << pair.err;
  EXPECT_NEAR(pair.json["theta"].get<double>(), kCatalogueTheta, 1e-3);
  EXPECT_NEAR(pair.json["rho"].get<double>(), kCatalogueRho, 1e-4);

  char typed[96];
  std::snprintf(typed, sizeof typed, " --known-theta %.4f --known-rho %.5f", kCatalogueTheta,
                kCatalogueRho);
  const std::string gaia = std::string(" --gaia-a ") + kGaiaA + " --gaia-b " + kGaiaB;
  std::string book;
  for (const std::string& known : {std::string(typed), gaia}) {
    const test::CliRun r = RunCli("calibrate" + Join(night) + known + " --pair T --json");
    ASSERT_EQ(r.status, 0) << known << r.err;
    EXPECT_EQ(r.json["n"], 5);
    EXPECT_NEAR(r.json["delta"].get<double>(), delta, 0.2) << known;
    EXPECT_NEAR(r.json["epsilon"].get<double>(), epsilon, epsilon * 0.006) << known;
    EXPECT_GT(r.json["delta_se"].get<double>(), 0);
    EXPECT_NEAR(r.json["epoch"].get<double>(), kNight1Epoch, 1e-8);
    book = r.json["book"];
  }
  const auto entries = ReadCalibrationBook(book);
  ASSERT_TRUE(static_cast<bool>(entries));
  ASSERT_EQ(entries->size(), 2u);
  EXPECT_EQ((*entries)[0].date, "2024-03-10T21:00:01.000");
  EXPECT_EQ((*entries)[1].pair, "T");

  // Gaia values out of range, or no time to take them to: refused, nothing entered.
  EXPECT_EQ(RunCli("calibrate" + Join(night) + " --gaia-a 150,95,0,0 --gaia-b " + kGaiaB).status,
            1);
  const auto untimed = WriteTimedPair(dir.Path() + "u_", 0, 10, 0, 1, true);
  EXPECT_EQ(RunCli("calibrate " + Quote(untimed[5]) + gaia).status, 1);
  EXPECT_EQ(ReadCalibrationBook(book)->size(), 2u);
}

TEST_F(PublishCli, ExportKeepsAnExistingFileUnlessToldToReplaceIt) {
  const auto files = WriteTimedPair(dir.Path(), 60, 6, 0, 0.5);
  const std::string out = dir.File("stf1234.txt");
  test::WriteBytes(out, {'m', 'i', 'n', 'e'});
  const std::string args = "reduce" + Join(files) + " --export " + Quote(out) +
                           " --format wds --pair 'STF 1234AB' --wds 12345+6789 --method C";
  EXPECT_EQ(RunCli(args).status, 1);
  EXPECT_EQ(test::ReadBytes(out), (std::vector<unsigned char>{'m', 'i', 'n', 'e'}));
  ASSERT_EQ(RunCli(args + " --overwrite").status, 0);
  const auto bytes = test::ReadBytes(out);
  // Columns 1-32: coordinates, designation, then the mean epoch of the six frames.
  EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 32), "12345+6789STF1234AB     2024.196");
  EXPECT_EQ(RunCli("reduce" + Join(files) + " --export x.txt").status, 2);  // no --format
}

}  // namespace
}  // namespace orvek
