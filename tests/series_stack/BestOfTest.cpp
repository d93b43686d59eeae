// Best-of selection: the stable exchange sort, the two scores, STOP, unreadable frames.

#include <gtest/gtest.h>

#include "series/BestOf.h"
#include "series_stack/SeriesStackSupport.h"

namespace orvek {
namespace {

using test::MakeFrame;
using test::RecordingObserver;
using test::TempHome;
using test::WriteFitsFrame;

// A plus-shaped star on a black 64 x 64 frame, away from the middle row and column, so that
// the statistics' cross sample holds only zeros (Mean = Sigma = Median = 0).
OTrame PlusStar(int x, int y, double centre) {
  OTrame f = MakeFrame(64, 64, 0);
  f.Px(x, y) = centre;
  f.Px(x - 1, y) = f.Px(x + 1, y) = f.Px(x, y - 1) = f.Px(x, y + 1) = centre / 2;
  f.Px(x - 1, y - 1) = f.Px(x + 1, y - 1) = f.Px(x - 1, y + 1) = f.Px(x + 1, y + 1) = centre / 4;
  return f;
}

TEST(BestOfSort, FiveNineOneNineKeepsTheNinesInOrder) {
  // Worked by hand: gap 2 makes no exchange; gap 1 passes give 9 5 1 9, 9 5 9 1, 9 9 5 1.
  std::vector<Extended> scores = {5, 9, 1, 9};
  std::vector<int> order = {0, 1, 2, 3};
  SortDescendingByScore(scores, order);
  EXPECT_EQ(order, (std::vector<int>{1, 3, 0, 2}));
  EXPECT_EQ(scores, (std::vector<Extended>{9, 9, 5, 1}));
}

TEST(BestOfSort, EqualScoresAreNeverExchanged) {
  std::vector<Extended> scores = {3, 3, 3, 3, 3, 3, 3};
  std::vector<int> order = {0, 1, 2, 3, 4, 5, 6};
  SortDescendingByScore(scores, order);
  EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3, 4, 5, 6}));
}

TEST(BestOfSort, OneEntryAndTwoEntries) {
  std::vector<Extended> one = {4};
  std::vector<int> order1 = {0};
  SortDescendingByScore(one, order1);
  EXPECT_EQ(order1, (std::vector<int>{0}));
  std::vector<Extended> two = {1, 2};
  std::vector<int> order2 = {0, 1};
  SortDescendingByScore(two, order2);
  EXPECT_EQ(order2, (std::vector<int>{1, 0}));
}

TEST(BestOfSort, AlwaysEndsDescendingAsAPermutation) {
  // Random lists of 2 to 38 scores with many ties: the result is descending and every
  // score still belongs to the item it came with.
  unsigned seed = 12345;
  for (int trial = 0; trial < 200; ++trial) {
    const int n = 2 + trial % 37;
    std::vector<Extended> scores(static_cast<size_t>(n));
    for (auto& s : scores) {
      seed = seed * 1103515245u + 12345u;
      s = static_cast<Extended>((seed >> 8) % 1000);
    }
    std::vector<int> order(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) order[static_cast<size_t>(i)] = i;
    const std::vector<Extended> original = scores;
    SortDescendingByScore(scores, order);
    for (int i = 1; i < n; ++i) EXPECT_GE(scores[i - 1], scores[i]);
    for (int i = 0; i < n; ++i) EXPECT_EQ(scores[i], original[static_cast<size_t>(order[i])]);
  }
}

class BestOfFiles : public ::testing::Test {
 protected:
  TempHome home;
  std::string Write(const std::string& name, const OTrame& f) {
    return WriteFitsFrame(f, home.File(name));
  }
};

