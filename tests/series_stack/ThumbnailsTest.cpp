// Thumbnails of the visual selection and the page arithmetic of the thumbnail window.

#include <gtest/gtest.h>

#include "core/Output.h"

#include "core/Utils.h"
#include "series/Thumbnails.h"
#include "series_stack/SeriesStackSupport.h"

namespace orvek {
namespace {

using test::ReadBytes;
using test::TempHome;

TEST(VisuPages, SelectorMaximum) {
  // 50 x ((count - 1) div 50), worked by hand.
  EXPECT_EQ(VisuSelectorMax(0), 0);
  EXPECT_EQ(VisuSelectorMax(1), 0);
  EXPECT_EQ(VisuSelectorMax(30), 0);
  EXPECT_EQ(VisuSelectorMax(50), 0);
  EXPECT_EQ(VisuSelectorMax(51), 50);
  EXPECT_EQ(VisuSelectorMax(100), 50);
  EXPECT_EQ(VisuSelectorMax(101), 100);
}

TEST(VisuPages, FiftyOneFramesMakeTwoPages) {
  const VisuPage first = MakeVisuPage(0, 51);
  EXPECT_EQ(first.firstNumber, 1);
  EXPECT_EQ(first.lastNumber, 50);
  for (int n = 0; n < 50; ++n) EXPECT_EQ(first.itemIndex[n], n);

  const VisuPage second = MakeVisuPage(50, 51);
  EXPECT_EQ(second.firstNumber, 51);
  EXPECT_EQ(second.lastNumber, 51);
  ASSERT_EQ(second.itemIndex.size(), 50u);
  EXPECT_EQ(second.itemIndex[0], 50);
  for (int n = 1; n < 50; ++n) EXPECT_EQ(second.itemIndex[n], -1) << n;  // 49 blank pictures
}

TEST(VisuPages, ThirtyFramesOnePartialPage) {
  const VisuPage page = MakeVisuPage(0, 30);
  EXPECT_EQ(page.firstNumber, 1);
  EXPECT_EQ(page.lastNumber, 30);
  EXPECT_EQ(page.itemIndex[29], 29);
  EXPECT_EQ(page.itemIndex[30], -1);
}

TEST(VisuPages, ClickOnThumbnailSevenOfPageFiftyTogglesItemFiftySeven) {
  EXPECT_EQ(VisuClickIndex(50, 7, 100), 57);
  EXPECT_EQ(VisuClickIndex(50, 7, 57), -1);  // a blank picture toggles nothing
  EXPECT_EQ(VisuClickIndex(0, 50, 100), -1);
}

// A picture whose pixel (x, y) holds B = x, G = y, R = 7, so that every copied pixel tells
// where it came from.
Raster CoordinatePicture(int w, int h) {
  Raster r(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) r.Set(x, y, 7, static_cast<uint8_t>(y), static_cast<uint8_t>(x));
  return r;
}

struct Source {
  int x = 0, y = 0;
  bool black = false;
};
Source At(const Raster& t, int u, int v) {
  const uint8_t* p = t.Row(v) + 3 * u;
  if (p[2] == 0) return {0, 0, true};
  return {p[0], p[1], false};
}

TEST(Thumbnail, CopiesTheSquareRoundThePointStretchedTo97) {
  const Raster picture = CoordinatePicture(200, 200);
  const Raster t = MakeThumbnail(picture, 100.2, 90.7);  // centre (100, 91)
  ASSERT_EQ(t.width, 97);
  ASSERT_EQ(t.height, 97);
  // Corners and centre: u = 0 takes source 60 + floor(81 / 194) = 60, u = 96 takes
  // 60 + floor(193 x 81 / 194) = 60 + 80, u = 48 takes 60 + floor(97 x 81 / 194) = 100.
  EXPECT_EQ(At(t, 0, 0).x, 60);
  EXPECT_EQ(At(t, 0, 0).y, 51);
  EXPECT_EQ(At(t, 96, 96).x, 140);
  EXPECT_EQ(At(t, 96, 96).y, 131);
  EXPECT_EQ(At(t, 48, 48).x, 100);
  EXPECT_EQ(At(t, 48, 48).y, 91);
  // Every one of the 81 source columns appears, in increasing order (a stretch, not a crop).
  int previous = -1, distinct = 0;
  for (int u = 0; u < 97; ++u) {
    const int x = At(t, u, 10).x;
    EXPECT_GE(x, previous);
    if (x != previous) ++distinct;
    previous = x;
  }
  EXPECT_EQ(distinct, 81);
}

TEST(Thumbnail, CentreRoundsHalvesToEven) {
  const Raster picture = CoordinatePicture(200, 200);
  EXPECT_EQ(At(MakeThumbnail(picture, 100.5, 101.5), 48, 48).x, 100);
  EXPECT_EQ(At(MakeThumbnail(picture, 100.5, 101.5), 48, 48).y, 102);
}

TEST(Thumbnail, OutsideThePictureIsBlack) {
  const Raster picture = CoordinatePicture(50, 50);
  const Raster t = MakeThumbnail(picture, 3, 3);
  EXPECT_TRUE(At(t, 0, 0).black);  // source (-37, -37)
  EXPECT_FALSE(At(t, 48, 48).black);
  EXPECT_EQ(At(t, 48, 48).x, 3);
}

TEST(Thumbnails, WritesOneBmpPerItemAndEmptiesTheFolderFirst) {
  TempHome home;
  const std::string folder = WorkFolder("tempv");
  test::WriteBytes(folder + "old.bmp", {1, 2, 3});
  test::WriteBytes(folder + "keep.txt", {1});
  std::vector<SeriesItem> items;
  for (int i = 0; i < 3; ++i) {
    OTrame f = test::StarFrame(120, 100, 40 + 10 * i, 50, 5000);
    const std::string path = home.File("frame" + std::to_string(i) + ".fit");
    test::WriteFitsFrame(f, path);
    items.push_back({path, i != 1});  // ticked or not, each gets its thumbnail
  }
  std::vector<Extended> starX;
  const FrameRenderer render = [&](const LoadedFrame& loaded) {
    starX.push_back(loaded.star.point.X);
    return loaded.frame.Render(false, false, 10, loaded.frame.MinValue, loaded.frame.MaxValue);
  };
  test::RecordingObserver observer;
  const ThumbnailsResult r =
      MakeThumbnails(items, LoadContext{}, render, ProgramOutput(folder), observer);
  ASSERT_TRUE(r.status.ok) << DebugText(r.status.error);
  ASSERT_EQ(r.written.size(), 3u);
  EXPECT_EQ(r.written[1], folder + "frame1.bmp");
  EXPECT_FALSE(FileExists(folder + "old.bmp"));
  EXPECT_TRUE(FileExists(folder + "keep.txt"));
  EXPECT_EQ(observer.frames, (std::vector<int>{0, 1, 2}));
  // The star was measured before rendering: near its true column.
  ASSERT_EQ(starX.size(), 3u);
  EXPECT_NEAR(static_cast<double>(starX[2]), 60.0, 0.3);
  // A 24-bit BMP of 97 x 97: width and height at offsets 18 and 22, bit count at 28.
  const std::vector<unsigned char> bmp = ReadBytes(folder + "frame2.bmp");
  ASSERT_GT(bmp.size(), 54u);
  EXPECT_EQ(bmp[0], 'B');
  EXPECT_EQ(bmp[18] | (bmp[19] << 8), 97);
  EXPECT_EQ(bmp[22] | (bmp[23] << 8), 97);
  EXPECT_EQ(bmp[28], 24);
  EXPECT_EQ(r.showPath, items[0].path);
}

TEST(Thumbnails, UnreadableFrameGetsNoThumbnail) {
  TempHome home;
  const std::string folder = WorkFolder("tempv");
  std::vector<SeriesItem> items = {{home.File("nothere.fit"), true}};
  const ThumbnailsResult r = MakeThumbnails(
      items, LoadContext{}, [](const LoadedFrame& l) { return Raster(10, 10); },
      ProgramOutput(folder));
  EXPECT_TRUE(r.written.empty());
  ASSERT_EQ(r.warnings.size(), 1u);
  EXPECT_FALSE(FileExists(folder + "nothere.bmp"));
}

}  // namespace
}  // namespace orvek
