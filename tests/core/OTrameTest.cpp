#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "core/OTrame.h"
#include "support/TestSupport.h"

namespace orvek {
namespace {

using test::MakeFrame;

TEST(FrameStatistics, ThreeByThreeUsesSixSamples) {
  // Pixel (x, y) = 10x + y + 1. Middle row y = 1: 2, 12, 22; middle column x = 1: 11, 12, 13.
  // Descending: 22 13 12 12 11 2; h = 5; median s[nearest(2.5) = 2] = 12; i0 = 0, i1 = 5;
  // mean = 72 / 6 = 12; sigma = sqrt((100 + 1 + 0 + 0 + 1 + 100) / 7).
  OTrame f = MakeFrame(3, 3);
  for (int x = 0; x < 3; ++x)
    for (int y = 0; y < 3; ++y) f.Px(x, y) = 10 * x + y + 1;
  f.ComputeStats();
  EXPECT_EQ(f.Median, 12);
  EXPECT_EQ(f.Mean, 12);
  EXPECT_NEAR(static_cast<double>(f.Sigma), std::sqrt(202.0 / 7.0), 1e-15);
}

TEST(FrameStatistics, TrimmedMeanDropsTheBrightestTenthAndFaintestThreePercent) {
  // 5 x 5: 10 samples, h = 9, i0 = nearest(0.9) = 1, i1 = nearest(8.73) = 9, m = 9.
  // Middle row y = 2 holds 100, 1, 2, 3, 4 (x = 0..4); middle column x = 2 holds 5, 6, 2, 7, 8.
  OTrame f = MakeFrame(5, 5, 0);
  const int row[5] = {100, 1, 2, 3, 4};
  const int col[5] = {5, 6, 2, 7, 8};
  for (int x = 0; x < 5; ++x) f.Px(x, 2) = row[x];
  for (int y = 0; y < 5; ++y) f.Px(2, y) = col[y];
  f.ComputeStats();
  // Descending: 100 8 7 6 5 4 3 2 2 1 -> s[1..9] = 8 7 6 5 4 3 2 2 1, sum 38.
  EXPECT_EQ(f.Median, 5);  // s[nearest(4.5) = 4]
  EXPECT_NEAR(static_cast<double>(f.Mean), 38.0 / 9.0, 1e-15);
}

TEST(FrameStatistics, OnePixelFrameSortsTwoSamples) {
  OTrame f = MakeFrame(1, 1, 7);
  f.ComputeStats();
  EXPECT_EQ(f.Median, 7);
  EXPECT_EQ(f.Mean, 7);
  EXPECT_EQ(f.Sigma, 0);
}

TEST(FindStar, UniformFrameScoresSevenPointTwoTimesTheLevel) {
  OTrame f = MakeFrame(7, 7, 5);
  rStarPos r;
  f.FindStar(Point(0, 0), Point(6, 6), r);
  EXPECT_EQ(r.X, 3);
  EXPECT_EQ(r.Y, 3);
  EXPECT_NEAR(static_cast<double>(r.Value), 36.0, 1e-15);  // 4 x 5 + 4 x 0.8 x 5
  EXPECT_EQ(r.Count, 9);
}

TEST(FindStar, HotPixelWinsOnlyAtTheCentre) {
  OTrame f = MakeFrame(7, 7, 5);
  f.Px(1, 1) = 1000;  // its neighbours are all fainter: it scores 36 like the background
  rStarPos r;
  f.FindStar(Point(0, 0), Point(6, 6), r);
  EXPECT_EQ(r.X, 3);
  EXPECT_EQ(r.Y, 3);
  OTrame g = MakeFrame(7, 7, 5);
  g.Px(3, 3) = 1000;
  g.FindStar(Point(0, 0), Point(6, 6), r);
  EXPECT_EQ(r.X, 3);
  EXPECT_EQ(r.Y, 3);
  EXPECT_NEAR(static_cast<double>(r.Value), 36.0, 1e-15);
}

TEST(FindStar, RealStarBeatsAHotPixel) {
  OTrame f = MakeFrame(40, 40, 100);
  f.Px(5, 30) = 60000;  // hot pixel
  test::AddMoffat(f, 25.3, 12.6, 5000, 3.0);
  rStarPos r;
  f.FindStar(Point(0, 0), Point(39, 39), r);
  EXPECT_EQ(r.X, 25);
  EXPECT_EQ(r.Y, 13);
}

TEST(FindStar, BorderPixelsScoreZeroAndTheRectangleIsClipped) {
  OTrame f = MakeFrame(5, 5, 0);
  f.Px(0, 2) = 1000;
  rStarPos r;
  f.FindStar(Point(-10, -10), Point(100, 100), r);
  EXPECT_EQ(r.Value, 0);
  EXPECT_EQ(r.X, 2);  // everything scores 0: the pixel nearest the centre (2, 2) stays
  EXPECT_EQ(r.Y, 2);
  f.FindStar(Point(10, 10), Point(20, 20), r);  // wholly outside: nothing found
  EXPECT_EQ(r.Value, -1);
  EXPECT_EQ(r.Count, 0);
}

// The star search written as plainly as it is described, to check the fast scan against.
rStarPos ReferenceFindStar(const OTrame& f, Extended x1, Extended y1, Extended x2, Extended y2) {
  x1 = std::max(x1, Extended{0});
  y1 = std::max(y1, Extended{0});
  x2 = std::min(x2, static_cast<Extended>(f.LastX));
  y2 = std::min(y2, static_cast<Extended>(f.LastY));
  const Extended cx = x1 + (x2 - x1) / 2, cy = y1 + (y2 - y1) / 2;
  rStarPos r;
  r.Value = -1;
  Extended g = 2147483647.0L;
  for (int64_t i = std::llrint(x1); i <= std::llrint(x2); ++i) {
    for (int64_t j = std::llrint(y1); j <= std::llrint(y2); ++j) {
      const int32_t x = static_cast<int32_t>(i), y = static_cast<int32_t>(j);
      Extended score = 0;
      int count = 1;
      if (x > 0 && x < f.LastX && y > 0 && y < f.LastY) {
        const Extended c = f.Px(x, y);
        const int sx[4] = {0, 0, -1, 1}, sy[4] = {-1, 1, 0, 0};
        for (int k = 0; k < 4; ++k) {
          const Extended v = f.Px(x + sx[k], y + sy[k]);
          if (v <= c) {
            score += v;
            ++count;
          }
        }
        const int dxs[4] = {-1, -1, 1, 1}, dys[4] = {-1, 1, -1, 1};
        for (int k = 0; k < 4; ++k) {
          const Extended v = f.Px(x + dxs[k], y + dys[k]);
          if (v <= c) {
            score += 0.8L * v;
            ++count;
          }
        }
      }
      if (score >= r.Value) {
        const Extended d = std::sqrt((i - cx) * (i - cx) + (j - cy) * (j - cy));
        if (score > r.Value || (score == r.Value && d < g)) {
          r.X = i;
          r.Y = j;
          r.Value = score;
          r.Count = count;
          g = d;
        }
      }
    }
  }
  return r;
}

TEST(FindStar, FastScanMatchesThePlainScanExactly) {
  std::mt19937 rng(99);
  for (int round = 0; round < 60; ++round) {
    const int w = 3 + static_cast<int>(rng() % 40), h = 3 + static_cast<int>(rng() % 40);
    OTrame f = MakeFrame(w, h, 0);
    const int levels = 1 + static_cast<int>(rng() % 6);  // few levels: many exact ties
    for (Extended& v : f.Data()) {
      v = static_cast<Extended>(static_cast<int>(rng() % levels)) *
          (round % 3 == 0 ? -1.5L : 1.25L);
    }
    if (round % 4 == 1) test::AddMoffat(f, rng() % w, rng() % h, 500, 2.5);
    const Extended x1 = static_cast<Extended>(rng() % w) - 3,
                   y1 = static_cast<Extended>(rng() % h) - 3;
    const Extended x2 = x1 + (rng() % 50), y2 = y1 + (rng() % 50);
    rStarPos fast;
    f.FindStar(Point(x1, y1), Point(x2, y2), fast);
    const rStarPos plain = ReferenceFindStar(f, x1, y1, x2, y2);
    ASSERT_EQ(fast.X, plain.X) << round;
    ASSERT_EQ(fast.Y, plain.Y) << round;
    ASSERT_EQ(fast.Value, plain.Value) << round;
    ASSERT_EQ(fast.Count, plain.Count) << round;
  }
}

TEST(MaxInRect, TiesGoToTheCentreThenToTheFirstInScanOrder) {
  OTrame f = MakeFrame(5, 5, 0);
  f.Px(0, 0) = 9;
  f.Px(2, 3) = 9;
  rStarPos r;
  f.MaxInRect(Point(0, 0), Point(4, 4), r);
  EXPECT_EQ(r.X, 2);
  EXPECT_EQ(r.Y, 3);
  OTrame g = MakeFrame(5, 5, 0);
  g.Px(3, 2) = 9;
  g.Px(1, 2) = 9;  // same distance from (2, 2): the smaller x wins
  g.MaxInRect(Point(0, 0), Point(4, 4), r);
  EXPECT_EQ(r.X, 1);
  EXPECT_EQ(r.Y, 2);
  EXPECT_EQ(r.Value, 9);
}

TEST(FramePixels, BoundsOfGetAndSet) {
  OTrame f = MakeFrame(4, 3, 0);
  f.Px(0, 0) = 7;
  EXPECT_EQ(f.GetPixel(0, 0), 7);
  EXPECT_EQ(f.GetPixel(-1, 0), 0);
  EXPECT_EQ(f.GetPixel(4, 0), 0);
  EXPECT_EQ(f.GetPixel(0, 3), 0);
  f.SetPixel(0, 1, 5);  // column 0 is never written
  f.SetPixel(1, 0, 5);  // row 0 neither
  f.SetPixel(4, 1, 5);
  f.SetPixel(1, -1, 5);
  EXPECT_EQ(f.Px(0, 1), 0);
  EXPECT_EQ(f.Px(1, 0), 0);
  f.SetPixel(3, 2, 5);
  EXPECT_EQ(f.Px(3, 2), 5);
  OTrame empty;
  EXPECT_EQ(empty.GetPixel(0, 0), 0);
  empty.SetPixel(1, 1, 3);
  EXPECT_TRUE(empty.Empty());
}

TEST(FramePixels, PercentileRanksAllPixels) {
  OTrame f = MakeFrame(2, 2);
  f.Px(0, 0) = 4;
  f.Px(0, 1) = 1;
  f.Px(1, 0) = 3;
  f.Px(1, 1) = 2;
  EXPECT_EQ(f.Percentile(50), 3);  // s[nearest(1.5) = 2]
  EXPECT_EQ(f.Percentile(0), 1);
  EXPECT_EQ(f.Percentile(100), 4);
}

TEST(FramePixels, ClearAndSquare) {
  OTrame f = MakeFrame(3, 2, -3);
  f.SquarePixels();
  EXPECT_EQ(f.Px(2, 1), 9);
  f.ClearPixels();
  EXPECT_EQ(f.Px(2, 1), 0);
}

class FrameLoading : public ::testing::Test {
 protected:
  test::TempDir dir;
  std::string Fits(const std::string& name, const OTrame& f) {
    const std::string path = dir.File(name);
    EXPECT_TRUE(f.SaveFits(path, 2, 0, 0).ok);
    return path;
  }
};

TEST_F(FrameLoading, BiasOfTheSameSizeIsSubtractedAndClipped) {
  OTrame image = MakeFrame(4, 4, 100);
  image.Px(2, 2) = 500;
  OTrame bias = MakeFrame(4, 4, 120);
  bias.Px(2, 2) = 20;
  const std::string path = Fits("a.fit", image);
  OTrame biasFrame;
  ASSERT_TRUE(biasFrame.LoadFile(Fits("bias.fit", bias)).ok());
  OTrame f;
  const LoadResult r = f.LoadFile(path, &biasFrame);
  ASSERT_TRUE(r.ok());
  EXPECT_TRUE(r.biasApplied);
  EXPECT_EQ(f.Px(2, 2), 480);
  EXPECT_EQ(f.Px(0, 0), 0);  // 100 - 120 is negative: 0
  EXPECT_EQ(f.MaxValue, 480);
  EXPECT_EQ(f.MinValue, 0);
}

TEST_F(FrameLoading, BiasIsIgnoredForAnotherSizeForOrvAndWhenEmpty) {
  OTrame bias;
  ASSERT_TRUE(bias.LoadFile(Fits("bias.fit", MakeFrame(5, 4, 10))).ok());
  OTrame f;
  LoadResult r = f.LoadFile(Fits("a.fit", MakeFrame(4, 4, 100)), &bias);
  EXPECT_FALSE(r.biasApplied);
  EXPECT_EQ(f.Px(1, 1), 100);

  OTrame same;
  ASSERT_TRUE(same.LoadFile(Fits("bias4.fit", MakeFrame(4, 4, 10))).ok());
  const OTrame orvSource = MakeFrame(4, 4, 100);
  ASSERT_TRUE(orvSource.SaveOrv(0, 0, 3, 3, dir.File("a.orv")).ok);
  r = f.LoadFile(dir.File("a.orv"), &same);
  EXPECT_FALSE(r.biasApplied);
  EXPECT_EQ(f.Px(1, 1), 100);

  OTrame emptyBias;  // the empty bias frame of start-up, LastX = LastY = 0
  r = f.LoadFile(Fits("one.fit", MakeFrame(1, 1, 50)), &emptyBias);
  EXPECT_FALSE(r.biasApplied);
  EXPECT_EQ(f.Px(0, 0), 50);
}

TEST_F(FrameLoading, LoadComputesStatisticsAndTheStar) {
  // The star lies far from the middle row and column, so the cross sample is pure background.
  OTrame image = MakeFrame(64, 64, 200);
  test::AddMoffat(image, 55.2, 7.7, 3000, 3.0);
  OTrame f;
  ASSERT_TRUE(f.LoadFile(Fits("star.fit", image)).ok());
  EXPECT_EQ(f.FormatText, "Format FIT");
  EXPECT_EQ(f.Star.X, 55);
  EXPECT_EQ(f.Star.Y, 8);
  EXPECT_GT(f.Star.Value, 7.2 * 200);
  EXPECT_EQ(f.Median, 200);
}

TEST_F(FrameLoading, UnknownExtensionAndMissingFile) {
  OTrame f;
  const std::string jpg = dir.File("photo.jpg");
  test::WriteBytes(jpg, {1, 2, 3});
  LoadResult r = f.LoadFile(jpg);
  EXPECT_EQ(r.status, LoadStatus::UnknownExtension);
  EXPECT_EQ(f.FileName, jpg);
  EXPECT_TRUE(f.HeaderText.empty());
  r = f.LoadFile(dir.File("absent.fit"));
  EXPECT_EQ(r.status, LoadStatus::Error);
  EXPECT_EQ(r.error.code, ErrorCode::FileOpen);
  EXPECT_EQ(r.error.path, dir.File("absent.fit"));
}

TEST(FrameExtensions, DispatchIsByUpperCaseExtension) {
  EXPECT_EQ(UpperExtension("/a/b.c/x.fits"), ".FITS");
  EXPECT_EQ(UpperExtension("/a/b.c/x"), "");
  EXPECT_TRUE(IsOrvExtension(".ORVC"));
  EXPECT_TRUE(IsOrvExtension(".ORV"));
  EXPECT_FALSE(IsOrvExtension(".OR"));
}

}  // namespace
}  // namespace orvek
