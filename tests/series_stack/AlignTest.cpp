// Alignment and cropping: crop windows, the in-place sub-pixel resampling, list and table
// modes, "Découpage", re-alignment of aligned crops.

#include <gtest/gtest.h>

#include "core/Output.h"

#include <cmath>

#include "core/Utils.h"
#include "measure/ReductionTable.h"
#include "series/Stacking.h"
#include "series_stack/SeriesStackSupport.h"

namespace orvek {
namespace {

using test::MakeFrame;
using test::RecordingObserver;
using test::StarFrame;
using test::TempHome;
using test::WriteFitsFrame;

TEST(CropWindow, Size128AtX200Point3And200Point7) {
  // The star lies on column 200 after resampling; 200 - 128 div 2 = 136, 136 + 127 = 263.
  CropWindow w;
  ASSERT_TRUE(CropWindowFor(200.3L, 100.0L, 128, 0, 0, w).ok);
  EXPECT_EQ(w.left, 136);
  EXPECT_EQ(w.right, 263);
  EXPECT_EQ(w.Width(), 128);
  ASSERT_TRUE(CropWindowFor(200.7L, 100.0L, 128, 0, 0, w).ok);
  EXPECT_EQ(w.left, 136);
  EXPECT_EQ(w.right, 263);
  EXPECT_EQ(w.top, 36);
  EXPECT_EQ(w.bottom, 163);
}

TEST(CropWindow, OddSizesAreExact) {
  CropWindow w;
  ASSERT_TRUE(CropWindowFor(200.5L, 80.2L, 129, 0, 0, w).ok);
  EXPECT_EQ(w.left, 136);  // 200 - 64
  EXPECT_EQ(w.right, 264);
  EXPECT_EQ(w.Width(), 129);
  EXPECT_EQ(w.Height(), 129);
  ASSERT_TRUE(CropWindowFor(200.5L, 80.2L, 131, 0, 0, w).ok);
  EXPECT_EQ(w.left, 135);  // 200 - 65
  EXPECT_EQ(w.Width(), 131);
  EXPECT_EQ(w.top, 15);  // 80 - 65
  EXPECT_EQ(w.Height(), 131);
}

TEST(CropWindow, OffsetsShiftTheWindow) {
  CropWindow w;
  ASSERT_TRUE(CropWindowFor(200.3L, 100.9L, 64, 5, -3, w).ok);
  EXPECT_EQ(w.left, 200 - 32 + 5);
  EXPECT_EQ(w.top, 100 - 32 - 3);
  EXPECT_EQ(w.Width(), 64);
}

TEST(CropWindow, RefusesAnEmptySize) {
  CropWindow w;
  EXPECT_FALSE(CropWindowFor(10, 10, 0, 0, 0, w).ok);
}

TEST(CropPreview, CentreAndHalfSide) {
  const CropPreview p = MakeCropPreview(200.5L, 99.5L, 3, -2, 128);
  EXPECT_EQ(p.cx, 203);  // 200.5 rounds to the even 200, plus 3
  EXPECT_EQ(p.cy, 98);   // 99.5 rounds to the even 100, minus 2
  EXPECT_EQ(p.half, 64);
  EXPECT_EQ(MakeCropPreview(0, 0, 0, 0, 129).half, 64);  // 64.5 -> 64
  EXPECT_EQ(MakeCropPreview(0, 0, 0, 0, 131).half, 66);  // 65.5 -> 66
}

TEST(FractionalPart, TowardsZero) {
  EXPECT_NEAR(static_cast<double>(FractionalPart(200.3L)), 0.3, 1e-15);
  EXPECT_EQ(FractionalPart(7.0L), 0);
}

TEST(Resample, ARampMovesByTheFraction) {
  // On P(i, j) = 10 i + 3 j the linear interpolation is exact: after the two passes every
  // interior pixel holds the ramp at (i + fx, j + fy).
  OTrame f = MakeFrame(12, 9);
  for (int i = 0; i < 12; ++i)
    for (int j = 0; j < 9; ++j) f.Px(i, j) = 10 * i + 3 * j;
  const Extended fx = 0.3L, fy = 0.7L;
  ResampleSubPixel(f, fx, fy);
  for (int i = 1; i < 11; ++i)
    for (int j = 1; j < 8; ++j)
      EXPECT_NEAR(static_cast<double>(f.Px(i, j)), 10 * (i + 0.3) + 3 * (j + 0.7), 1e-12)
          << i << "," << j;
  // Column 0 and row 0 are never written.
  for (int j = 0; j < 9; ++j) EXPECT_EQ(f.Px(0, j), 3 * j);
  for (int i = 0; i < 12; ++i) EXPECT_EQ(f.Px(i, 0), 10 * i);
  // The last column has no right neighbour: it moves along y only.
  EXPECT_NEAR(static_cast<double>(f.Px(11, 4)), 110 + 3 * 4.7, 1e-12);
  // The last row moves along x only.
  EXPECT_NEAR(static_cast<double>(f.Px(5, 8)), 10 * 5.3 + 24, 1e-12);
}

TEST(Resample, MatchesAnOutOfPlaceComputation) {
  // Independent formulation: X = (1 - fx) P(i) + fx P(i + 1) from an untouched copy, then
  // Y = (1 - fy) X(j) + fy X(j + 1), in double precision.
  OTrame f = MakeFrame(9, 7);
  unsigned seed = 7;
  for (Extended& v : f.Data()) {
    seed = seed * 1664525u + 1013904223u;
    v = (seed >> 16) % 5000;
  }
  std::vector<std::vector<double>> p(9, std::vector<double>(7));
  for (int i = 0; i < 9; ++i)
    for (int j = 0; j < 7; ++j) p[i][j] = static_cast<double>(f.Px(i, j));
  const double fx = 0.41, fy = 0.13;
  auto x = p;
  for (int j = 1; j < 7; ++j)
    for (int i = 1; i < 8; ++i) x[i][j] = (1 - fx) * p[i][j] + fx * p[i + 1][j];
  auto y = x;
  for (int i = 1; i < 9; ++i)
    for (int j = 1; j < 6; ++j) y[i][j] = (1 - fy) * x[i][j] + fy * x[i][j + 1];
  ResampleSubPixel(f, 0.41L, 0.13L);
  for (int i = 0; i < 9; ++i)
    for (int j = 0; j < 7; ++j) EXPECT_NEAR(static_cast<double>(f.Px(i, j)), y[i][j], 1e-9);
}

class AlignFiles : public ::testing::Test {
 protected:
  TempHome home;
  OutputFolder Temp() { return WorkingOutput("temp"); }
};

TEST_F(AlignFiles, StarAt200Point3LandsOnTheCropCentre) {
  const std::string path =
      WriteFitsFrame(StarFrame(300, 200, 200.3, 100.6, 8000), home.File("m57_001.fit"));
  AlignSettings s;
  s.size = 128;
  const AlignResult r = AlignList({{path, true}}, s, LoadContext{}, Temp());
  ASSERT_TRUE(r.status.ok) << DebugText(r.status.error);
  ASSERT_EQ(r.frames.size(), 1u);
  const AlignedFrame& f = r.frames[0];
  EXPECT_EQ(f.output, WorkFolder("temp") + "m57_001.orva");
  EXPECT_TRUE(f.resampled);
  // The star measured at load is within a few tenths of the truth, on column 200.
  EXPECT_NEAR(static_cast<double>(f.x), 200.3, 0.15);
  EXPECT_EQ(f.window.left, 136);
  EXPECT_EQ(f.window.right, 263);
  EXPECT_EQ(f.window.top, 100 - 64);
  LoadedFrame crop;
  ASSERT_TRUE(LoadAndMeasure(f.output, LoadContext{}, crop).ok());
  EXPECT_EQ(crop.frame.Width(), 128);
  EXPECT_EQ(crop.frame.Height(), 128);
  EXPECT_NEAR(static_cast<double>(crop.star.point.X), 64.0, 0.3);
  EXPECT_NEAR(static_cast<double>(crop.star.point.Y), 64.0, 0.3);
  // The list is refilled with the folder.
  ASSERT_EQ(r.list.size(), 1u);
  EXPECT_EQ(r.showPath, f.output);
}

TEST_F(AlignFiles, KnownSubPixelDriftLandsWithinAThirdOfAPixelOnBothAxes) {
  std::vector<SeriesItem> items;
  for (int k = 0; k < 8; ++k) {
    const double x = 140.0 + 0.37 * k, y = 95.0 + 0.61 * k;
    items.push_back({WriteFitsFrame(StarFrame(300, 220, x, y, 9000 - 300 * k),
                                    home.File("drift" + std::to_string(k) + ".fit")),
                     true});
  }
  AlignSettings s;
  s.size = 64;
  RecordingObserver observer;
  const AlignResult r = AlignList(items, s, LoadContext{}, Temp(), observer);
  ASSERT_EQ(r.frames.size(), 8u);
  EXPECT_EQ(observer.frames.size(), 8u);
  for (const AlignedFrame& f : r.frames) {
    LoadedFrame crop;
    ASSERT_TRUE(LoadAndMeasure(f.output, LoadContext{}, crop).ok());
    EXPECT_NEAR(static_cast<double>(crop.star.point.X), 32.0, 0.3) << f.source;
    EXPECT_NEAR(static_cast<double>(crop.star.point.Y), 32.0, 0.3) << f.source;
  }
}

TEST_F(AlignFiles, DecoupageCutsTheSameWindowWithoutResampling) {
  std::vector<SeriesItem> items;
  std::vector<OTrame> frames;
  for (int k = 0; k < 3; ++k) {
    frames.push_back(StarFrame(240, 160, 100.4 + 3 * k, 80.7, 5000));
    items.push_back(
        {WriteFitsFrame(frames.back(), home.File("cut" + std::to_string(k) + ".fit")), true});
  }
  AlignSettings s;
  s.size = 64;
  s.subPixel = false;
  s.cropX = 150;
  s.cropY = 90;
  s.offsetX = 7;  // not used by Découpage: the centre was confirmed with them already
  const AlignResult r = AlignList(items, s, LoadContext{}, Temp());
  ASSERT_EQ(r.frames.size(), 3u);
  for (size_t k = 0; k < 3; ++k) {
    const AlignedFrame& f = r.frames[k];
    EXPECT_FALSE(f.resampled);
    EXPECT_EQ(f.window.left, 118);
    EXPECT_EQ(f.window.top, 58);
    OTrame crop, original;
    ASSERT_TRUE(crop.LoadFile(f.output).ok());
    ASSERT_TRUE(original.LoadFile(items[k].path).ok());
    for (int i = 0; i < 64; i += 7)
      for (int j = 0; j < 64; j += 5) ASSERT_EQ(crop.Px(i, j), original.Px(118 + i, 58 + j));
  }
}

TEST_F(AlignFiles, WindowOutsideTheFrameTakesTheMedian) {
  // Star near the left edge: the 64-wide window starts at column 10 - 32 = -22.
  OTrame f = StarFrame(120, 100, 10.2, 50.2, 6000, 250);
  const std::string path = WriteFitsFrame(f, home.File("edge.fit"));
  AlignSettings s;
  s.size = 64;
  const AlignResult r = AlignList({{path, true}}, s, LoadContext{}, Temp());
  ASSERT_EQ(r.frames.size(), 1u);
  EXPECT_EQ(r.frames[0].window.left, -22);
  OTrame loaded, crop;
  ASSERT_TRUE(loaded.LoadFile(path).ok());
  ASSERT_TRUE(crop.LoadFile(r.frames[0].output).ok());
  EXPECT_EQ(crop.Width(), 64);
  for (int i = 0; i < 22; ++i) EXPECT_EQ(crop.Px(i, 40), loaded.Median) << i;
}

TEST_F(AlignFiles, FirstRunEmptiesTheFolderAndReAlignmentDeletesUntickedCrops) {
  const std::string temp = WorkFolder("temp");
  test::WriteBytes(temp + "stale.orva", {0});
  test::WriteBytes(temp + "notes.txt", {0});
  std::vector<SeriesItem> items;
  for (int k = 0; k < 4; ++k)
    items.push_back({WriteFitsFrame(StarFrame(200, 160, 90 + k, 80, 7000),
                                    home.File("s" + std::to_string(k) + ".fit")),
                     true});
  AlignSettings s;
  s.size = 96;
  const AlignResult first = AlignList(items, s, LoadContext{}, Temp());
  ASSERT_EQ(first.frames.size(), 4u);
  EXPECT_FALSE(FileExists(temp + "stale.orva"));
  EXPECT_FALSE(FileExists(temp + "notes.txt"));
  ASSERT_EQ(first.list.size(), 4u);  // natural order: s0 .. s3

  // Second alignment over the crops, items 1 and 3 unticked: their crops are deleted.
  std::vector<SeriesItem> crops = TickedItems(first.list);
  crops[1].ticked = false;
  crops[3].ticked = false;
  s.size = 48;
  const AlignResult second = AlignList(crops, s, LoadContext{}, Temp());
  EXPECT_EQ(second.deleted, (std::vector<std::string>{temp + "s1.orva", temp + "s3.orva"}));
  EXPECT_EQ(second.list, (std::vector<std::string>{temp + "s0.orva", temp + "s2.orva"}));
  OTrame recropped;
  ASSERT_TRUE(recropped.LoadFile(temp + "s2.orva").ok());
  EXPECT_EQ(recropped.Width(), 48);
}

TEST_F(AlignFiles, FramesListedFromTheFolderItselfAreNotDeletedBeforeTheyAreRead) {
  // FITS frames kept in the alignment folder: emptying it first would lose them.
  const std::string temp = WorkFolder("temp");
  const std::string fit =
      WriteFitsFrame(StarFrame(120, 100, 60.3, 50.2, 5000), temp + "inside.fit");
  test::WriteBytes(temp + "other.orva", {0});
  AlignSettings s;
  s.size = 32;
  const AlignResult r = AlignList({{fit, true}}, s, LoadContext{}, Temp());
  ASSERT_EQ(r.frames.size(), 1u);
  EXPECT_TRUE(FileExists(fit));
  EXPECT_FALSE(FileExists(temp + "other.orva"));
  EXPECT_TRUE(FileExists(temp + "inside.orva"));
}

TEST_F(AlignFiles, UntickedOrvFilesElsewhereAreKept) {
  OTrame f = StarFrame(100, 100, 50, 50, 5000);
  const std::string outside = home.File("elsewhere.orva");
  ASSERT_TRUE(f.SaveOrv(0, 0, 99, 99, outside).ok);
  const std::string fit = WriteFitsFrame(f, home.File("k.fit"));
  AlignSettings s;
  s.size = 32;
  const AlignResult r = AlignList({{fit, true}, {outside, false}}, s, LoadContext{}, Temp());
  EXPECT_TRUE(r.deleted.empty());
  EXPECT_TRUE(FileExists(outside));
}

TEST_F(AlignFiles, UnreadableFrameGetsNoCropAndTheRunGoesOn) {
  const std::string good = WriteFitsFrame(StarFrame(100, 100, 50, 50, 5000), home.File("good.fit"));
  RecordingObserver observer;
  AlignSettings s;
  s.size = 32;
  const AlignResult r =
      AlignList({{home.File("gone.fit"), true}, {good, true}}, s, LoadContext{}, Temp(), observer);
  ASSERT_EQ(r.frames.size(), 1u);
  EXPECT_EQ(r.frames[0].source, good);
  ASSERT_EQ(r.warnings.size(), 1u);
  EXPECT_FALSE(FileExists(WorkFolder("temp") + "gone.orva"));
  EXPECT_EQ(observer.problems.size(), 1u);
}

TEST_F(AlignFiles, FolderOfTheUserLosesNothingAndAnExistingCropIsRefused) {
  const std::string dir = home.File("out/");
  test::Run("mkdir -p '" + dir + "'");
  test::WriteBytes(dir + "mine.txt", {1});
  test::WriteBytes(dir + "old.orva", {1});
  const std::string fit = WriteFitsFrame(StarFrame(100, 100, 50, 50, 5000), home.File("n.fit"));
  AlignSettings s;
  s.size = 32;
  const AlignResult r = AlignList({{fit, true}}, s, LoadContext{}, UserOutput(dir, false));
  ASSERT_TRUE(r.status.ok) << DebugText(r.status.error);
  EXPECT_EQ(test::ReadBytes(dir + "old.orva"), std::vector<unsigned char>{1});
  EXPECT_TRUE(FileExists(dir + "mine.txt"));
  // The new list holds the crops written, not the other files of the folder.
  EXPECT_EQ(r.list, (std::vector<std::string>{dir + "n.orva"}));
  // A second run would replace n.orva: refused before anything is read, unless overwrite.
  const std::vector<unsigned char> crop = test::ReadBytes(dir + "n.orva");
  test::RecordingObserver observer;
  const AlignResult again =
      AlignList({{fit, true}}, s, LoadContext{}, UserOutput(dir, false), observer);
  EXPECT_EQ(again.status.error.code, ErrorCode::FileExists);
  EXPECT_EQ(again.status.error.path, dir + "n.orva");
  EXPECT_TRUE(observer.frames.empty());
  EXPECT_TRUE(AlignList({{fit, true}}, s, LoadContext{}, UserOutput(dir, true)).status.ok);
  EXPECT_EQ(test::ReadBytes(dir + "n.orva"), crop);
}

TEST_F(AlignFiles, TableModeCropsRoundComponentAAndRenamesAtTheEnd) {
  const std::string temp = WorkFolder("temp");
  // Inputs that are crops of the folder itself: the folder is not emptied first, and the
  // old ".orva" files go at the end, the new ".orvr" crops taking their names.
  OTrame a = StarFrame(120, 120, 60.25, 58.5, 6000);
  OTrame b = StarFrame(120, 120, 62.75, 61.5, 6000);
  ASSERT_TRUE(a.SaveOrv(0, 0, 119, 119, temp + "a.orva").ok);
  ASSERT_TRUE(b.SaveOrv(0, 0, 119, 119, temp + "b.orva").ok);
  ASSERT_TRUE(a.SaveOrv(0, 0, 119, 119, temp + "z.orva").ok);
  AlignSettings s;
  s.size = 40;
  s.offsetX = 2;
  const std::vector<TableRowInput> rows = {{temp + "a.orva", 60.25L, 58.5L},
                                           {temp + "b.orva", 62.75L, 61.5L}};
  const AlignResult r = AlignTable(rows, s, LoadContext{}, Temp());
  ASSERT_EQ(r.frames.size(), 2u);
  EXPECT_EQ(r.frames[0].output, temp + "a.orva");
  EXPECT_EQ(r.frames[1].window.left, 62 - 20 + 2);
  EXPECT_EQ(r.frames[1].window.top, 61 - 20);
  EXPECT_FALSE(FileExists(temp + "z.orva"));
  EXPECT_TRUE(ListFiles(temp, "*.orvr").empty());
  EXPECT_EQ(r.list, (std::vector<std::string>{temp + "a.orva", temp + "b.orva"}));
  OTrame crop;
  ASSERT_TRUE(crop.LoadFile(temp + "b.orva").ok());
  EXPECT_EQ(crop.Width(), 40);
}

TEST_F(AlignFiles, RowsOfTheMeasurementTable) {
  ReductionTable table(home.File("orvek.ini"));
  table.RAZ();
  table.SaveCentroid(Point(60.25L, 58.5L), home.File("r1.fit"));
  table.SaveCentroid(Point(70, 58), home.File("r1.fit"));
  std::vector<TableRowInput> rows;
  ASSERT_TRUE(TableRowsFrom(table, rows).ok);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].path, home.File("r1.fit"));
  EXPECT_EQ(rows[0].xA, 60.25L);
  EXPECT_EQ(rows[0].yA, 58.5L);
  table.SetCell(1, kColYA, "abc");
  const Status bad = TableRowsFrom(table, rows);
  EXPECT_FALSE(bad.ok);
  EXPECT_EQ(bad.error.field, "yA");
  EXPECT_EQ(rows.size(), 1u);  // unchanged on failure
}

TEST_F(AlignFiles, RefusesAnEmptyCropSize) {
  AlignSettings s;
  s.size = 0;
  const AlignResult r = AlignList({{home.File("x.fit"), true}}, s, LoadContext{}, Temp());
  EXPECT_FALSE(r.status.ok);
  EXPECT_TRUE(r.frames.empty());
}

}  // namespace
}  // namespace orvek
