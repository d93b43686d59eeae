// The close-pair measurement on synthetic speckle series (random Kolmogorov phase screens through
// a circular pupil, SpeckleGenerator) whose pair is known, and on the real 12-frame series.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "core/Output.h"
#include "core/Utils.h"
#include "fourier/FourierTestSupport.h"
#include "fourier/Interferometry.h"
#include "measure/Measurement.h"
#include "speckle/SpecklePair.h"
#include "speckle/SpeckleTestSupport.h"
#include "support/TestSupport.h"

namespace orvek::speckletest {
namespace {

using speckle::MeasureClosePair;
using speckle::SpeckleOptions;
using speckle::SpeckleReject;
using speckle::SpeckleResult;

constexpr double kPi = 3.14159265358979323846;

SpeckleScene Pair(double rho, double thetaDeg, double dm, uint64_t seed) {
  SpeckleScene s;
  s.dx = rho * std::cos(thetaDeg * kPi / 180);
  s.dy = rho * std::sin(thetaDeg * kPi / 180);
  s.dm = dm;
  s.dOverR0 = 4;
  s.seed = seed;
  return s;
}

// Angle of the measured B - A against the scene's, in degrees, -180..180.
double AngleError(const SpeckleResult& r, const SpeckleScene& s) {
  return std::remainder(r.angleDeg - std::atan2(s.dy, s.dx) * 180 / kPi, 360.0);
}

TEST(SyntheticSpeckle, PairWithoutTurbulenceLiesAtItsOffset) {
  // The generator itself: without phase screen, A's diffraction peak is the brightest pixel and
  // B's peak, 10^(-0.4 dm) as high, is the local maximum at A + (dx, dy).
  SpeckleScene s = Pair(7, 30, 1.0, 1);
  s.dx = 6;  // whole pixels, so that B's peak falls on a pixel
  s.dy = -4;
  SpeckleGenerator g(s);
  const std::vector<double> image = g.Diffraction();
  auto at = [&](int x, int y) { return image[static_cast<size_t>(y) * s.width + x]; };
  const int ax = static_cast<int>(s.ax);
  const int ay = static_cast<int>(s.ay);
  EXPECT_EQ(*std::max_element(image.begin(), image.end()), at(ax, ay));
  const int bx = ax + 6;
  const int by = ay - 4;
  for (int u = -1; u <= 1; ++u) {
    for (int t = -1; t <= 1; ++t) {
      if (u != 0 || t != 0) {
        EXPECT_GT(at(bx, by), at(bx + u, by + t));
      }
    }
  }
  // A's light under B's peak is small at 2.8 lambda / D: within 5 % of the ratio.
  EXPECT_NEAR(at(bx, by) / at(ax, ay), std::pow(10.0, -0.4), 0.05 * std::pow(10.0, -0.4));
}

struct PairCase {
  double rho;
  double thetaDeg;
  double dm;
};

class ClosePairs : public ::testing::TestWithParam<PairCase> {};

// 40 frames of 96 x 80 written as a SER video and read back frame by frame; cropped to 64.
TEST_P(ClosePairs, ThetaRhoAndQuadrantFromTheVideo) {
  const PairCase pc = GetParam();
  const SpeckleScene scene = Pair(pc.rho, pc.thetaDeg, pc.dm, 11 + static_cast<int>(pc.thetaDeg));
  test::TempDir dir;
  WriteSpeckleSer(dir.File("pair.ser"), scene, 40);
  const Result<SpeckleResult> r =
      MeasureClosePair({dir.File("pair.ser")}, FrameSourceOptions{}, SpeckleOptions{});
  ASSERT_TRUE(r.ok()) << DebugText(r.error());
  EXPECT_EQ(r->side, 64);
  EXPECT_EQ(r->framesUsed + r->framesRejected, 40);
  EXPECT_TRUE(r->resolved) << "margin " << r->quadrantMargin;
  EXPECT_LT(std::fabs(AngleError(*r, scene)), 2.0) << r->angleDeg;
  EXPECT_NEAR(r->rhoPx, pc.rho, 0.3);
  EXPECT_NEAR(r->dm, pc.dm, 0.3);
  // The jack-knife errors are finite and of the size of the errors made.
  EXPECT_GT(r->rhoErrPx, 0);
  EXPECT_LT(r->rhoErrPx, 0.3);
  EXPECT_LT(r->angleErrDeg, 2.0);
  // The errors made, for the record (--gtest_output=xml).
  RecordProperty("theta_error_deg", std::to_string(AngleError(*r, scene)));
  RecordProperty("rho_error_px", std::to_string(r->rhoPx - pc.rho));
  RecordProperty("dm_error", std::to_string(r->dm - pc.dm));
}

INSTANTIATE_TEST_SUITE_P(FourQuadrants, ClosePairs,
                         ::testing::Values(PairCase{5, 30, 0.4}, PairCase{5.5, 200, 1.5},
                                           PairCase{7, 100, 0.8}, PairCase{8, 250, 1.2},
                                           PairCase{10, 315, 1.5}, PairCase{9, 160, 0.4}),
                         [](const auto& info) {
                           const PairCase& c = info.param;
                           return "rho" + std::to_string(int(c.rho * 10)) + "_theta" +
                                  std::to_string(int(c.thetaDeg)) + "_dm" +
                                  std::to_string(int(c.dm * 10));
                         });

TEST(ClosePair, EqualComponentsAreAmbiguous) {
  const SpeckleScene scene = Pair(7, 45, 0.0, 5);
  FramesInMemory frames(SceneFrames(scene, 40));
  const Result<SpeckleResult> r = MeasureClosePair(frames.Opener(), SpeckleOptions{});
  ASSERT_TRUE(r.ok()) << DebugText(r.error());
  EXPECT_FALSE(r->resolved);
  EXPECT_LT(r->quadrantMargin, SpeckleOptions{}.resolveMargin);
  EXPECT_LT(std::fabs(std::remainder(AngleError(*r, scene), 180.0)), 2.0);
  EXPECT_NEAR(r->rhoPx, 7, 0.3);
}

// Frames left out: saturated stars, stars at the edge of the picture, and those below the best
// half by S/N; the pair is still found on what remains.
TEST(ClosePair, FramesLeftOutAreReported) {
  const SpeckleScene scene = Pair(8, 70, 0.8, 3);
  std::vector<OTrame> series = SceneFrames(scene, 30);
  for (int k : {3, 7}) {
    OTrame& f = series[k];
    const int x = static_cast<int>(f.Star.X);
    const int y = static_cast<int>(f.Star.Y);
    f.Px(x, y) = f.Px(x + 1, y) = 65535;
    f.MaxValue = 65535;
  }
  SpeckleScene edge = scene;
  edge.ax = 3;  // A three pixels from the left edge: its speckle cloud is cut by the edge
  std::vector<OTrame> atEdge = SceneFrames(edge, 2);
  series[10] = atEdge[0];
  series[11] = atEdge[1];
  FramesInMemory frames(series);
  SpeckleOptions o;
  o.selectPercent = 50;
  const Result<SpeckleResult> r = MeasureClosePair(frames.Opener(), o);
  ASSERT_TRUE(r.ok()) << DebugText(r.error());
  ASSERT_EQ(r->rejected.size(), 4u);
  EXPECT_EQ(r->rejected[0].number, 3);
  EXPECT_EQ(r->rejected[0].reason, SpeckleReject::Saturated);
  EXPECT_EQ(r->rejected[1].number, 7);
  EXPECT_EQ(r->rejected[2].number, 10);
  EXPECT_EQ(r->rejected[2].reason, SpeckleReject::AtBorder);
  EXPECT_EQ(r->rejected[3].number, 11);
  EXPECT_EQ(r->framesRejected, 4);
  EXPECT_EQ(r->framesUsed, 13);  // half of the 26 usable frames
  EXPECT_EQ(r->framesNotSelected, 13);
  EXPECT_EQ(frames.Passes(), 2);  // scores first, then the chosen frames
  EXPECT_LT(std::fabs(AngleError(*r, scene)), 2.0);
}

// The real series: the pair near the right edge of the frames, against the plain-Python
// reference tests/speckle/a258_reference.py (rho 10.14 px, angle 149.1 degrees modulo 180).
TEST(ClosePair, RealSeriesShowsItsPair) {
  std::vector<std::string> files;
  for (int k = 1; k <= 12; ++k) {
    char name[32];
    std::snprintf(name, sizeof name, "a258_f%04d.fit", k);
    files.push_back(test::RealDataDir() + "speckles-interferometry/images/" + name);
  }
  const Result<SpeckleResult> r = MeasureClosePair(files, FrameSourceOptions{}, SpeckleOptions{});
  ASSERT_TRUE(r.ok()) << DebugText(r.error());
  EXPECT_EQ(r->side, 128);  // 192 x 192 frames
  EXPECT_EQ(r->framesUsed, 12);
  EXPECT_NEAR(r->rhoPx, 10.14, 0.3);
  const double angle = std::fmod(r->angleDeg + 360, 180.0);
  EXPECT_NEAR(angle, 149.1, 3.0);
  EXPECT_LT(r->rhoErrPx, 0.5);
  // DATE-OBS from 2023-09-07T22:22:39.131697 in steps of 15 ms: the mean is 5.5 steps later.
  ASSERT_TRUE(r->meanTime.has_value());
  EXPECT_EQ(FormatIsoTime(*r->meanTime), "2023-09-07T22:22:39.214");
}

class StopAt : public SeriesObserver {
 public:
  bool FrameLoaded(int index, int, const OTrame&) override { return index < 4; }
};

TEST(ClosePair, FailuresSayWhy) {
  const SpeckleScene scene = Pair(6, 10, 1.0, 2);
  {
    SpeckleScene small = scene;
    small.width = 63;
    small.ax = 31;
    FramesInMemory frames(SceneFrames(small, 3));
    const Result<SpeckleResult> r = MeasureClosePair(frames.Opener(), SpeckleOptions{});
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.error().code, ErrorCode::FrameTooSmall);
    EXPECT_EQ(r.error().values, (std::vector<double>{0, 63, 80, 64}));
  }
  {
    SpeckleOptions o;
    o.saturation = 1;  // every star saturates
    FramesInMemory frames(SceneFrames(scene, 3));
    const Result<SpeckleResult> r = MeasureClosePair(frames.Opener(), o);
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.error().code, ErrorCode::SpeckleNoFrame);
    EXPECT_EQ(r.error().values, (std::vector<double>{3, 0, 0, 3}));
  }
  {
    SpeckleOptions o;
    o.selectPercent = 150;
    FramesInMemory frames(SceneFrames(scene, 1));
    const Result<SpeckleResult> r = MeasureClosePair(frames.Opener(), o);
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.error().code, ErrorCode::OutOfRange);
    EXPECT_EQ(r.error().field, "select");
  }
  {
    FramesInMemory frames(SceneFrames(scene, 8));
    StopAt stop;
    const Result<SpeckleResult> r = MeasureClosePair(frames.Opener(), SpeckleOptions{}, stop);
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.error().code, ErrorCode::SpeckleStopped);
    EXPECT_EQ(r.error().values, (std::vector<double>{5}));
  }
}

