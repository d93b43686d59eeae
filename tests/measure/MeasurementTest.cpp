#include <gtest/gtest.h>

#include <cmath>

#include "measure/FrameLoader.h"
#include "measure/Measurement.h"
#include "support/TestSupport.h"

namespace orvek {
namespace {

OTrame StarField() {
  OTrame f = test::MakeFrame(60, 60, 100);
  test::AddMoffat(f, 30.3, 25.6, 4000, 4.0);
  test::AddMoffat(f, 40.7, 33.2, 1500, 4.0);
  f.ComputeStats();
  return f;
}

TEST(Measurement, ManualFramingCentresOnTheClickedPixel) {
  const OTrame f = StarField();
  OMat m;
  MeasureSettings s;
  s.automatic = false;
  const MeasurePass p = MeasureAt(f, m, Point(28, 24), s);
  EXPECT_EQ(m.X0, 22);
  EXPECT_EQ(m.Y0, 18);
  EXPECT_EQ(m.NX, 12);
  EXPECT_NEAR(static_cast<double>(p.point.X), 30.3, 0.3);
}

TEST(Measurement, AutomaticFramingFindsTheStarAndMeasuresTwice) {
  const OTrame f = StarField();
  OMat m;
  MeasureSettings s;
  const MeasurePass p = MeasureAt(f, m, Point(27, 22), s);
  // The second pass is centred on the best peak near the first centroid.
  EXPECT_EQ(m.X0 + 6, 30);
  EXPECT_EQ(m.Y0 + 6, 26);
  // The half-height centroid is pulled a little towards the brightest pixel.
  EXPECT_NEAR(static_cast<double>(p.point.X), 30.3, 0.1);
  EXPECT_NEAR(static_cast<double>(p.point.Y), 25.6, 0.1);
  // Half-height threshold of the last window.
  EXPECT_NEAR(static_cast<double>(p.threshold),
              static_cast<double>((m.Peak.Value - m.Min) / 2 + m.Min), 1e-9);
  EXPECT_NEAR(static_cast<double>(p.point.Value), static_cast<double>(m.Peak.Value - f.Median),
              1e-9);
  EXPECT_NEAR(static_cast<double>(p.mean), static_cast<double>(m.Sum / m.Count), 1e-9);
}

TEST(Measurement, ThresholdMethods) {
  const OTrame f = StarField();
  OMat m;
  MeasureSettings s;
  s.method = ThresholdMethod::None;
  EXPECT_EQ(MeasureOnce(f, m, Point(30, 26), s).threshold, 0);
  s.method = ThresholdMethod::Background;
  EXPECT_EQ(MeasureOnce(f, m, Point(30, 26), s).threshold, f.Median);
  s.manualThreshold = true;
  s.manualThresholdValue = 1234;
  EXPECT_EQ(MeasureOnce(f, m, Point(30, 26), s).threshold, 1234);
}

TEST(Measurement, SmallerWindowMeasuresFewerPixels) {
  const OTrame f = StarField();
  OMat m;
  MeasureSettings s;
  s.half = 1;
  const MeasurePass p = MeasureAt(f, m, Point(30, 26), s);
  EXPECT_EQ(m.NX, 2);
  EXPECT_EQ(p.point.Count, 9);
}

TEST(Measurement, CentredSpectrumSizes) {
  EXPECT_TRUE(IsCentredSpectrum(test::MakeFrame(64, 64)));
  EXPECT_TRUE(IsCentredSpectrum(test::MakeFrame(512, 512)));
  EXPECT_FALSE(IsCentredSpectrum(test::MakeFrame(200, 200)));
  EXPECT_FALSE(IsCentredSpectrum(test::MakeFrame(256, 128)));
  EXPECT_FALSE(IsCentredSpectrum(test::MakeFrame(1024, 1024)));
}

TEST(FrameLoader, LoadsThenMeasuresAtTheBestStar) {
  test::TempDir dir;
  const OTrame f = StarField();
  const std::string path = dir.File("star.orv");
  ASSERT_TRUE(f.SaveOrv(0, 0, f.LastX, f.LastY, path).ok);
  LoadedFrame loaded;
  LoadContext ctx;
  ASSERT_TRUE(LoadAndMeasure(path, ctx, loaded).ok());
  EXPECT_EQ(loaded.frame.Star.X, 30);
  EXPECT_NEAR(static_cast<double>(loaded.star.point.X), 30.3, 0.05);
  const LoadResult missing = LoadAndMeasure(dir.File("none.fit"), ctx, loaded);
  EXPECT_EQ(missing.status, LoadStatus::Error);
  EXPECT_EQ(missing.message, "File not found");
}

}  // namespace
}  // namespace orvek
