// Stacking (AddList), automatic compositing and the bias frame.

#include <gtest/gtest.h>

#include "core/Output.h"

#include <algorithm>
#include <random>

#include "core/FitsBuilder.h"
#include "core/Utils.h"
#include "series/Stacking.h"
#include "series_stack/SeriesStackSupport.h"

namespace orvek {
namespace {

using test::MakeFrame;
using test::RecordingObserver;
using test::StarFrame;
using test::TempHome;
using test::WriteFitsFrame;

TEST(CompositeName, PositionOfTheLastAndNameOfTheFirst) {
  EXPECT_EQ(CompositeName(5, "/data/m57/m57_001.fit"), "ad0005_m57_001.orvc");
  EXPECT_EQ(CompositeName(12, "x.orva"), "ad0012_x.orvc");
  EXPECT_EQ(CompositeName(10000, "/a/b.c.fits"), "ad10000_b.c.orvc");
}

TEST(ShellSortMedian, ThreeAndFourValues) {
  std::vector<Extended> three = {5, 1, 3};
  EXPECT_EQ(ShellSortMedian(three), 3);
  EXPECT_EQ(three, (std::vector<Extended>{1, 3, 5}));
  std::vector<Extended> four = {5, 1, 3, 9};
  EXPECT_EQ(ShellSortMedian(four), 4);  // (3 + 5) / 2
  std::vector<Extended> one = {7};
  EXPECT_EQ(ShellSortMedian(one), 7);
  std::vector<Extended> two = {8, 2};
  EXPECT_EQ(ShellSortMedian(two), 5);
}

TEST(ShellSortMedian, AgreesWithStdSortOnRandomLists) {
  unsigned seed = 99;
  for (int m = 1; m <= 40; ++m) {
    std::vector<Extended> v(static_cast<size_t>(m));
    for (auto& x : v) {
      seed = seed * 1103515245u + 12345u;
      x = static_cast<Extended>((seed >> 8) % 100);
    }
    std::vector<Extended> sorted = v;
    std::sort(sorted.begin(), sorted.end());
    const Extended expected = m % 2 ? sorted[m / 2] : (sorted[m / 2 - 1] + sorted[m / 2]) / 2;
    EXPECT_EQ(ShellSortMedian(v), expected) << m;
    EXPECT_EQ(v, sorted);
  }
}

class StackFiles : public ::testing::Test {
 protected:
  TempHome home;
  AddOutput Tempc() { return AddOutput{WorkingOutput("tempc"), {}}; }
  // A 40 x 30 frame of constant value with a few marked pixels.
  std::string Constant(const std::string& name, int value, int w = 40, int h = 30) {
    OTrame f = MakeFrame(w, h, value);
    f.Px(3, 4) = 0;
    return WriteFitsFrame(f, home.File(name));
  }
};

TEST_F(StackFiles, ThreeTickedFramesAtPositionsOneTwoAndFive) {
  std::vector<SeriesItem> items = {
      {Constant("m57_001.fit", 3), true},    {Constant("m57_002.fit", 6), true},
      {Constant("m57_003.fit", 100), false}, {Constant("m57_004.fit", 100), false},
      {Constant("m57_005.fit", 12), true},   {Constant("m57_006.fit", 100), false}};
  test::WriteBytes(WorkFolder("tempc") + "ad0099_old.orvc", {1});
  RecordingObserver observer;
  const AddResult r = AddList(items, LoadContext{}, Tempc(), observer);
  ASSERT_TRUE(r.status.ok) << DebugText(r.status.error);
  EXPECT_EQ(r.compositePath, WorkFolder("tempc") + "ad0005_m57_001.orvc");
  EXPECT_EQ(r.frames, 3);
  EXPECT_EQ(r.lastPosition, 5);
  EXPECT_FALSE(FileExists(WorkFolder("tempc") + "ad0099_old.orvc"));
  OTrame composite;
  ASSERT_TRUE(composite.LoadFile(r.compositePath).ok());
  EXPECT_EQ(composite.Width(), 40);
  EXPECT_EQ(composite.Height(), 30);
  EXPECT_EQ(composite.Px(10, 10), 7);  // (3 + 6 + 12) / 3
  EXPECT_EQ(composite.Px(3, 4), 0);    // 0 in every frame: not divided, still 0
  EXPECT_TRUE(r.skipped.empty());
}

TEST_F(StackFiles, CompositeTheTableRefersToIsKeptAndTheNewOneTakesTheNextFreeName) {
  const std::vector<SeriesItem> items = {{Constant("m57_001.fit", 3), true},
                                         {Constant("m57_002.fit", 5), true}};
  const std::string tempc = WorkFolder("tempc");
  test::WriteBytes(tempc + "ad0002_m57_001.orvc", {7});  // measured: a row refers to it
  test::WriteBytes(tempc + "ad0009_old.orvc", {1});
  AddOutput out = Tempc();
  out.keep = {tempc + "ad0002_m57_001.orvc", home.File("elsewhere.fit")};
  const AddResult r = AddList(items, LoadContext{}, out);
  ASSERT_TRUE(r.status.ok) << DebugText(r.status.error);
  EXPECT_EQ(r.compositePath, tempc + "ad0002_m57_001-2.orvc");
  EXPECT_TRUE(r.renamed);
  EXPECT_EQ(test::ReadBytes(tempc + "ad0002_m57_001.orvc"), std::vector<unsigned char>{7});
  EXPECT_FALSE(FileExists(tempc + "ad0009_old.orvc"));
  OTrame composite;
  ASSERT_TRUE(composite.LoadFile(r.compositePath).ok());
  EXPECT_EQ(composite.Px(10, 10), 4);  // (3 + 5) / 2
}

TEST_F(StackFiles, MeanIsTakenInExtendedPrecision) {
  std::vector<SeriesItem> items = {
      {Constant("p1.fit", 1), true}, {Constant("p2.fit", 1), true}, {Constant("p3.fit", 2), true}};
  const AddResult r = AddList(items, LoadContext{}, Tempc());
  OTrame composite;
  ASSERT_TRUE(composite.LoadFile(r.compositePath).ok());
  EXPECT_EQ(composite.Px(10, 10), 4.0L / 3.0L);
}

TEST_F(StackFiles, FramesOfAnotherSizeAreSkippedAndReported) {
  std::vector<SeriesItem> items = {{Constant("a1.fit", 4), true},
                                   {Constant("a2.fit", 900, 60, 30), true},
                                   {Constant("a3.fit", 900, 40, 20), true},
                                   {Constant("a4.fit", 8), true}};
  RecordingObserver observer;
  const AddResult r = AddList(items, LoadContext{}, Tempc(), observer);
  ASSERT_TRUE(r.status.ok);
  EXPECT_EQ(r.frames, 2);
  EXPECT_EQ(r.skipped, (std::vector<std::string>{items[1].path, items[2].path}));
  EXPECT_EQ(r.lastPosition, 4);
  ASSERT_EQ(observer.problems.size(), 2u);
  EXPECT_EQ(observer.problems[0].code, ErrorCode::FrameSizesDiffer);
  EXPECT_EQ(observer.problems[0].values, (std::vector<double>{60, 30, 40, 30}));
  OTrame composite;
  ASSERT_TRUE(composite.LoadFile(r.compositePath).ok());
  EXPECT_EQ(composite.Width(), 40);
  EXPECT_EQ(composite.Px(39, 29), 6);  // (4 + 8) / 2: nothing of the larger frames
}

TEST_F(StackFiles, BiasIsSubtractedFromEveryAddedFrame) {
  std::vector<SeriesItem> items = {
      {Constant("b1.fit", 3), true}, {Constant("b2.fit", 6), true}, {Constant("b3.fit", 12), true}};
  OTrame bias = MakeFrame(40, 30, 2);
  bias.Px(20, 20) = 10;  // above 3 and 6: those frames give 0 there, not a negative value
  LoadContext context;
  context.bias = &bias;
  const AddResult r = AddList(items, context, Tempc());
  OTrame composite;
  ASSERT_TRUE(composite.LoadFile(r.compositePath).ok());
  EXPECT_EQ(composite.Px(10, 10), 5);  // (1 + 4 + 10) / 3
  EXPECT_EQ(composite.Px(20, 20), (0 + 0 + 2) / 3.0L);
}

TEST_F(StackFiles, CompositesAddedAgainAreNotDeletedBeforeTheyAreRead) {
  // A list opened from the composite folder itself: the earlier composites that are ticked
  // are read, not deleted first; the unticked one is cleared as usual.
  const std::string tempc = WorkFolder("tempc");
  ASSERT_TRUE(MakeFrame(40, 30, 4).SaveOrv(0, 0, 39, 29, tempc + "ad0003_x.orvc").ok);
  ASSERT_TRUE(MakeFrame(40, 30, 8).SaveOrv(0, 0, 39, 29, tempc + "ad0004_y.orvc").ok);
  ASSERT_TRUE(MakeFrame(40, 30, 1).SaveOrv(0, 0, 39, 29, tempc + "ad0009_z.orvc").ok);
  std::vector<SeriesItem> items = {{tempc + "ad0003_x.orvc", true},
                                   {tempc + "ad0004_y.orvc", true},
                                   {tempc + "ad0009_z.orvc", false}};
  const AddResult r = AddList(items, LoadContext{}, Tempc());
  ASSERT_TRUE(r.status.ok) << DebugText(r.status.error);
  EXPECT_EQ(r.frames, 2);
  EXPECT_EQ(r.compositePath, tempc + "ad0002_ad0003_x.orvc");
  EXPECT_TRUE(FileExists(tempc + "ad0003_x.orvc"));
  EXPECT_TRUE(FileExists(tempc + "ad0004_y.orvc"));
  EXPECT_FALSE(FileExists(tempc + "ad0009_z.orvc"));
  OTrame composite;
  ASSERT_TRUE(composite.LoadFile(r.compositePath).ok());
  EXPECT_EQ(composite.Px(5, 5), 6);
}

TEST_F(StackFiles, NothingTickedDoesNothing) {
  std::vector<SeriesItem> items = {{Constant("n1.fit", 3), false}};
  const AddResult r = AddList(items, LoadContext{}, Tempc());
  EXPECT_FALSE(r.status.ok);
  EXPECT_TRUE(r.compositePath.empty());
  EXPECT_TRUE(ListFiles(WorkFolder("tempc"), "*").empty());
}

TEST_F(StackFiles, UnreadableFirstFrameWritesNothing) {
  std::vector<SeriesItem> items = {{home.File("none.fit"), true}, {Constant("c2.fit", 3), true}};
  const AddResult r = AddList(items, LoadContext{}, Tempc());
  EXPECT_FALSE(r.status.ok);
  EXPECT_TRUE(ListFiles(WorkFolder("tempc"), "*").empty());
}

TEST_F(StackFiles, WholeFramesReadAsTheirValuesGiveTheSameComposite) {
  // An observer that does not look at the frames lets AddList read whole FITS frames as their
  // values alone; the composite must be byte for byte the one made from the frames read
  // whole: with both orientation options, with scaled samples among them (the integer sum
  // hands over to the extended one), and with a bias frame (subtracted, so nothing is whole).
  std::mt19937 rng(4);
  std::vector<SeriesItem> items;
  for (int k = 0; k < 7; ++k) {
    test::FitsBuilder b;
    b.Image(16, 9, 7).Card("BZERO", "32768");
    if (k == 4) b.Card("BSCALE", "1.5");
    for (int i = 0; i < 63; ++i) b.I16(static_cast<int>(rng() % 65536) - 32768);
    const std::string path = home.File("w" + std::to_string(k) + ".fit");
    test::WriteBytes(path, b.Bytes());
    items.push_back({path, k != 2});
  }
  OTrame bias = MakeFrame(9, 7, 0);
  for (Extended& v : bias.Data()) v = (rng() % 3000) / 7.0L;
  RecordingObserver watching;
  for (const bool scaled : {false, true}) {
    for (const bool withBias : {false, true}) {
      for (const FitsOptions fits : {FitsOptions{false, false}, FitsOptions{true, true}}) {
        std::vector<SeriesItem> series = items;
        if (!scaled) series[4].ticked = false;
        LoadContext context;
        context.fits = fits;
        context.bias = withBias ? &bias : nullptr;
        WorkerPool pool(2);
        context.pool = &pool;
        const AddResult frames = AddList(series, context, Tempc(), watching);
        ASSERT_TRUE(frames.status.ok);
        const std::vector<unsigned char> expected = test::ReadBytes(frames.compositePath);
        const AddResult values = AddList(series, context, Tempc());
        ASSERT_TRUE(values.status.ok);
        EXPECT_EQ(values.frames, frames.frames);
        EXPECT_EQ(test::ReadBytes(values.compositePath), expected)
            << scaled << withBias << fits.swapVert;
      }
    }
  }
}

TEST_F(StackFiles, ManyFramesAreAddedInListOrder) {
  // Frames are read ahead by the pool's tasks; the sum must still be taken in list order.
  // Values of very different sizes with long fractions make the rounding of the running
  // extended sum depend on the order; the expected mean is the plain sequential sum of the
  // same values, in list order, divided by k.
  std::vector<SeriesItem> items;
  Extended expected = 0;
  int added = 0;
  for (int i = 0; i < 40; ++i) {
    const Extended v = ((i * 7) % 11) * 1e13L + 1.0L / (i + 3);
    const std::string path = home.File("o" + std::to_string(i) + ".orva");
    const bool odd = i == 17;
    OTrame f = MakeFrame(odd ? 12 : 10, 8, v);
    ASSERT_TRUE(f.SaveOrv(0, 0, f.LastX, f.LastY, path).ok);
    const bool ticked = i % 5 != 3;
    const bool missing = i == 22;
    items.push_back({missing ? home.File("absent.orva") : path, ticked});
    if (ticked && !odd && !missing) {
      expected += v;
      ++added;
    }
  }
  RecordingObserver observer;
  WorkerPool pool(3);
  LoadContext context;
  context.pool = &pool;
  const AddResult r = AddList(items, context, Tempc(), observer);
  ASSERT_TRUE(r.status.ok);
  EXPECT_EQ(r.frames, added);
  EXPECT_EQ(r.skipped, (std::vector<std::string>{items[17].path}));
  ASSERT_EQ(r.warnings.size(), 1u);
  EXPECT_EQ(r.warnings[0].code, ErrorCode::FileNotFound);
  EXPECT_NE(r.warnings[0].path.find("absent.orva"), std::string::npos);
  EXPECT_EQ(r.lastPosition, 40);
  // Every ticked item reported once, in list order.
  std::vector<int> ticked;
  for (int i = 0; i < 40; ++i)
    if (items[i].ticked) ticked.push_back(i);
  EXPECT_EQ(observer.frames, ticked);
  OTrame composite;
  ASSERT_TRUE(composite.LoadFile(r.compositePath).ok());
  EXPECT_EQ(composite.Px(4, 4), expected / added);
}

TEST_F(StackFiles, WholeFramesThenAFractionalOneSumAsExtendedValuesWould) {
  // Whole-valued frames are summed as integers until a frame that is not whole comes; the
  // composite must be the plain extended sum in list order all the same, pixel for pixel.
  // Large whole values (ORV frames near 2^30) followed by a fraction make the extended
  // rounding visible; 16-bit FITS frames and a 0 pixel take the whole path of the reader.
  std::vector<SeriesItem> items;
  std::vector<OTrame> frames;
  for (int i = 0; i < 9; ++i) {
    OTrame f = MakeFrame(12, 10, 0);
    for (int x = 0; x < 12; ++x) {
      for (int y = 0; y < 10; ++y) {
        Extended v = static_cast<Extended>((x * 37 + y * 11 + i * 5) % 900);
        if (i == 2) v += 0x1p30L - 1 - x;     // whole but large (an ORV frame)
        if (i == 5) v += 1.0L / (3 + x + y);  // not whole: the sum goes on in extended
        if (i == 1 && x == 4) v = -static_cast<Extended>(y);  // whole, negative and -0
        if (i == 1 && x == 4 && y == 0) v = -0.0L;
        f.Px(x, y) = v;
      }
    }
    std::string path;
    if (i == 0 || i == 3 || i == 8) {
      path = WriteFitsFrame(f, home.File("w" + std::to_string(i) + ".fit"));
      ASSERT_TRUE(f.LoadFile(path).ok());  // the values as the reader gives them
    } else {
      path = home.File("w" + std::to_string(i) + ".orva");
      ASSERT_TRUE(f.SaveOrv(0, 0, f.LastX, f.LastY, path).ok);
    }
    items.push_back({path, true});
    frames.push_back(f);
  }
  const AddResult r = AddList(items, LoadContext{}, Tempc());
  ASSERT_TRUE(r.status.ok) << DebugText(r.status.error);
  ASSERT_EQ(r.frames, 9);
  OTrame composite;
  ASSERT_TRUE(composite.LoadFile(r.compositePath).ok());
  for (int x = 0; x < 12; ++x) {
    for (int y = 0; y < 10; ++y) {
      Extended sum = 0;
      for (const OTrame& f : frames) sum += f.Px(x, y);
      if (sum != 0) sum /= 9;
      ASSERT_EQ(composite.Px(x, y), sum) << x << ", " << y;
    }
  }
}

TEST_F(StackFiles, MedianBiasOfThreeFrames) {
  // Pixel (5, 6) holds 50, 10, 30 in the three darks: median 30. Elsewhere 7, 9, 8: 8.
  std::vector<std::string> darks;
  const int at56[3] = {50, 10, 30};
  const int elsewhere[3] = {7, 9, 8};
  for (int k = 0; k < 3; ++k) {
    OTrame f = MakeFrame(20, 16, elsewhere[k]);
    f.Px(5, 6) = at56[k];
    darks.push_back(WriteFitsFrame(f, home.File("dark" + std::to_string(k) + ".fit")));
  }
  const std::string out = WorkFolder("temps") + "dark.orvc";
  RecordingObserver observer;
  const BiasResult r =
      MakeBias(darks, FitsOptions{}, WorkingOutput("temps"), "dark.orvc", observer);
  ASSERT_TRUE(r.status.ok) << DebugText(r.status.error);
  EXPECT_EQ(r.path, out);
  EXPECT_EQ(r.frames, 3);
  EXPECT_EQ(r.bias.Px(5, 6), 30);
  EXPECT_EQ(r.bias.Px(0, 0), 8);
  EXPECT_EQ(r.bias.Px(19, 15), 8);
  EXPECT_EQ(r.bias.FileName, out);
  EXPECT_EQ(observer.frames, (std::vector<int>{0, 1, 2}));
}

TEST_F(StackFiles, MedianBiasOfFourFramesIsTheMeanOfTheMiddleTwo) {
  // 40, 10, 25, 31 -> sorted 10, 25, 31, 40 -> (25 + 31) / 2 = 28; 1, 2, 4, 8 -> 3.
  std::vector<std::string> darks;
  const int at[4] = {40, 10, 25, 31};
  const int elsewhere[4] = {1, 2, 4, 8};
  for (int k = 0; k < 4; ++k) {
    OTrame f = MakeFrame(20, 16, elsewhere[k]);
    f.Px(11, 2) = at[k];
    darks.push_back(WriteFitsFrame(f, home.File("d" + std::to_string(k) + ".fit")));
  }
  const BiasResult r = MakeBias(darks, FitsOptions{}, WorkingOutput("temps"), "dark.orvc");
  ASSERT_TRUE(r.status.ok);
  EXPECT_EQ(r.bias.Px(11, 2), 28);
  EXPECT_EQ(r.bias.Px(3, 3), 3);
}

TEST_F(StackFiles, BiasFromASingleFileIsThatFile) {
  OTrame f = MakeFrame(12, 10, 5);
  f.Px(4, 4) = 77;
  const std::string path = WriteFitsFrame(f, home.File("single.fit"));
  const BiasResult r = MakeBias({path}, FitsOptions{}, WorkingOutput("temps"), "dark.orvc");
  ASSERT_TRUE(r.status.ok);
  EXPECT_EQ(r.frames, 1);
  EXPECT_EQ(r.bias.Px(4, 4), 77);
  EXPECT_EQ(r.bias.Px(0, 9), 5);
}

TEST_F(StackFiles, DarksOfDifferentSizesGiveNoBiasAndNoWorkingFileButLeaveTheUsersFile) {
  const std::string out = WorkFolder("temps") + "dark.orvc";
  // A bias file from an earlier run in the working folder must not survive a failed command.
  ASSERT_TRUE(MakeFrame(20, 16, 1).SaveOrv(0, 0, 19, 15, out).ok);
  const std::vector<std::string> darks = {
      WriteFitsFrame(MakeFrame(20, 16, 3), home.File("e1.fit")),
      WriteFitsFrame(MakeFrame(20, 17, 3), home.File("e2.fit"))};
  const BiasResult r = MakeBias(darks, FitsOptions{}, WorkingOutput("temps"), "dark.orvc");
  EXPECT_FALSE(r.status.ok);
  EXPECT_EQ(r.status.error.code, ErrorCode::FrameSizesDiffer);
  EXPECT_EQ(r.status.error.path, darks[1]);
  EXPECT_EQ(r.status.error.values, (std::vector<double>{20, 17, 20, 16}));
  EXPECT_TRUE(r.bias.Empty());
  EXPECT_TRUE(r.path.empty());
  EXPECT_FALSE(FileExists(out));
  // A file of the user's, even one the command was allowed to replace, stays as it was.
  test::WriteBytes(home.File("master.orvc"), {4, 2});
  EXPECT_FALSE(
      MakeBias(darks, FitsOptions{}, UserOutput(home.Path(), true), "master.orvc").status.ok);
  EXPECT_EQ(test::ReadBytes(home.File("master.orvc")), (std::vector<unsigned char>{4, 2}));
}

TEST_F(StackFiles, UnreadableDarkGivesNoBias) {
  const std::string out = WorkFolder("temps") + "dark.orvc";
  const BiasResult r =
      MakeBias({WriteFitsFrame(MakeFrame(20, 16, 3), home.File("g1.fit")), home.File("g2.fit")},
               FitsOptions{}, WorkingOutput("temps"), "dark.orvc");
  EXPECT_FALSE(r.status.ok);
  EXPECT_FALSE(FileExists(out));
}

TEST_F(StackFiles, BiasNeverAppliesToOrvFiles) {
  // The crops of a run are ORV files: a bias frame of their size is not subtracted again.
  OTrame f = MakeFrame(40, 30, 9);
  const std::string orv = home.File("crop.orva");
  ASSERT_TRUE(f.SaveOrv(0, 0, 39, 29, orv).ok);
  OTrame bias = MakeFrame(40, 30, 2);
  LoadContext context;
  context.bias = &bias;
  const AddResult r = AddList({{orv, true}}, context, Tempc());
  OTrame composite;
  ASSERT_TRUE(composite.LoadFile(r.compositePath).ok());
  EXPECT_EQ(composite.Px(10, 10), 9);
}

TEST_F(StackFiles, AutomaticCompositeAlignsSortsAndAdds) {
  // Six frames with a drifting star; the brightest (frame 3) has the best S/N, so its crop
  // comes first and names the composite; all six crops are averaged.
  std::vector<SeriesItem> items;
  const double peaks[6] = {4000, 5000, 3000, 9000, 6000, 2000};
  for (int k = 0; k < 6; ++k) {
    items.push_back({WriteFitsFrame(StarFrame(220, 180, 100 + 1.3 * k, 90 - 0.7 * k, peaks[k]),
                                    home.File("c" + std::to_string(k + 1) + ".fit")),
                     true});
  }
  items[5].ticked = false;  // unticked inputs are not aligned
  AlignSettings s;
  s.size = 64;
  const CompositeResult r = Composite(items, s, LoadContext{}, WorkingOutput("temp"), Tempc());
  ASSERT_TRUE(r.status.ok) << DebugText(r.status.error);
  EXPECT_EQ(r.align.frames.size(), 5u);
  ASSERT_TRUE(r.bestOf.sorted);
  EXPECT_EQ(r.bestOf.items[0].path, WorkFolder("temp") + "c4.orva");
  EXPECT_EQ(r.add.frames, 5);
  EXPECT_EQ(r.add.compositePath, WorkFolder("tempc") + "ad0005_c4.orvc");
  LoadedFrame composite;
  ASSERT_TRUE(LoadAndMeasure(r.add.compositePath, LoadContext{}, composite).ok());
  EXPECT_EQ(composite.frame.Width(), 64);
  EXPECT_NEAR(static_cast<double>(composite.star.point.X), 32.0, 0.3);
  EXPECT_NEAR(static_cast<double>(composite.star.point.Y), 32.0, 0.3);
}

}  // namespace
}  // namespace orvek
