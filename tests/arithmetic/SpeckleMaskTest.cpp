// The speckle mask (shift from the table, the shifted difference, the average, the three files
// per image) and the peak suppression. Expected values are worked out by hand from the rules:
// M[x][y] = max(0, I[x][y] - I[x - dx][y - dy]) (I's Median where the source falls outside
// 0 .. X - 1, 0 .. Y - 1) for x < X, y < Y, the last column and row keeping I's values;
// averaged[x][y] = (I[x][y] + M[20 sign(dx) + x][y]) / 2 where that column is in 0 .. X - 1.

#include <gtest/gtest.h>

#include "core/Output.h"

#include "core/Utils.h"
#include "fourier/FourierTestSupport.h"
#include "fourier/SpeckleMask.h"
#include "measure/ReductionTable.h"
#include "support/TestSupport.h"

namespace orvek::fourier {
namespace {

using E = long double;

template <class F>
void ExpectPixels(const OTrame& f, F expected) {
  for (int x = 0; x <= f.LastX; ++x)
    for (int y = 0; y <= f.LastY; ++y) EXPECT_EQ(f.Px(x, y), expected(x, y)) << x << "," << y;
}

// A frame as loaded from an ORV file (statistics computed).
OTrame Loaded(const OTrame& f, const std::string& path) {
  return test::LoadOrv(test::WriteOrv(f, path));
}

// ---- Shift --------------------------------------------------------------------------------

TEST(SpeckleShift, NearestIntegersOfTheDifferencesHalvesToEven) {
  // xB - xA = 13 - 10.5 = 2.5 -> 2; yB - yA = 0.5 - 4 = -3.5 -> -4.
  SpeckleShift s;
  ASSERT_TRUE(SpeckleShiftFromCells("10.5", "4", "13", "0.5", s).ok);
  EXPECT_EQ(s.dx, 2);
  EXPECT_EQ(s.dy, -4);
  ASSERT_TRUE(SpeckleShiftFromCells("1", "1", "4.5", "2.6", s).ok);  // 3.5 -> 4, 1.6 -> 2
  EXPECT_EQ(s.dx, 4);
  EXPECT_EQ(s.dy, 2);
}

TEST(SpeckleShift, CellThatIsNotANumberNamesTheCell) {
  SpeckleShift s;
  s.dx = 99;
  const Status st = SpeckleShiftFromCells("10", "4", "abc", "2", s);
  ASSERT_FALSE(st.ok);
  EXPECT_EQ(st.error.code, ErrorCode::NotANumber);
  EXPECT_EQ(st.error.field, "xB");
  EXPECT_EQ(st.error.text, "abc");
  EXPECT_EQ(s.dx, 99);
  EXPECT_FALSE(SpeckleShiftFromCells("", "4", "1", "2", s).ok);
}

TEST(SpeckleShift, FromRowOneOfTheTable) {
  ReductionTable table("");
  SpeckleShift s;
  const Status none = SpeckleShiftFromTable(table, s);
  ASSERT_FALSE(none.ok);
  EXPECT_EQ(none.error.code, ErrorCode::NoTableRow);
  EXPECT_EQ(none.error.row, 1);
  table.AddRow();
  ASSERT_TRUE(table.SetCell(1, kColXA, "100.2"));
  ASSERT_TRUE(table.SetCell(1, kColYA, "50"));
  // B not entered yet: its cells are empty.
  EXPECT_FALSE(SpeckleShiftFromTable(table, s).ok);
  ASSERT_TRUE(table.SetCell(1, kColXB, "93.9"));
  ASSERT_TRUE(table.SetCell(1, kColYB, "58.7"));
  ASSERT_TRUE(SpeckleShiftFromTable(table, s).ok);
  EXPECT_EQ(s.dx, -6);  // -6.3
  EXPECT_EQ(s.dy, 9);   // 8.7
}

// ---- Frames -------------------------------------------------------------------------------

class SpeckleFrames : public ::testing::Test {
 protected:
  test::TempHome home;
};

TEST_F(SpeckleFrames, NoShiftGivesZeroDifferenceAndHalvesTheAverage) {
  // I(x, y) = 1 + x + 10 y on 8 x 6. The shifted copy equals the image on x < 7, y < 5, so M
  // is 0 there; the last column and row keep I. The average halves every pixel with
  // x < 7 and y < 5 (r = x is then in range), the rest stays.
  OTrame f = test::MakeFrame(8, 6, 0);
  for (int x = 0; x < 8; ++x)
    for (int y = 0; y < 6; ++y) f.Px(x, y) = 1 + x + 10 * y;
  const OTrame image = Loaded(f, home.File("i.orv"));
  OTrame m, a;
  SpeckleMaskFrames(image, {0, 0}, m, a);
  ExpectPixels(m, [](int x, int y) { return x < 7 && y < 5 ? E(0) : E(1 + x + 10 * y); });
  ExpectPixels(a, [](int x, int y) {
    const E v = 1 + x + 10 * y;
    return x < 7 && y < 5 ? v / 2 : v;
  });
}

TEST_F(SpeckleFrames, ShiftLargerThanTheImageSubtractsTheMedianEverywhere) {
  // 10 x 10 of 50 with a star of 90 at (3, 3) and a dark pixel of 20 at (6, 2); the cross
  // sample (row 4, column 4: 4.5 goes to 4) is all 50, so the Median is 50. With dx = 100 every
  // source is outside: M = max(0, I - 50) = 40 at (3, 3), 0 elsewhere in the visited part. r = 20 +
  // x is never below X = 9: the average is the image.
  OTrame f = test::MakeFrame(10, 10, 50);
  f.Px(3, 3) = 90;
  f.Px(6, 2) = 20;
  const OTrame image = Loaded(f, home.File("i.orv"));
  ASSERT_EQ(image.Median, 50);
  for (SpeckleShift s : {SpeckleShift{100, 0}, SpeckleShift{0, -100}, SpeckleShift{-40, 40}}) {
    OTrame m, a;
    SpeckleMaskFrames(image, s, m, a);
    ExpectPixels(m, [](int x, int y) {
      if (x == 9 || y == 9) return E(50);
      return x == 3 && y == 3 ? E(40) : E(0);
    });
    if (s.dx > 0) ExpectPixels(a, [&](int x, int y) { return image.Px(x, y); });
  }
}

TEST_F(SpeckleFrames, ShiftedDifferenceOfAStar) {
  // 6 x 5 of 10 with 100 at (1, 1), dx = 2, dy = 1 (Median 10). M(1, 1): source (-1, 0) is
  // outside -> 100 - 10 = 90; M(3, 2): source (1, 1) -> 10 - 100 < 0 -> 0; every other
  // visited pixel 10 - 10 = 0; column 5 and row 4 keep 10. r = 20 + x >= 5: no average.
  OTrame f = test::MakeFrame(6, 5, 10);
  f.Px(1, 1) = 100;
  const OTrame image = Loaded(f, home.File("i.orv"));
  ASSERT_EQ(image.Median, 10);
  OTrame m, a;
  SpeckleMaskFrames(image, {2, 1}, m, a);
  ExpectPixels(m, [](int x, int y) {
    if (x == 5 || y == 4) return E(10);
    return x == 1 && y == 1 ? E(90) : E(0);
  });
  ExpectPixels(a, [&](int x, int y) { return image.Px(x, y); });
}

TEST_F(SpeckleFrames, NegativeShiftAveragesWithTheColumnTwentyToTheLeft) {
  // 24 x 4 of 10 with 100 at (1, 1) and 4 in the last column, dx = -1, dy = 0; Median 10
  // (row 2 holds one 4 among 24 values). M(x, y) = I(x, y) - I(x + 1, y) for x <= 21 (the
  // source column must stay below X = 23: column 23 is never a source), I - 10 for x = 22:
  // M(1, 1) = 90, M(0, 1) = 10 - 100 -> 0, the rest 0 (M(22, y) would be 6 if column 23 were
  // read); column 23 keeps 4 and row 3 keeps 10. Average: r = x - 20 is in 0 .. 22 for x = 20 .. 22
  // (x < 23): (10 + M(r, y)) / 2, that is 50 at (21, 1) and 5 at the other pixels of columns 20 ..
  // 22, rows 0 .. 2.
  OTrame f = test::MakeFrame(24, 4, 10);
  f.Px(1, 1) = 100;
  for (int y = 0; y < 4; ++y) f.Px(23, y) = 4;
  const OTrame image = Loaded(f, home.File("i.orv"));
  ASSERT_EQ(image.Median, 10);
  OTrame m, a;
  SpeckleMaskFrames(image, {-1, 0}, m, a);
  ExpectPixels(m, [](int x, int y) {
    if (x == 23) return E(4);
    if (y == 3) return E(10);
    return x == 1 && y == 1 ? E(90) : E(0);
  });
  ExpectPixels(a, [&](int x, int y) {
    if (x == 23) return E(4);
    if (x == 1 && y == 1) return E(100);
    if (x >= 20 && x <= 22 && y <= 2) return x == 21 && y == 1 ? E(50) : E(5);
    return E(10);
  });
}

TEST_F(SpeckleFrames, PositiveShiftAveragesWithTheColumnTwentyToTheRight) {
  // 24 x 4 of 10, 100 at (1, 1), last column 30; dx = 1, dy = 0. The Median is 10 (row 2 has
  // one 30 among 24 values; rank nearest(13.5) = 14 of the descending list is a 10).
  // M(x, y) = I(x, y) - I(x - 1, y) for x = 1 .. 22, I - 10 for x = 0: M(1, 1) = 90, the
  // rest of the visited part 0 (M(2, 1) = 10 - 100 -> 0); column 23 keeps 30, row 3 keeps I.
  // Average: r = 20 + x must stay below X = 23, so only columns 0 .. 2 (rows 0 .. 2) change:
  // (I + M(20 + x, y)) / 2 = I / 2. Column 3 would pair with the unvisited column 23.
  OTrame f = test::MakeFrame(24, 4, 10);
  f.Px(1, 1) = 100;
  for (int y = 0; y < 4; ++y) f.Px(23, y) = 30;
  const OTrame image = Loaded(f, home.File("i.orv"));
  ASSERT_EQ(image.Median, 10);
  OTrame m, a;
  SpeckleMaskFrames(image, {1, 0}, m, a);
  ExpectPixels(m, [](int x, int y) {
    if (x == 23) return E(30);
    if (y == 3) return E(10);
    return x == 1 && y == 1 ? E(90) : E(0);
  });
  ExpectPixels(
      a, [&](int x, int y) { return x <= 2 && y <= 2 ? image.Px(x, y) / 2 : image.Px(x, y); });
}

TEST_F(SpeckleFrames, LastRowIsNeverASource) {
  // 5 x 6 of 10 with 4 on the last row (y = 5), dx = 0, dy = -1; Median 10 (column 2 holds
  // one 4 among 11 samples). M(x, y) = I(x, y) - I(x, y + 1) for y <= 3, and for y = 4 the
  // source row 5 is outside 0 .. Y - 1: 10 - Median = 0 (reading row 5 would give 6).
  OTrame f = test::MakeFrame(5, 6, 10);
  for (int x = 0; x < 5; ++x) f.Px(x, 5) = 4;
  const OTrame image = Loaded(f, home.File("i.orv"));
  ASSERT_EQ(image.Median, 10);
  OTrame m, a;
  SpeckleMaskFrames(image, {0, -1}, m, a);
  ExpectPixels(m, [](int x, int y) { return y == 5 ? E(4) : x == 4 ? E(10) : E(0); });
  ExpectPixels(a, [](int x, int y) { return y == 5 ? E(4) : x == 4 ? E(10) : E(5); });
}

TEST_F(SpeckleFrames, OnePixelImageIsCopiedUnchanged) {
  // X = Y = 0: no loop visits anything.
  const OTrame image = Loaded(test::MakeFrame(1, 1, 7), home.File("i.orv"));
  OTrame m, a;
  SpeckleMaskFrames(image, {3, 3}, m, a);
  EXPECT_EQ(m.Px(0, 0), 7);
  EXPECT_EQ(a.Px(0, 0), 7);
}

// ---- Command ------------------------------------------------------------------------------

class SpeckleCommand : public ::testing::Test {
 protected:
  test::TempHome home;
  std::string folder = WorkFolder(kSpeckleMaskFolder);
};

TEST_F(SpeckleCommand, WritesThreeFilesPerImageAfterEmptyingTheFolder) {
  test::WriteBytes(folder + "old.orvm", {1, 2, 3});
  test::WriteBytes(folder + "notes.txt", {1});
  OTrame f = test::MakeFrame(8, 6, 0);
  for (int x = 0; x < 8; ++x)
    for (int y = 0; y < 6; ++y) f.Px(x, y) = 1 + x + 10 * y;
  SeriesInput in;
  in.files = {test::WriteOrv(f, home.File("b.orv")), test::WriteOrv(f, home.File("a.orv"))};
  test::RecordingObserver observer;
  in.observer = &observer;
  const FourierResult r = SpeckleMaskCommand(in, {0, 0}, ProgramOutput(folder));
  ASSERT_TRUE(r.ok()) << DebugText(r.error);
  EXPECT_EQ(observer.frames, 2);
  const std::vector<std::string> expected = {folder + "b.orvo", folder + "b.orvm",
                                             folder + "b.orvr", folder + "a.orvo",
                                             folder + "a.orvm", folder + "a.orvr"};
  EXPECT_EQ(r.written, expected);
  EXPECT_EQ(ListFiles(folder, "*"),
            (std::vector<std::string>{"a.orvm", "a.orvo", "a.orvr", "b.orvm", "b.orvo", "b.orvr"}));
  EXPECT_EQ(r.shown, folder + "a.orvm");
  // .orvo is the image as loaded; .orvm is 0 on the visited part; .orvr halves it.
  ExpectPixels(test::LoadOrv(folder + "a.orvo"), [](int x, int y) { return E(1 + x + 10 * y); });
  ExpectPixels(test::LoadOrv(folder + "a.orvm"),
               [](int x, int y) { return x < 7 && y < 5 ? E(0) : E(1 + x + 10 * y); });
  ExpectPixels(test::LoadOrv(folder + "a.orvr"), [](int x, int y) {
    const E v = 1 + x + 10 * y;
    return x < 7 && y < 5 ? v / 2 : v;
  });
}

TEST_F(SpeckleCommand, BiasIsSubtractedFromImagesAsTheWindowLoadsThem) {
  // A 16-bit FITS image of 40 with a bias of 15: every file holds the image less 15.
  const OTrame f = test::MakeFrame(5, 5, 40);
  ASSERT_TRUE(f.SaveFits(home.File("s.fits"), 2, 0, 0).ok);
  const OTrame bias = test::MakeFrame(5, 5, 15);
  SeriesInput in;
  in.files = {home.File("s.fits")};
  in.bias = &bias;
  ASSERT_TRUE(SpeckleMaskCommand(in, {0, 0}, ProgramOutput(folder)).ok());
  EXPECT_EQ(test::LoadOrv(folder + "s.orvo").Px(2, 2), 25);
  EXPECT_EQ(test::LoadOrv(folder + "s.orvr").Px(2, 2), 12.5L);
}

TEST_F(SpeckleCommand, UnreadableImageIsLeftOutAndNamed) {
  SeriesInput in;
  in.files = {home.File("missing.orv"),
              test::WriteOrv(test::MakeFrame(4, 4, 3), home.File("ok.orv"))};
  test::RecordingObserver observer;
  in.observer = &observer;
  const FourierResult r = SpeckleMaskCommand(in, {1, 1}, ProgramOutput(folder));
  ASSERT_TRUE(r.ok());
  ASSERT_EQ(r.warnings.size(), 1u);
  EXPECT_EQ(r.warnings[0].code, ErrorCode::FileNotFound);
  EXPECT_EQ(r.warnings[0].path, home.File("missing.orv"));
  ASSERT_EQ(observer.problems.size(), 1u);
  EXPECT_EQ(observer.problems[0].path, r.warnings[0].path);
  EXPECT_EQ(r.written.size(), 3u);
}

TEST_F(SpeckleCommand, NoImageEmptiesTheFolderAndWritesNothing) {
  test::WriteBytes(folder + "old.orvm", {1});
  const FourierResult r = SpeckleMaskCommand(SeriesInput{}, {0, 0}, ProgramOutput(folder));
  EXPECT_EQ(r.status, FourierStatus::NothingTicked);
  EXPECT_TRUE(ListFiles(folder, "*").empty());
  EXPECT_TRUE(r.shown.empty());
}

// ---- Peak suppression -----------------------------------------------------------------------

TEST(SuppressPeak, CentreIsTheNearestOfHalfTheWidth) {
  EXPECT_EQ(PeakCentre(test::MakeFrame(64, 64)), 32);
  EXPECT_EQ(PeakCentre(test::MakeFrame(256, 256)), 128);
  EXPECT_EQ(PeakCentre(test::MakeFrame(5, 5)), 2);  // 2.5 -> 2
  EXPECT_EQ(PeakCentre(test::MakeFrame(7, 7)), 4);  // 3.5 -> 4
}

// Pixels of `f` equal to 0, as (x, y) pairs.
std::vector<std::pair<int, int>> Zeros(const OTrame& f) {
  std::vector<std::pair<int, int>> z;
  for (int x = 0; x <= f.LastX; ++x)
    for (int y = 0; y <= f.LastY; ++y)
      if (f.Px(x, y) == 0) z.emplace_back(x, y);
  return z;
}

TEST(SuppressPeak, RingsOnA64Frame) {
  for (int ring : {0, 1, 2}) {
    OTrame f = test::MakeFrame(64, 64, 1);
    EXPECT_EQ(SuppressPeak(f, ring), (2 * ring + 1) * (2 * ring + 1));
    const auto zeros = Zeros(f);
    ASSERT_EQ(zeros.size(), size_t((2 * ring + 1) * (2 * ring + 1))) << ring;
    for (auto [x, y] : zeros) {
      EXPECT_GE(x, 32 - ring);
      EXPECT_LE(x, 32 + ring);
      EXPECT_GE(y, 32 - ring);
      EXPECT_LE(y, 32 + ring);
    }
  }
}

TEST(SuppressPeak, PlusTwoOnA64FrameZeroesExactlyThe25PixelsIn30To34) {
  OTrame f = test::MakeFrame(64, 64, 5);
  SuppressPeak(f, 2);
  ExpectPixels(f,
               [](int x, int y) { return x >= 30 && x <= 34 && y >= 30 && y <= 34 ? E(0) : E(5); });
}

TEST(SuppressPeak, SmallAndNonSquareFramesAreNeverWrittenOutside) {
  // 3 x 3: c = 2 (1.5 -> 2), the 5 x 5 block 0..4 is clipped to the 9 pixels.
  OTrame f = test::MakeFrame(3, 3, 1);
  EXPECT_EQ(SuppressPeak(f, 2), 9);
  ExpectPixels(f, [](int, int) { return E(0); });
  // 1 x 1: c = 0 (0.5 -> 0): only (0, 0).
  OTrame one = test::MakeFrame(1, 1, 1);
  EXPECT_EQ(SuppressPeak(one, 2), 1);
  EXPECT_EQ(one.Px(0, 0), 0);
  // 64 x 10: c = 32 on both axes, rows 30..34 lie below the frame: nothing changes.
  OTrame wide = test::MakeFrame(64, 10, 1);
  EXPECT_EQ(SuppressPeak(wide, 2), 0);
  ExpectPixels(wide, [](int, int) { return E(1); });
  // 10 x 64: c = nearest(5) = 5; rows 3..7 and columns 3..7: 25 pixels inside.
  OTrame tall = test::MakeFrame(10, 64, 1);
  EXPECT_EQ(SuppressPeak(tall, 2), 25);
  EXPECT_EQ(tall.Px(3, 7), 0);
  EXPECT_EQ(tall.Px(5, 32), 1);
  OTrame empty;
  EXPECT_EQ(SuppressPeak(empty, 1), 0);
}

}  // namespace
}  // namespace orvek::fourier
