// Drift calibration: the line fit, the trail walk, the synthetic drift and the feeding of
// the measurement table's calibration mode.

#include <gtest/gtest.h>

#include "core/Output.h"

#include <cmath>

#include "core/Rounding.h"
#include "core/Utils.h"
#include "measure/ReductionTable.h"
#include "series/Drift.h"
#include "series_stack/SeriesStackSupport.h"

namespace orvek {
namespace {

using test::MakeFrame;
using test::RecordingObserver;
using test::StarFrame;
using test::TempHome;
using test::WriteFitsFrame;

constexpr double kPi = 3.14159265358979323846;

double DeltaOf(const std::string& text) {
  Extended v = 0;
  EXPECT_TRUE(ParseNumber(text, v)) << text;
  return static_cast<double>(v);
}

TEST(DriftFit, ThreePointsOnAKnownLine) {
  // (0,1), (1,3), (2,5): n = 3, Σx = 3, Σy = 9, Σxy = 13, Σx² = 5; D = 15 - 9 = 6,
  // a = (39 - 27) / 6 = 2, b = (45 - 39) / 6 = 1.
  const DriftLine line = FitDriftLine({{0, 1}, {1, 3}, {2, 5}});
  ASSERT_TRUE(line.status.ok);
  EXPECT_EQ(line.a, 2);
  EXPECT_EQ(line.b, 1);
  EXPECT_EQ(line.D, 6);
  EXPECT_EQ(line.points, 3);
}

TEST(DriftFit, LeastSquaresOfScatteredPoints) {
  // (0,0), (1,1), (2,1), (3,3): Σx = 6, Σy = 5, Σxy = 12, Σx² = 14, D = 56 - 36 = 20,
  // a = (48 - 30) / 20 = 0.9, b = (70 - 72) / 20 = -0.1.
  const DriftLine line = FitDriftLine({{0, 0}, {1, 1}, {2, 1}, {3, 3}});
  ASSERT_TRUE(line.status.ok);
  EXPECT_NEAR(static_cast<double>(line.a), 0.9, 1e-15);
  EXPECT_NEAR(static_cast<double>(line.b), -0.1, 1e-15);
}

TEST(DriftFit, PointsThatDoNotDetermineALine) {
  // Five frames at one spot: D = 0.
  const DriftLine same = FitDriftLine(std::vector<DriftPoint>(5, DriftPoint{100.3L, 50.7L}));
  EXPECT_FALSE(same.status.ok);
  EXPECT_EQ(same.status.error.code, ErrorCode::DriftImpossible);
  EXPECT_EQ(same.points, 5);
  // A vertical path: two distinct y, one x.
  EXPECT_FALSE(FitDriftLine({{10.1L, 3}, {10.1L, 90}}).status.ok);
  EXPECT_FALSE(FitDriftLine({{4, 4}}).status.ok);
  EXPECT_FALSE(FitDriftLine({}).status.ok);
}

TEST(DriftOrientation, DialogAnswers) {
  EXPECT_TRUE(OrientationFromDialog(DriftDialogResult::Yes).eastLeft);
  EXPECT_TRUE(OrientationFromDialog(DriftDialogResult::Yes).northUp);
  EXPECT_FALSE(OrientationFromDialog(DriftDialogResult::No).eastLeft);
  EXPECT_TRUE(OrientationFromDialog(DriftDialogResult::No).northUp);
  EXPECT_TRUE(OrientationFromDialog(DriftDialogResult::Ok).eastLeft);
  EXPECT_FALSE(OrientationFromDialog(DriftDialogResult::Ok).northUp);
  EXPECT_FALSE(OrientationFromDialog(DriftDialogResult::Cancel).eastLeft);
  EXPECT_FALSE(OrientationFromDialog(DriftDialogResult::Cancel).northUp);
}

TEST(DriftOrientation, ParsesCommandLineText) {
  DriftOrientation o;
  ASSERT_TRUE(ParseDriftOrientation("sn,we", o));
  EXPECT_FALSE(o.northUp);
  EXPECT_FALSE(o.eastLeft);
  ASSERT_TRUE(ParseDriftOrientation("ew,ns", o));
  EXPECT_TRUE(o.northUp);
  EXPECT_TRUE(o.eastLeft);
  EXPECT_FALSE(ParseDriftOrientation("ns,sn", o));
  EXPECT_FALSE(ParseDriftOrientation("ns", o));
}

TEST(DriftEnds, EastEndFollowsTheOrientation) {
  DriftLine line;
  line.a = 0.5L;
  line.b = 10;
  const DriftEnds left = DriftLineEnds(line, true, 199);
  EXPECT_EQ(left.east.x, 0);
  EXPECT_EQ(left.east.y, 10);
  EXPECT_EQ(left.west.x, 199);
  EXPECT_EQ(left.west.y, 109.5L);
  const DriftEnds right = DriftLineEnds(line, false, 199);
  EXPECT_EQ(right.east.x, 199);
  EXPECT_EQ(right.west.x, 0);
  const DriftSegment seg = DriftLineSegment(line, 199);
  EXPECT_EQ(seg.y1, 10);
  EXPECT_EQ(seg.y2, 110);  // 109.5 rounds to the even 110
}

class Calibration : public ::testing::Test {
 protected:
  TempHome home;
  ReductionTable table{home.File("orvek.ini")};
  void SetUp() override {
    table.RAZ();
    table.EditField(ReductionField::txtEps, "0.25");
    table.EditField(ReductionField::txtDelta, "3.5");
  }
};

TEST_F(Calibration, HorizontalPathEastToWestGivesDeltaZero) {
  DriftLine line = FitDriftLine({{10, 40}, {100, 40}, {190, 40}});
  ASSERT_TRUE(line.status.ok);
  const std::string rho = table.Field(ReductionField::txtRho);
  const std::string theta = table.Field(ReductionField::txtTheta);
  const FeedResult r = FeedCalibration(table, line, true, true, 199);
  ASSERT_TRUE(r.status.ok) << DebugText(r.status.error);
  // East (left) to west (right) with north up: position angle 270, so Delta = 270 - 270.
  EXPECT_EQ(DeltaOf(r.delta), 0.0);
  EXPECT_EQ(table.Field(ReductionField::txtDelta), r.delta);
  EXPECT_EQ(table.Field(ReductionField::txtEps), "0.25");
  EXPECT_EQ(table.Field(ReductionField::txtRho), rho);
  EXPECT_EQ(table.Field(ReductionField::txtTheta), theta);
  EXPECT_EQ(table.Mode(), ReductionMode::Mesure);
  EXPECT_EQ(table.DataRows(), 0);
  EXPECT_EQ(table.Button2(), "E");
  EXPECT_EQ(table.Button1(), "N");
  EXPECT_EQ(r.ends.east.x, 0);
  EXPECT_EQ(r.ends.west.x, 199);
}

TEST_F(Calibration, SlopedPathGivesTheRotation) {
  // A path going down to the right by 8 degrees with north up and east left: the west end is
  // 8 degrees south of due west, position angle 262, so Delta = 262 - 270 = -8.
  const double t = std::tan(8 * kPi / 180);
  const DriftLine line = FitDriftLine({{0, 20}, {100, 20 + 100 * t}, {300, 20 + 300 * t}});
  const FeedResult r = FeedCalibration(table, line, true, true, 399);
  ASSERT_TRUE(r.status.ok);
  EXPECT_NEAR(DeltaOf(r.delta), -8.0, 0.005);
  EXPECT_EQ(table.Field(ReductionField::txtEps), "0.25");
}

TEST_F(Calibration, EastRightFlipsTheHorizontalButton) {
  const DriftLine line = FitDriftLine({{10, 40}, {190, 40}});
  const FeedResult r = FeedCalibration(table, line, false, true, 199);
  ASSERT_TRUE(r.status.ok);
  EXPECT_EQ(table.Button2(), "W");
  EXPECT_EQ(table.OrientH(), "we");
  // East is the right end, A = (LastX, LastX a + b).
  EXPECT_EQ(r.ends.east.x, 199);
  EXPECT_EQ(r.ends.east.y, 40);
  EXPECT_EQ(DeltaOf(r.delta), 0.0);
  // Fed again with east left, the button comes back.
  FeedCalibration(table, line, true, false, 199);
  EXPECT_EQ(table.Button2(), "E");
  EXPECT_EQ(table.Button1(), "S");
}

TEST_F(Calibration, KnownRhoThatIsNotANumberDoesNotStopTheCalibration) {
  table.EditField(ReductionField::txtRho, "");
  const FeedResult r = FeedCalibration(table, FitDriftLine({{10, 40}, {190, 40}}), true, true, 199);
  ASSERT_TRUE(r.status.ok) << DebugText(r.status.error);
  EXPECT_EQ(DeltaOf(r.delta), 0.0);
  EXPECT_EQ(table.Field(ReductionField::txtRho), "");
  EXPECT_EQ(table.Field(ReductionField::txtEps), "0.25");
}

TEST_F(Calibration, ImpossibleLineChangesNothing) {
  // A complete row in the table, measurement mode.
  table.SaveCentroid(Point(10, 10), home.File("x.fit"));
  table.SaveCentroid(Point(20, 10), home.File("x.fit"));
  ASSERT_EQ(table.DataRows(), 1);
  const auto rows = table.RawRows();
  const std::string delta = table.Field(ReductionField::txtDelta);
  const std::string eps = table.Field(ReductionField::txtEps);
  const FeedResult r = FeedCalibration(
      table, FitDriftLine(std::vector<DriftPoint>(5, DriftPoint{50, 60})), false, false, 199);
  EXPECT_FALSE(r.status.ok);
  EXPECT_EQ(r.status.error.code, ErrorCode::DriftImpossible);
  EXPECT_EQ(table.RawRows(), rows);
  EXPECT_EQ(table.Field(ReductionField::txtDelta), delta);
  EXPECT_EQ(table.Field(ReductionField::txtEps), eps);
  EXPECT_EQ(table.Button2(), "E");
  EXPECT_EQ(table.Button1(), "N");
}

class DriftFiles : public ::testing::Test {
 protected:
  TempHome home;
  ReductionTable table{home.File("orvek.ini")};
};

TEST_F(DriftFiles, SyntheticDriftOfAKnownDirection) {
  // The star drifts 12 pixels a frame along a path 8 degrees below due west (north up, east
  // left): Delta should come out as -8.
  const double t = std::tan(8 * kPi / 180);
  std::vector<SeriesItem> items;
  for (int k = 0; k < 10; ++k) {
    const double x = 40.3 + 12 * k, y = 50.6 + 12 * k * t;
    items.push_back({WriteFitsFrame(StarFrame(200, 120, x, y, 8000),
                                    home.File("d" + std::to_string(k) + ".fit")),
                     k != 4});
  }
  const std::string image = WorkFolder("tempc") + "drift.orvc";
  RecordingObserver observer;
  const SyntheticDriftResult r =
      SyntheticDrift(items, LoadContext{}, WorkingOutput("tempc"), "drift.orvc", observer);
  ASSERT_TRUE(r.status.ok) << DebugText(r.status.error);
  EXPECT_EQ(r.points.size(), 9u);  // the unticked frame does not count
  EXPECT_EQ(observer.frames.size(), 9u);
  EXPECT_NEAR(static_cast<double>(r.line.a), t, 0.002);
  EXPECT_EQ(r.lastX, 199);
  // The image: the size of the first frame, 255 on each cross, 0 elsewhere.
  OTrame drift;
  ASSERT_TRUE(drift.LoadFile(image).ok());
  EXPECT_EQ(drift.Width(), 200);
  EXPECT_EQ(drift.Height(), 120);
  for (const DriftPoint& p : r.points) {
    const int64_t cx = Nearest(p.x), cy = Nearest(p.y);
    EXPECT_EQ(drift.Px(static_cast<int32_t>(cx), static_cast<int32_t>(cy)), 255);
    EXPECT_EQ(drift.Px(static_cast<int32_t>(cx - 5), static_cast<int32_t>(cy)), 255);
    EXPECT_EQ(drift.Px(static_cast<int32_t>(cx), static_cast<int32_t>(cy + 5)), 255);
    EXPECT_EQ(drift.Px(static_cast<int32_t>(cx + 3), static_cast<int32_t>(cy + 3)), 0);
  }
  EXPECT_EQ(drift.Px(0, 0), 0);

  table.EditField(ReductionField::txtEps, "0.37");
  const FeedResult fed =
      FeedCalibration(table, r.line, true, true, r.lastX, r.shown.star.point, image);
  ASSERT_TRUE(fed.status.ok);
  EXPECT_NEAR(DeltaOf(fed.delta), -8.0, 0.1);
  EXPECT_EQ(table.Field(ReductionField::txtEps), "0.37");
}

TEST_F(DriftFiles, CrossesNearTheEdgeStayInsideTheFrame) {
  // A star 2 pixels from the left edge: the cross is cut at column 0 (which is never written).
  std::vector<SeriesItem> items = {
      {WriteFitsFrame(StarFrame(60, 40, 2.2, 20.1, 8000), home.File("e0.fit")), true},
      {WriteFitsFrame(StarFrame(60, 40, 30.2, 21.1, 8000), home.File("e1.fit")), true}};
  const std::string image = WorkFolder("tempc") + "drift.orvc";
  const SyntheticDriftResult r =
      SyntheticDrift(items, LoadContext{}, WorkingOutput("tempc"), "drift.orvc");
  ASSERT_TRUE(r.status.ok);
  OTrame drift;
  ASSERT_TRUE(drift.LoadFile(image).ok());
  const int32_t y0 = static_cast<int32_t>(Nearest(r.points[0].y));
  EXPECT_EQ(drift.Px(0, y0), 0);
  EXPECT_EQ(drift.Px(1, y0), 255);
}

TEST_F(DriftFiles, FiveFramesAtOneSpotAreRefusedAndChangeNothing) {
  std::vector<SeriesItem> items;
  for (int k = 0; k < 5; ++k)
    items.push_back({WriteFitsFrame(StarFrame(120, 100, 60.4, 50.2, 8000),
                                    home.File("same" + std::to_string(k) + ".fit")),
                     true});
  const SyntheticDriftResult r =
      SyntheticDrift(items, LoadContext{}, WorkingOutput("tempc"), "drift.orvc");
  EXPECT_FALSE(r.status.ok);
  EXPECT_EQ(r.status.error.code, ErrorCode::DriftImpossible);
  EXPECT_EQ(r.points.size(), 5u);
  table.EditField(ReductionField::txtDelta, "1.25");
  const FeedResult fed = FeedCalibration(table, r.line, true, true, r.lastX);
  EXPECT_FALSE(fed.status.ok);
  EXPECT_EQ(table.Field(ReductionField::txtDelta), "1.25");
  EXPECT_EQ(table.Field(ReductionField::txtEps), "1");
}

TEST_F(DriftFiles, NothingTickedDoesNothing) {
  const std::string image = WorkFolder("tempc") + "drift.orvc";
  const SyntheticDriftResult r = SyntheticDrift({{home.File("a.fit"), false}}, LoadContext{},
                                                WorkingOutput("tempc"), "drift.orvc");
  EXPECT_FALSE(r.status.ok);
  EXPECT_FALSE(FileExists(image));
}

// A straight trail of constant brightness from (x1, y1) to (x2, y2), drawn as Moffat stars
// every tenth of a pixel.
OTrame TrailFrame(int w, int h, double x1, double y1, double x2, double y2) {
  OTrame f = MakeFrame(w, h, 100);
  const double length = std::hypot(x2 - x1, y2 - y1);
  const int steps = static_cast<int>(length * 10);
  for (int s = 0; s <= steps; ++s) {
    const double u = static_cast<double>(s) / steps;
    test::AddMoffat(f, x1 + u * (x2 - x1), y1 + u * (y2 - y1), 300, 3.0);
  }
  return f;
}

TEST_F(DriftFiles, TrailOfAKnownDirection) {
  // A trail 5 degrees below due west (north up, east left): Delta = 265 - 270 = -5.
  const double t = std::tan(5 * kPi / 180);
  const OTrame frame = TrailFrame(300, 120, 30, 40, 270, 40 + 240 * t);
  const std::string path = WriteFitsFrame(frame, home.File("trail.fit"));
  LoadedFrame loaded;
  ASSERT_TRUE(LoadAndMeasure(path, LoadContext{}, loaded).ok());
  const DriftTrailResult r = DriftTrail(loaded.frame, Point(50, 40 + 20 * t),
                                        Point(250, 40 + 220 * t), LoadContext{}.measure);
  ASSERT_TRUE(r.status.ok) << DebugText(r.status.error);
  EXPECT_EQ(r.columns, 201);
  // Automatic framing centres each window on the best peak within reach, so runs of
  // neighbouring columns share one centroid and count once.
  EXPECT_GE(r.points.size(), 10u);
  EXPECT_LT(r.points.size(), 201u);
  EXPECT_NEAR(static_cast<double>(r.line.a), t, 0.003);
  table.EditField(ReductionField::txtEps, "0.5");
  const FeedResult fed = FeedCalibration(table, r.line, true, true, r.lastX, r.current, path);
  ASSERT_TRUE(fed.status.ok);
  EXPECT_NEAR(DeltaOf(fed.delta), -5.0, 0.1);
  EXPECT_EQ(table.Field(ReductionField::txtEps), "0.5");
}

TEST_F(DriftFiles, TrailFirstLineAndColumns) {
  // Ends (100, 50) and (300, 150): first line y = 0.5 x; columns 100 .. 300 are measured.
  const OTrame frame = MakeFrame(400, 200, 100);
  const DriftTrailResult r =
      DriftTrail(frame, Point(300, 150), Point(100, 50), LoadContext{}.measure);
  EXPECT_EQ(r.a0, 0.5L);
  EXPECT_EQ(r.b0, 0);
  EXPECT_EQ(r.columns, 201);
}

TEST_F(DriftFiles, TrailEndsInOneColumnAreImpossible) {
  const OTrame frame = MakeFrame(400, 200, 100);
  const DriftTrailResult r =
      DriftTrail(frame, Point(120, 50), Point(120, 150), LoadContext{}.measure);
  EXPECT_EQ(r.status.error.code, ErrorCode::DriftImpossible);
  EXPECT_EQ(r.columns, 0);
}

TEST_F(DriftFiles, ColumnsOnTheSameCentroidCountOnce) {
  // A single star: every column within reach of it finds the same window and the same
  // centroid, which counts once; one point cannot make a line.
  const OTrame frame = StarFrame(300, 150, 150.3, 75.2, 9000);
  const DriftTrailResult r =
      DriftTrail(frame, Point(147, 75), Point(153, 75), LoadContext{}.measure);
  EXPECT_EQ(r.columns, 7);
  EXPECT_EQ(r.points.size(), 1u);
  EXPECT_EQ(r.status.error.code, ErrorCode::DriftImpossible);
}

}  // namespace
}  // namespace orvek