TEST(SpecklePeaks, ParaboloidSummitAndPeakRatio) {
  // A paraboloid sampled on whole offsets: the least-squares fit is exact.
  fourier::ShiftWindow w(3);
  for (int dx = -3; dx <= 3; ++dx) {
    for (int dy = -3; dy <= 3; ++dy) {
      const double x = dx - 1.3;
      const double y = dy + 0.2;
      w.At(dx, dy) = 50 - 2 * x * x - x * y - 3 * y * y;
    }
  }
  const fourier::PeakFit fit = fourier::FitPeak(w, 1, 0);
  EXPECT_NEAR(fit.dx, 1.3, 1e-12);
  EXPECT_NEAR(fit.dy, -0.2, 1e-12);
  EXPECT_NEAR(fit.height, 50, 1e-12);
  // Point sources of intensities 1 and r: secondary / central autocorrelation peak
  // r / (1 + r^2), inverted for r <= 1.
  for (double r : {0.05, 0.25, 0.5, 0.9, 1.0}) {
    EXPECT_NEAR(speckle::IntensityRatioFromPeaks(r / (1 + r * r)), r, 1e-9);
  }
}

// The designed command on the same kind of series: the background series' S3 image shows the
// companion where the fast measurement (3 x 3 window, A at the centre) finds it.
TEST(ClosePair, DesignedAutocorrelationShowsThePairToTheFastMeasurement) {
  SpeckleScene scene = Pair(7, 0, 0.6, 9);
  scene.dx = 6;
  scene.dy = -3;
  scene.width = scene.height = 128;
  scene.ax = scene.ay = 64;
  test::TempHome home;
  fourier::SeriesInput in;
  int k = 0;
  for (const OTrame& f : SceneFrames(scene, 24)) {
    in.files.push_back(test::WriteOrv(f, home.File("s" + std::to_string(k++) + ".orv")));
  }
  const std::string folder = WorkFolder(fourier::kInterferometryFolder);
  const fourier::FourierResult r =
      fourier::AutoCorrelationCommand(in, ProgramOutput(folder), false);
  ASSERT_TRUE(r.ok()) << DebugText(r.error);
  const OTrame s3 = test::LoadOrv(folder + "S3_AutoSous.orvc");
  MeasureSettings settings;
  settings.half = 1;
  OMat window;
  const MeasurePass b = MeasureAt(s3, window, Point(64 + 6, 64 - 3), settings);
  ASSERT_NE(b.point.Value, kInvalidValue);
  const double mx = static_cast<double>(b.point.X) - 64;
  const double my = static_cast<double>(b.point.Y) - 64;
  EXPECT_NEAR(std::hypot(mx, my), std::hypot(6.0, 3.0), 0.3);
  const double diff = std::remainder(std::atan2(my, mx) - std::atan2(-3.0, 6.0), kPi);
  EXPECT_LT(std::fabs(diff) * 180 / kPi, 2.0);
}

}  // namespace
}  // namespace orvek::speckletest