TEST_F(BestOfFiles, SignalToNoiseOfAFrameWithZeroNoiseIsThePeakAlone) {
  // Mean + Sigma = 0: the S/N score is CurrentPoint.Value = peak - Median = 200 - 0.
  LoadedFrame loaded;
  ASSERT_TRUE(LoadAndMeasure(Write("a.fit", PlusStar(10, 12, 200)), LoadContext{}, loaded).ok());
  EXPECT_EQ(loaded.frame.Mean + loaded.frame.Sigma, 0);
  EXPECT_EQ(ScoreSignalToNoise(loaded), 200);
  // Max: the neighbourhood score of the peak: 4 x 100 + 0.8 x 4 x 50 = 560.
  EXPECT_NEAR(static_cast<double>(ScoreMax(loaded)), 560.0, 1e-12);
}

TEST_F(BestOfFiles, SignalToNoiseDividesByMeanPlusSigma) {
  // A constant background of 10 gives Mean = 10 and Sigma = 0 on the cross sample; the
  // star's Value is its peak above the Median: 210 - 10 = 200, so the score is 20.
  OTrame f = PlusStar(10, 12, 200);
  for (Extended& v : f.Data()) v += 10;
  LoadedFrame loaded;
  ASSERT_TRUE(LoadAndMeasure(Write("b.fit", f), LoadContext{}, loaded).ok());
  EXPECT_EQ(loaded.frame.Mean, 10);
  EXPECT_EQ(loaded.frame.Sigma, 0);
  EXPECT_NEAR(static_cast<double>(ScoreSignalToNoise(loaded)), 20.0, 1e-15);
}

TEST_F(BestOfFiles, OrdersBestFirstAndTicksTravelWithTheirItems) {
  std::vector<SeriesItem> items = {{Write("f1.fit", PlusStar(10, 12, 200)), true},
                                   {Write("f2.fit", PlusStar(20, 14, 400)), false},
                                   {Write("f3.fit", PlusStar(40, 50, 100)), true},
                                   {Write("f4.fit", PlusStar(12, 44, 300)), false}};
  RecordingObserver observer;
  const BestOfResult r = SortBestOf(items, BestOfMode::SignalToNoise, LoadContext{}, observer);
  ASSERT_TRUE(r.sorted);
  EXPECT_EQ(r.order, (std::vector<int>{1, 3, 0, 2}));
  ASSERT_EQ(r.items.size(), 4u);
  EXPECT_EQ(r.items[0].path, items[1].path);
  EXPECT_FALSE(r.items[0].ticked);
  EXPECT_EQ(r.items[2].path, items[0].path);
  EXPECT_TRUE(r.items[2].ticked);
  EXPECT_EQ(r.scores, (std::vector<Extended>{400, 300, 200, 100}));
  EXPECT_EQ(r.showPath, items[1].path);
  // Every item, ticked or not, is loaded once, in list order.
  EXPECT_EQ(observer.frames, (std::vector<int>{0, 1, 2, 3}));
}

TEST_F(BestOfFiles, MaxModeUsesTheStarScore) {
  // Star scores 2.8 x centre (4 x c/2 + 3.2 x c/4): 560, 1120, 280.
  std::vector<SeriesItem> items = {{Write("m1.fit", PlusStar(10, 12, 200)), true},
                                   {Write("m2.fit", PlusStar(20, 14, 400)), true},
                                   {Write("m3.fit", PlusStar(40, 50, 100)), true}};
  const BestOfResult r = SortBestOf(items, BestOfMode::Max, LoadContext{});
  ASSERT_TRUE(r.sorted);
  EXPECT_EQ(r.order, (std::vector<int>{1, 0, 2}));
  EXPECT_NEAR(static_cast<double>(r.scores[0]), 1120.0, 1e-9);
}

