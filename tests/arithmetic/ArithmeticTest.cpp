// Div, Mult and LowPass on frames read from ORV files (so that the statistics, the divisor's
// Median in particular, are those of a loaded frame). Expected values are worked out by hand.

#include <gtest/gtest.h>

#include "core/Output.h"

#include "core/Utils.h"
#include "fourier/FourierTestSupport.h"
#include "fourier/ImageArithmetic.h"
#include "support/TestSupport.h"

namespace orvek::fourier {
namespace {

using E = long double;

template <class F>
void ExpectPixels(const OTrame& f, F expected) {
  for (int x = 0; x <= f.LastX; ++x)
    for (int y = 0; y <= f.LastY; ++y) EXPECT_EQ(f.Px(x, y), expected(x, y)) << x << "," << y;
}

class Arithmetic : public ::testing::Test {
 protected:
  test::TempHome home;
  // The frame as it is after a save and a load (statistics computed).
  OTrame Loaded(const OTrame& f, const std::string& name) {
    return test::LoadOrv(test::WriteOrv(f, home.File(name)));
  }
  template <class F>
  OTrame Make(int w, int h, F value) {
    OTrame f = test::MakeFrame(w, h, 0);
    for (int x = 0; x < w; ++x)
      for (int y = 0; y < h; ++y) f.Px(x, y) = value(x, y);
    return f;
  }
};

TEST_F(Arithmetic, DivByItselfGivesTheDivisorMedianWherePixelsAreNotZero) {
  // 9 x 9 of 7 whose middle row and column (the statistics' cross sample) are all 7, so the
  // Median is 7; off the cross a few pixels are 0, 100 and 3. p x 7 / p = 7 exactly (small
  // integers), and 0 where the divisor (the same image) is 0. No value is negative: no shift.
  OTrame f = test::MakeFrame(9, 9, 7);
  f.Px(1, 1) = 0;
  f.Px(2, 7) = 100;
  f.Px(6, 2) = 3;
  f.Px(7, 7) = 0;
  const OTrame current = Loaded(f, "a.orv");
  const OTrame divisor = Loaded(f, "b.orv");
  ASSERT_EQ(divisor.Median, 7);
  const std::string folder = WorkFolder(kArithmeticFolder);
  const ArithmeticResult r = DivCommand(current, divisor, ProgramOutput(folder));
  ASSERT_TRUE(r.ok()) << DebugText(r.error);
  EXPECT_EQ(r.shown, folder + "div.orv");
  const OTrame out = test::LoadOrv(r.shown);
  ExpectPixels(out,
               [](int x, int y) { return (x == 1 && y == 1) || (x == 7 && y == 7) ? E(0) : E(7); });
  // The current frame itself is left alone: the window shows the file.
  EXPECT_EQ(current.Px(2, 7), 100);
}

TEST_F(Arithmetic, DivZeroDivisorGivesZeroThenTheMinimumIsShiftedToZero) {
  // p = x - 2y on 5 x 5 (-8 .. 4); divisor 2 everywhere but 0 at (3, 3), Median 2 (the
  // cross row 2 / column 2 avoids (3, 3)). p x 2 / 2 = p, (3, 3) -> 0; the minimum -8 (at
  // x = 0, y = 4) is shifted to 0: p + 8, and 8 at (3, 3).
  const OTrame current = Loaded(Make(5, 5, [](int x, int y) { return E(x - 2 * y); }), "a.orv");
  OTrame d = test::MakeFrame(5, 5, 2);
  d.Px(3, 3) = 0;
  const OTrame divisor = Loaded(d, "d.orv");
  ASSERT_EQ(divisor.Median, 2);
  OTrame work = current;
  ASSERT_TRUE(DivideFrame(work, divisor).ok);
  ExpectPixels(work, [](int x, int y) { return x == 3 && y == 3 ? E(8) : E(x - 2 * y + 8); });
}

TEST_F(Arithmetic, PositiveResultsAreNotShifted) {
  // The running minimum starts at 0: values 5 .. 20 stay where they are.
  const OTrame current = Loaded(Make(4, 4, [](int x, int y) { return E(5 + 4 * x + y); }), "a.orv");
  const OTrame one = Loaded(test::MakeFrame(4, 4, 1), "one.orv");
  OTrame work = current;
  ASSERT_TRUE(DivideFrame(work, one).ok);
  ExpectPixels(work, [](int x, int y) { return E(5 + 4 * x + y); });
  EXPECT_EQ(ShiftMinimumToZero(work), 0);
}

TEST_F(Arithmetic, MultMultipliesPixelByPixelThenShifts) {
  // (x - y)(y + 1) on 4 x 4 has its minimum -12 at x = 0, y = 3: the result is that + 12.
  const OTrame current = Loaded(Make(4, 4, [](int x, int y) { return E(x - y); }), "a.orv");
  const OTrame other = Loaded(Make(4, 4, [](int, int y) { return E(y + 1); }), "b.orv");
  const std::string folder = WorkFolder(kArithmeticFolder);
  const ArithmeticResult r = MultCommand(current, other, ProgramOutput(folder));
  ASSERT_TRUE(r.ok()) << DebugText(r.error);
  EXPECT_EQ(r.shown, folder + "mult.orv");
  const OTrame out = test::LoadOrv(r.shown);
  ExpectPixels(out, [](int x, int y) { return E((x - y) * (y + 1) + 12); });
  EXPECT_EQ(out.Px(3, 0), 15);
}

TEST_F(Arithmetic, SecondImageSmallerThanTheCurrentOneIsRefused) {
  const OTrame current = Loaded(test::MakeFrame(4, 4, 3), "a.orv");
  const std::string folder = WorkFolder(kArithmeticFolder);
  for (auto [w, h] : {std::pair{3, 4}, std::pair{4, 3}, std::pair{1, 1}}) {
    const OTrame small = Loaded(test::MakeFrame(w, h, 1), "s.orv");
    OTrame work = current;
    const Status s = DivideFrame(work, small);
    ASSERT_FALSE(s.ok);
    EXPECT_EQ(s.error.code, ErrorCode::SecondImageSize);
    EXPECT_EQ(s.error.values, (std::vector<double>{double(w), double(h), 4, 4}));
    EXPECT_EQ(work.Data(), current.Data());
    EXPECT_FALSE(MultiplyFrame(work, small).ok);
    EXPECT_EQ(work.Data(), current.Data());
    EXPECT_EQ(DivCommand(current, small, ProgramOutput(folder)).status,
              ArithmeticStatus::SizeMismatch);
    EXPECT_EQ(MultCommand(current, small, ProgramOutput(folder)).status,
              ArithmeticStatus::SizeMismatch);
    EXPECT_FALSE(FileExists(folder + "div.orv"));
    EXPECT_FALSE(FileExists(folder + "mult.orv"));
  }
}

TEST_F(Arithmetic, LargerSecondImageIsReadAtTheSameIndices) {
  // 6 x 6 divisor of 2 (Median 2) with 4 at (1, 1); current 4 x 4 of 10: 10 x 2 / 4 = 5 at
  // (1, 1), 10 elsewhere.
  OTrame d = test::MakeFrame(6, 6, 2);
  d.Px(1, 1) = 4;
  const OTrame divisor = Loaded(d, "d.orv");
  OTrame work = Loaded(test::MakeFrame(4, 4, 10), "a.orv");
  ASSERT_TRUE(DivideFrame(work, divisor).ok);
  ExpectPixels(work, [](int x, int y) { return x == 1 && y == 1 ? E(5) : E(10); });
}

TEST_F(Arithmetic, LowPassLeavesAConstantImageUnchanged) {
  const OTrame current = Loaded(test::MakeFrame(9, 7, 123), "c.orv");
  const std::string folder = WorkFolder(kArithmeticFolder);
  const ArithmeticResult r = LowPassCommand(current, ProgramOutput(folder));
  ASSERT_TRUE(r.ok()) << DebugText(r.error);
  EXPECT_EQ(r.shown, folder + "lowpass.orv");
  ExpectPixels(test::LoadOrv(r.shown), [](int, int) { return E(123); });
}

TEST_F(Arithmetic, LowPassSpreadsAnImpulseWithItsWeights) {
  // 16 at (4, 4): 16/4 = 4 at the centre, 16/8 = 2 on the sides, 16/16 = 1 on the diagonals.
  OTrame f = test::MakeFrame(9, 9, 0);
  f.Px(4, 4) = 16;
  LowPassFrame(f);
  ExpectPixels(f, [](int x, int y) {
    const int dx = std::abs(x - 4), dy = std::abs(y - 4);
    if (dx > 1 || dy > 1) return E(0);
    return E(dx + dy == 0 ? 4 : dx + dy == 1 ? 2 : 1);
  });
}

TEST_F(Arithmetic, LowPassKeepsTheTwoOuterRings) {
  // On ring 1, (1, 4) = 16 keeps its value and feeds only its inner neighbours: (2, 4) gets
  // 16/8 = 2, (2, 3) and (2, 5) get 16/16 = 1. On ring 0, (0, 6) = 16 is read by no pixel.
  OTrame f = test::MakeFrame(9, 9, 0);
  f.Px(1, 4) = 16;
  f.Px(0, 6) = 16;
  LowPassFrame(f);
  ExpectPixels(f, [](int x, int y) {
    if ((x == 1 && y == 4) || (x == 0 && y == 6)) return E(16);
    if (x == 2 && y == 4) return E(2);
    if (x == 2 && (y == 3 || y == 5)) return E(1);
    return E(0);
  });
}

TEST_F(Arithmetic, LowPassShiftsANegativeMinimumToZero) {
  // -16 at (4, 4) smooths to -4 / -2 / -1; the minimum -4 is shifted: everything + 4.
  OTrame f = test::MakeFrame(9, 9, 0);
  f.Px(4, 4) = -16;
  LowPassFrame(f);
  ExpectPixels(f, [](int x, int y) {
    const int dx = std::abs(x - 4), dy = std::abs(y - 4);
    if (dx > 1 || dy > 1) return E(4);
    return E(dx + dy == 0 ? 0 : dx + dy == 1 ? 2 : 3);
  });
}

TEST_F(Arithmetic, LowPassOnFramesTooSmallForItsLoopChangesNothing) {
  // x runs 2 .. LastX - 2: empty below 5 pixels; a 5 x 5 frame smooths its centre only.
  OTrame f = test::MakeFrame(4, 4, 0);
  f.Px(2, 2) = 16;
  const OTrame before = f;
  LowPassFrame(f);
  EXPECT_EQ(f.Data(), before.Data());
  OTrame g = test::MakeFrame(5, 5, 0);
  g.Px(2, 2) = 16;
  g.Px(1, 1) = 16;
  LowPassFrame(g);
  EXPECT_EQ(g.Px(2, 2), 4 + 1);
  EXPECT_EQ(g.Px(1, 1), 16);
  EXPECT_EQ(g.Px(3, 2), 0);
}

}  // namespace
}  // namespace orvek::fourier
