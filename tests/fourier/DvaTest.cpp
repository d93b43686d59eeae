// Directed vector autocorrelation: the two-pixel case worked by hand, constant images, larger
// and smaller images than the first, and the shared accumulation against the plain pair loop.

#include <gtest/gtest.h>

#include "core/Output.h"

#include <random>

#include "core/Utils.h"
#include "fourier/FourierTestSupport.h"
#include "fourier/Interferometry.h"
#include "support/TestSupport.h"

namespace orvek::fourier {
namespace {

using E = long double;
using test::LoadOrv;
using test::SameBits;
using test::WriteOrv;

class DvaFolder : public ::testing::Test {
 protected:
  test::TempHome home;
  std::string folder = WorkFolder(kInterferometryFolder);
};

// The pair loop exactly as the command describes it, in its own order.
void PlainPairLoop(const OTrame& image, OTrame& buffer) {
  const E t = image.Percentile(97);
  struct P {
    int x, y;
    E v;
  };
  std::vector<P> l;
  for (int x = 0; x < image.Width(); ++x)
    for (int y = 0; y < image.Height(); ++y)
      if (image.Px(x, y) > t) l.push_back({x, y, image.Px(x, y)});
  const int cx = image.LastX, cy = image.LastY;
  for (const P& p : l)
    for (const P& q : l) {
      if (q.v <= p.v) buffer.Px(cx + q.x - p.x, cy + q.y - p.y) += p.v;
      if (q.v >= p.v) buffer.Px(cx + p.x - q.x, cy + p.y - q.y) += p.v;
    }
}

TEST_F(DvaFolder, TwoPixelsWorkedByHand) {
  // Two pixels above the 97th percentile of a 64 x 64 image (which is 0): 10 at [20][30] and 4
  // three columns to the right. The brighter-to-fainter offset (+3, 0) gets 10 + 4 = 14, the
  // centre [X][Y] = [63][63] gets 2 x 10 + 2 x 4 = 28, nothing else.
  OTrame image = test::MakeFrame(64, 64, 0);
  image.Px(20, 30) = 10;
  image.Px(23, 30) = 4;
  SeriesInput in;
  in.files = {WriteOrv(image, home.File("two.orv"))};
  const FourierResult r = DvaCommand(in, ProgramOutput(folder));
  ASSERT_TRUE(r.ok()) << DebugText(r.error);
  const OTrame dv = LoadOrv(folder + "DV_tampon.orvv");
  ASSERT_EQ(dv.Width(), 128);
  ASSERT_EQ(dv.Height(), 128);
  EXPECT_EQ(dv.Px(66, 63), 14.0L);
  EXPECT_EQ(dv.Px(63, 63), 28.0L);
  E total = 0;
  for (E v : dv.Data()) total += v;
  EXPECT_EQ(total, 42.0L);
  // The background series of "DV" follows, S0 first.
  const auto list = InterferometryList(folder);
  ASSERT_EQ(list.size(), 10u);
  EXPECT_EQ(list.front(), "S0_DV.orvc");
  EXPECT_EQ(r.shown, folder + "S0_DV.orvc");
}

TEST_F(DvaFolder, FractionalValuesTakeThePlainOrder) {
  // 10.5 and 4.25: 14.75 at the offset, 2 x 10.5 + 2 x 4.25 = 29.5 at the centre.
  OTrame image = test::MakeFrame(64, 64, 0);
  image.Px(20, 30) = 10.5L;
  image.Px(23, 30) = 4.25L;
  OTrame buffer;
  buffer.Allocate(128, 128);
  bool exact = true;
  E mass = 0;
  WorkerPool pool(2);
  AccumulateDva(image, buffer, exact, mass, &pool);
  EXPECT_FALSE(exact);
  EXPECT_EQ(buffer.Px(66, 63), 14.75L);
  EXPECT_EQ(buffer.Px(63, 63), 29.5L);
}

TEST_F(DvaFolder, ConstantImageAddsNothing) {
  OTrame buffer;
  buffer.Allocate(128, 128);
  bool exact = true;
  E mass = 0;
  WorkerPool pool(2);
  AccumulateDva(test::MakeFrame(64, 64, 7), buffer, exact, mass, &pool);
  for (E v : buffer.Data()) ASSERT_EQ(v, 0.0L);
}

TEST_F(DvaFolder, SharedAccumulationEqualsThePairLoop) {
  // Integer images (as cameras give): the shared accumulation must give the very sums of the
  // plain loop; then a fractional image switches the rest of the run to the plain order.
  std::mt19937 rng(21);
  OTrame shared, plain;
  shared.Allocate(128, 128);
  plain.Allocate(128, 128);
  bool exact = true;
  E mass = 0;
  WorkerPool pool(2);
  for (int k = 0; k < 4; ++k) {
    OTrame image = test::MakeFrame(64, 64, 0);
    for (E& v : image.Data()) v = rng() % 4096;
    if (k == 3) image.Px(5, 5) = 1e6L + 0.375L;
    AccumulateDva(image, shared, exact, mass, &pool);
    PlainPairLoop(image, plain);
  }
  EXPECT_FALSE(exact);
  for (size_t i = 0; i < plain.Data().size(); ++i)
    ASSERT_TRUE(SameBits(shared.Data()[i], plain.Data()[i])) << i;
}

TEST_F(DvaFolder, LargerImageIsSkippedAndSmallerOneIsAdded) {
  OTrame a = test::MakeFrame(64, 64, 0);
  a.Px(20, 30) = 10;
  a.Px(23, 30) = 4;
  OTrame big = test::MakeFrame(128, 128, 0);
  big.Px(100, 100) = 50;
  // A 32 x 32 image with 6 at [5][7] and 2 two rows below: its shifts fit in the 128 x 128
  // buffer round the first image's zero shift [63][63]: (0, +2) gets 6 + 2 = 8, the centre
  // 2 x 6 + 2 x 2 = 16 more.
  OTrame small = test::MakeFrame(32, 32, 0);
  small.Px(5, 7) = 6;
  small.Px(5, 9) = 2;
  test::RecordingObserver observer;
  SeriesInput in;
  in.files = {WriteOrv(a, home.File("a.orv")), WriteOrv(big, home.File("big.orv")),
              WriteOrv(small, home.File("small.orv"))};
  in.observer = &observer;
  const FourierResult r = DvaCommand(in, ProgramOutput(folder));
  ASSERT_TRUE(r.ok()) << DebugText(r.error);
  ASSERT_EQ(r.warnings.size(), 1u);
  EXPECT_EQ(r.warnings[0].code, ErrorCode::FrameSizesDiffer);
  EXPECT_EQ(r.warnings[0].path, home.File("big.orv"));
  ASSERT_EQ(observer.problems.size(), 1u);
  EXPECT_EQ(observer.problems[0].path, r.warnings[0].path);
  const OTrame dv = LoadOrv(folder + "DV_tampon.orvv");
  EXPECT_EQ(dv.Px(66, 63), 14.0L);
  EXPECT_EQ(dv.Px(63, 65), 8.0L);
  EXPECT_EQ(dv.Px(63, 63), 28.0L + 16.0L);
  E total = 0;
  for (E v : dv.Data()) total += v;
  EXPECT_EQ(total, 42.0L + 24.0L);
}

TEST_F(DvaFolder, StopLeavesOnlyTheBufferFile) {
  OTrame a = test::MakeFrame(64, 64, 0);
  a.Px(3, 3) = 9;
  test::RecordingObserver stop;
  stop.stopAt = 0;
  SeriesInput in;
  in.files = {WriteOrv(a, home.File("a.orv"))};
  in.observer = &stop;
  const FourierResult r = DvaCommand(in, ProgramOutput(folder));
  EXPECT_EQ(r.status, FourierStatus::Stopped);
  EXPECT_EQ(ListFiles(folder, "*.*"), std::vector<std::string>{"DV_tampon.orvv"});
}

TEST_F(DvaFolder, NothingTickedEmptiesTheFolder) {
  WriteOrv(test::MakeFrame(64, 64, 1), folder + "old.orvc");
  SeriesInput in;
  EXPECT_EQ(DvaCommand(in, ProgramOutput(folder)).status, FourierStatus::NothingTicked);
  EXPECT_TRUE(ListFiles(folder, "*.*").empty());
}

}  // namespace
}  // namespace orvek::fourier