TEST_F(BestOfFiles, StableForEqualScoresFromFiles) {
  const OTrame same = PlusStar(10, 12, 200);
  std::vector<SeriesItem> items = {{Write("s1.fit", PlusStar(10, 12, 100)), true},
                                   {Write("s2.fit", same), true},
                                   {Write("s3.fit", PlusStar(10, 12, 50)), true},
                                   {Write("s4.fit", same), true},
                                   {Write("s5.fit", PlusStar(10, 12, 200)), true}};
  const BestOfResult r = SortBestOf(items, BestOfMode::SignalToNoise, LoadContext{});
  // Scores 100, 200, 50, 200, 200, worked by hand: gap 2 exchanges s3 and s5 (200 > 50),
  // then s1 and s5 (200 > 100); gap 1 exchanges s1 and s4. The 200 of s5, moved by those
  // exchanges, ends ahead of the equal s2 and s4, which keep their own order: equal scores
  // are never exchanged with each other, but a jump over them is allowed.
  ASSERT_TRUE(r.sorted);
  EXPECT_EQ(r.order, (std::vector<int>{4, 1, 3, 0, 2}));
}

TEST_F(BestOfFiles, OneItemDoesNothing) {
  std::vector<SeriesItem> items = {{Write("one.fit", PlusStar(10, 12, 200)), true}};
  RecordingObserver observer;
  const BestOfResult r = SortBestOf(items, BestOfMode::SignalToNoise, LoadContext{}, observer);
  EXPECT_FALSE(r.sorted);
  EXPECT_TRUE(observer.frames.empty());
  EXPECT_TRUE(r.showPath.empty());
}

TEST_F(BestOfFiles, StopLeavesTheListUnchanged) {
  std::vector<SeriesItem> items = {{Write("t1.fit", PlusStar(10, 12, 100)), true},
                                   {Write("t2.fit", PlusStar(10, 12, 300)), true},
                                   {Write("t3.fit", PlusStar(10, 12, 200)), true}};
  RecordingObserver observer;
  observer.stopAtFrame = 1;
  const BestOfResult r = SortBestOf(items, BestOfMode::SignalToNoise, LoadContext{}, observer);
  EXPECT_TRUE(r.stopped);
  EXPECT_FALSE(r.sorted);
  EXPECT_EQ(observer.frames, (std::vector<int>{0, 1}));  // nothing loaded after STOP
  for (size_t i = 0; i < items.size(); ++i) EXPECT_EQ(r.items[i].path, items[i].path);
  EXPECT_EQ(r.showPath, items[1].path);  // the last frame loaded stays on screen
}

TEST_F(BestOfFiles, InvalidMeasurementAndUnreadableFrameSortLast) {
  // A black frame measures nothing: Value -1, Mean + Sigma = 0, score -1. A missing file
  // has no score at all and goes after it, with a warning.
  std::vector<SeriesItem> items = {{home.File("missing.fit"), true},
                                   {Write("black.fit", MakeFrame(64, 64, 0)), true},
                                   {Write("star.fit", PlusStar(10, 12, 100)), true}};
  RecordingObserver observer;
  const BestOfResult r = SortBestOf(items, BestOfMode::SignalToNoise, LoadContext{}, observer);
  ASSERT_TRUE(r.sorted);
  EXPECT_EQ(r.order, (std::vector<int>{2, 1, 0}));
  EXPECT_EQ(r.scores[1], -1);
  ASSERT_EQ(r.warnings.size(), 1u);
  EXPECT_NE(r.warnings[0].find("missing.fit"), std::string::npos);
  EXPECT_EQ(observer.warnings, r.warnings);
}

TEST_F(BestOfFiles, BiasIsSubtractedAtEveryLoad) {
  // With a bias of 10 everywhere the background of 10 disappears: Mean + Sigma = 0 and the
  // score is the peak above 0 again, 200.
  OTrame f = PlusStar(10, 12, 200);
  for (Extended& v : f.Data()) v += 10;
  OTrame bias = MakeFrame(64, 64, 10);
  LoadContext context;
  context.bias = &bias;
  LoadedFrame loaded;
  ASSERT_TRUE(LoadAndMeasure(Write("c.fit", f), context, loaded).ok());
  EXPECT_TRUE(loaded.result.biasApplied);
  EXPECT_EQ(ScoreSignalToNoise(loaded), 200);
}

}  // namespace
}  // namespace orvek
