#include <gtest/gtest.h>

#include "measure/OMat.h"
#include "support/TestSupport.h"

namespace orvek {
namespace {

using test::MakeFrame;

TEST(OMatFill, WindowPartlyOutsideTheFrameTakesZeros) {
  OTrame f = MakeFrame(10, 10, 5);
  OMat m;
  m.FillFromFrame(f, Point(-2, -2), Point(2, 2));
  EXPECT_EQ(m.NX, 4);
  EXPECT_EQ(m.NY, 4);
  EXPECT_EQ(m.X0, -2);
  EXPECT_EQ(m.Count, 25);
  EXPECT_EQ(m.Min, 0);
  EXPECT_EQ(m.Sum, 9 * 5);
  EXPECT_EQ(m.At(2, 2), 5);
  EXPECT_EQ(m.At(1, 1), 0);
}

TEST(OMatFill, CornersRoundHalvesToEven) {
  OTrame f = MakeFrame(20, 20, 1);
  OMat m;
  m.FillFromFrame(f, Point(2.5, 3.5), Point(6.5, 7.5));  // 2..6 and 4..8
  EXPECT_EQ(m.X0, 2);
  EXPECT_EQ(m.Y0, 4);
  EXPECT_EQ(m.NX, 4);
  EXPECT_EQ(m.NY, 4);
}

TEST(OMatPeak, TiesGoToTheCentreThenToTheSmallerColumn) {
  OTrame f = MakeFrame(9, 9, 0);
  f.Px(1, 4) = 10;
  f.Px(3, 4) = 10;  // nearer the window centre (4, 4)
  OMat m;
  m.FillFromFrame(f, Point(0, 0), Point(8, 8));
  EXPECT_EQ(m.Peak.X, 3);
  EXPECT_EQ(m.Peak.Y, 4);
  OTrame g = MakeFrame(9, 9, 0);
  g.Px(6, 4) = 10;
  g.Px(2, 4) = 10;  // same distance: smaller column
  m.FillFromFrame(g, Point(0, 0), Point(8, 8));
  EXPECT_EQ(m.Peak.X, 2);
  // Even width: the centre of a 4-wide window is 1.5.
  OTrame h = MakeFrame(4, 1, 0);
  h.Px(0, 0) = 3;
  h.Px(3, 0) = 3;
  m.FillFromFrame(h, Point(0, 0), Point(3, 0));
  EXPECT_EQ(m.Peak.X, 0);
}

TEST(OMatCentroid, PeakNotAboveTheThresholdLeavesThePosition) {
  OTrame f = MakeFrame(9, 9, 10);
  OMat m;
  m.FillFromFrame(f, Point(2, 2), Point(6, 6));
  rStarPos r = Point(4.3, 4.7);
  Raster picture(1, 1);
  picture.Set(0, 0, 1, 2, 3);
  EXPECT_FALSE(m.ComputeCentroid(r, &picture, true, 0, 10));
  EXPECT_EQ(r.X, static_cast<Extended>(4.3));
  EXPECT_EQ(r.Y, static_cast<Extended>(4.7));
  EXPECT_EQ(r.Value, -1);
  EXPECT_EQ(r.Count, 0);
  EXPECT_EQ(picture.width, 1);  // untouched
}

TEST(OMatCentroid, ThreeByThreeUsesAllNinePixels) {
  OTrame f = MakeFrame(9, 9, 0);
  f.Px(4, 4) = 100;
  f.Px(5, 4) = 50;
  f.Px(3, 3) = 10;
  OMat m;
  m.FillFromFrame(f, Point(3, 3), Point(5, 5));
  rStarPos r;
  ASSERT_TRUE(m.ComputeCentroid(r, nullptr, true, 2, 90));  // threshold and connectivity ignored
  EXPECT_EQ(r.Count, 9);
  // x = (3 x 10 + 4 x 100 + 5 x 50) / 160, y = (3 x 10 + 4 x 150) / 160
  EXPECT_NEAR(static_cast<double>(r.X), 680.0 / 160.0, 1e-12);
  EXPECT_NEAR(static_cast<double>(r.Y), 630.0 / 160.0, 1e-12);
  EXPECT_EQ(r.Value, 98);  // peak minus background
  EXPECT_EQ(r.SpanX, 2);
  EXPECT_EQ(r.SpanY, 2);
}

TEST(OMatCentroid, ConnectedRegionExcludesASeparateStar) {
  OTrame f = MakeFrame(15, 15, 0);
  f.Px(5, 7) = 100;
  f.Px(6, 7) = 80;
  f.Px(10, 7) = 90;  // above the threshold but not touching the peak's region
  OMat m;
  m.FillFromFrame(f, Point(1, 1), Point(13, 13));
  rStarPos connected, all;
  ASSERT_TRUE(m.ComputeCentroid(connected, nullptr, true, 0, 50));
  EXPECT_EQ(connected.Count, 2);
  EXPECT_NEAR(static_cast<double>(connected.X), (5 * 100 + 6 * 80) / 180.0, 1e-12);
  ASSERT_TRUE(m.ComputeCentroid(all, nullptr, false, 0, 50));
  EXPECT_EQ(all.Count, 3);
  EXPECT_NEAR(static_cast<double>(all.X), (5 * 100 + 6 * 80 + 10 * 90) / 270.0, 1e-12);
  EXPECT_EQ(all.SpanX, 5);
}

TEST(OMatCentroid, RegionGrowsAroundCorners) {
  // A U-shaped region: reached only through several scans.
  OTrame f = MakeFrame(12, 12, 0);
  for (int y = 2; y <= 8; ++y) f.Px(2, y) = 60;
  for (int x = 2; x <= 8; ++x) f.Px(x, 8) = 60;
  for (int y = 2; y <= 8; ++y) f.Px(8, y) = 60;
  f.Px(8, 2) = 100;  // the peak at the end of one arm
  OMat m;
  m.FillFromFrame(f, Point(0, 0), Point(11, 11));
  rStarPos r;
  ASSERT_TRUE(m.ComputeCentroid(r, nullptr, true, 0, 50));
  EXPECT_EQ(r.Count, 7 + 7 + 7 - 2);
}

TEST(OMatCentroid, CentroidOnColumnZeroIsInvalid) {
  OTrame f = MakeFrame(9, 9, 0);
  f.Px(0, 4) = 100;
  OMat m;
  m.FillFromFrame(f, Point(-4, 0), Point(4, 8));
  rStarPos r;
  ASSERT_TRUE(m.ComputeCentroid(r, nullptr, true, 0, 50));
  EXPECT_EQ(r.X, 0);
  EXPECT_EQ(r.Value, -1);
  EXPECT_EQ(r.Count, 1);
}

TEST(OMatCentroid, NoElementReachingMinusOneGivesAnInvalidMeasurement) {
  // Every element below -1 (an ORV frame of negative values): no peak exists, and the
  // measurement must not grow a region from some earlier position outside the window.
  OTrame f = MakeFrame(20, 20, -50);
  OMat m;
  m.Peak = Point(1000, 1000);
  m.FillFromFrame(f, Point(5, 5), Point(9, 9));
  EXPECT_FALSE(m.PeakFound);
  rStarPos r = Point(7, 7);
  EXPECT_FALSE(m.ComputeCentroid(r, nullptr, true, -50, -80));
  EXPECT_EQ(r.Value, -1);
  EXPECT_EQ(r.Count, 0);
  EXPECT_EQ(r.X, 7);
}

TEST(OMatCentroid, RegionPictureShowsUsedPixelsInGrey) {
  OTrame f = MakeFrame(7, 7, 0);
  f.Px(3, 3) = 200;
  f.Px(4, 3) = 100;
  OMat m;
  m.FillFromFrame(f, Point(1, 1), Point(5, 5));
  rStarPos r;
  Raster pic;
  ASSERT_TRUE(m.ComputeCentroid(r, &pic, true, 0, 100));
  ASSERT_EQ(pic.width, 5);
  ASSERT_EQ(pic.height, 5);
  // vmin 0, vmax 200, range 201: g(200) = nearest(201 x 255 / 201) = 255, g(100) =
  // nearest(127.5...)
  const uint8_t* peak = pic.Row(2) + 3 * 2;
  EXPECT_EQ(peak[0], 255);
  EXPECT_EQ(peak[1], 255);
  const uint8_t* second = pic.Row(2) + 3 * 3;
  EXPECT_EQ(second[1], 128);  // 101 x 255 / 201 = 128.13
  const uint8_t* background = pic.Row(0);
  EXPECT_EQ(background[0], 0);    // B
  EXPECT_EQ(background[1], 200);  // G
  EXPECT_EQ(background[2], 0);    // R
}

}  // namespace
}  // namespace orvek
