#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>

#include "core/FitsBuilder.h"
#include "core/OTrame.h"
#include "core/Utils.h"
#include "support/TestSupport.h"

namespace orvek {
namespace {

using test::FitsBuilder;

Status Parse(OTrame& f, const std::vector<uint8_t>& bytes, FitsOptions o = {}) {
  return f.ParseFits(bytes.data(), bytes.size(), "test.fit", o);
}

TEST(FitsReader, EightBitSamplesIgnoreScaleAndOffset) {
  FitsBuilder b;
  b.Image(8, 2, 1).Card("BSCALE", "2").Card("BZERO", "10");
  b.data = {7, 200};
  OTrame f;
  ASSERT_TRUE(Parse(f, b.Bytes()).ok);
  EXPECT_EQ(f.Px(0, 0), 7);
  EXPECT_EQ(f.Px(1, 0), 200);
}

TEST(FitsReader, SixteenBitWithBzeroIsUnsigned) {
  FitsBuilder b;
  b.Image(16, 3, 1).Card("BZERO", "32768").Card("BSCALE", "1");
  b.data = {0x80, 0x00, 0x7F, 0xFF, 0x00, 0x10};
  OTrame f;
  ASSERT_TRUE(Parse(f, b.Bytes()).ok);
  EXPECT_EQ(f.Px(0, 0), 0);
  EXPECT_EQ(f.Px(1, 0), 65535);
  EXPECT_EQ(f.Px(2, 0), 32768 + 16);
}

TEST(FitsReader, ThirtyTwoBitAndFloatsAreScaled) {
  FitsBuilder b32;
  b32.Image(32, 2, 1).Card("BSCALE", "0.5").Card("BZERO", "100");
  b32.I32(1000).I32(-40);
  OTrame f;
  ASSERT_TRUE(Parse(f, b32.Bytes()).ok);
  EXPECT_EQ(f.Px(0, 0), 600);
  EXPECT_EQ(f.Px(1, 0), 80);

  FitsBuilder bf;
  bf.Image(-32, 2, 1).Card("BSCALE", "2");
  bf.F32(1.25f).F32(std::numeric_limits<float>::quiet_NaN());
  ASSERT_TRUE(Parse(f, bf.Bytes()).ok);
  EXPECT_EQ(f.Px(0, 0), 2.5);
  EXPECT_EQ(f.Px(1, 0), 0);  // a NaN sample counts as 0

  FitsBuilder bd;
  bd.Image(-64, 1, 1).Card("BZERO", "1D3");
  bd.F64(0.125);
  ASSERT_TRUE(Parse(f, bd.Bytes()).ok);
  EXPECT_EQ(f.Px(0, 0), 1000.125L);
}

TEST(FitsReader, NegativeFramesAreShiftedToAMinimumOfZero) {
  FitsBuilder b;
  b.Image(-32, 3, 3);
  for (int i = 0; i < 9; ++i) b.F32(-10.0f - i);
  OTrame f;
  ASSERT_TRUE(Parse(f, b.Bytes()).ok);
  EXPECT_EQ(f.MinValue, 0);
  EXPECT_EQ(f.Px(2, 2), 0);  // -18, the smallest
  EXPECT_EQ(f.Px(0, 0), 8);  // -10 - (-18)
  EXPECT_EQ(f.MaxValue, 4);  // interior pixel (1, 1) = -14, shifted
}

TEST(FitsReader, MaximumCountsInteriorPixelsOnly) {
  FitsBuilder b;
  b.Image(16, 3, 3);
  const int v[9] = {900, 1, 1, 1, 5, 1, 1, 1, 1};
  for (int x : v) b.I16(x);
  OTrame f;
  ASSERT_TRUE(Parse(f, b.Bytes()).ok);
  EXPECT_EQ(f.MaxValue, 5);
  EXPECT_EQ(f.MinValue, 1);
}

TEST(FitsReader, DataStartsAfterTheBlockHoldingEnd) {
  // END as card 36 (index 35) puts the data at 2880.
  FitsBuilder a;
  a.Image(16, 1, 1);
  while (a.cards.size() < 35) a.Raw("COMMENT filler");
  a.I16(1234);
  std::vector<uint8_t> bytes = a.Bytes();
  ASSERT_EQ(bytes.size(), 5760u);
  OTrame f;
  ASSERT_TRUE(Parse(f, bytes).ok);
  EXPECT_EQ(f.Px(0, 0), 1234);
  // END as card 37 (index 36) puts it at 5760.
  FitsBuilder b;
  b.Image(16, 1, 1);
  while (b.cards.size() < 36) b.Raw("COMMENT filler");
  b.I16(4321);
  bytes = b.Bytes();
  ASSERT_EQ(bytes.size(), 8640u);
  ASSERT_TRUE(Parse(f, bytes).ok);
  EXPECT_EQ(f.Px(0, 0), 4321);
}

TEST(FitsReader, HeaderTextIsCutBeforeTheFirstSlash) {
  FitsBuilder b;
  b.Image(16, 1, 1).Raw("DATE-OBS= '18/06/2011'         / date of observation");
  b.I16(1);
  OTrame f;
  ASSERT_TRUE(Parse(f, b.Bytes()).ok);
  EXPECT_NE(f.HeaderText.find("DATE-OBS= '18\r\n"), std::string::npos);
  EXPECT_NE(f.HeaderText.find("\r\nEND\r\n"), std::string::npos);
  EXPECT_EQ(StripComment("NAXIS1  =  640 / width"), "NAXIS1  =  640 ");
  EXPECT_EQ(StripComment("no slash"), "no slash");
}

TEST(FitsReader, KeywordsNeedTheirExactSpacing) {
  // "NAXIS1 =" with one space is not recognised: the file has no width.
  FitsBuilder b;
  b.Raw("SIMPLE  =                    T").Raw("BITPIX  =                   16");
  b.Raw("NAXIS1 =                     1").Raw("NAXIS2  =                    1");
  b.I16(1);
  OTrame f;
  const Status s = Parse(f, b.Bytes());
  EXPECT_FALSE(s.ok);
  EXPECT_EQ(s.error.code, ErrorCode::NoImageCard);
  EXPECT_EQ(s.error.field, "NAXIS1");
}

TEST(FitsReader, SwapOptionsMirrorTheImage) {
  // File rows: row 0 = 1 2 3, row 1 = 4 5 6.
  FitsBuilder b;
  b.Image(16, 3, 2);
  for (int v = 1; v <= 6; ++v) b.I16(v);
  OTrame plain, vert, horiz;
  ASSERT_TRUE(Parse(plain, b.Bytes()).ok);
  ASSERT_TRUE(Parse(vert, b.Bytes(), {true, false}).ok);
  ASSERT_TRUE(Parse(horiz, b.Bytes(), {false, true}).ok);
  EXPECT_EQ(plain.Px(0, 0), 1);
  EXPECT_EQ(plain.Px(2, 1), 6);
  EXPECT_EQ(vert.Px(0, 0), 4);
  EXPECT_EQ(vert.Px(2, 1), 3);
  EXPECT_EQ(horiz.Px(0, 0), 3);
  EXPECT_EQ(horiz.Px(2, 1), 4);
}

TEST(FitsReader, MalformedFilesAreRefusedWithTheirReason) {
  OTrame f;
  {
    FitsBuilder b;
    b.Image(16, 2, 2).I16(1).I16(2).I16(3).I16(4);
    const Status s = Parse(f, b.Bytes(false));
    EXPECT_FALSE(s.ok);
    EXPECT_EQ(s.error.code, ErrorCode::NoEndCard);
  }
  {
    FitsBuilder b;
    b.Card("SIMPLE", "T").Card("BITPIX", "16").Card("NAXIS", "0");
    const Status s = Parse(f, b.Bytes());
    EXPECT_FALSE(s.ok);
    EXPECT_EQ(s.error.code, ErrorCode::NoImageCard);
    EXPECT_EQ(s.error.field, "NAXIS1");
  }
  {
    FitsBuilder b;
    b.Image(16, 0, 5);
    const Status s = Parse(f, b.Bytes());
    EXPECT_EQ(s.error.code, ErrorCode::ImageSizeInvalid);
    EXPECT_EQ(s.error.values, (std::vector<double>{0, 5}));
  }
  {
    FitsBuilder b;
    b.Image(16, 100, 100).I16(1);
    const Status s = Parse(f, b.Bytes());
    EXPECT_FALSE(s.ok);
    EXPECT_EQ(s.error.code, ErrorCode::DataTruncated);
    // 100 x 100 samples of 2 bytes needed; the file holds one sample padded to a block.
    EXPECT_EQ(s.error.values, (std::vector<double>{100, 100, 20000, 2880}));
  }
  {
    FitsBuilder b;
    b.Image(16, 2000000, 2000000).I16(1);
    EXPECT_EQ(Parse(f, b.Bytes()).error.code, ErrorCode::ImageTooLarge);
  }
  {
    FitsBuilder b;
    b.Image(64, 1, 1).I32(0).I32(1);
    const Status s = Parse(f, b.Bytes());
    EXPECT_FALSE(s.ok);
    EXPECT_EQ(s.error.code, ErrorCode::UnsupportedValue);
    EXPECT_EQ(s.error.field, "BITPIX");
    EXPECT_EQ(s.error.values, std::vector<double>{64});
  }
  {
    FitsBuilder b;
    b.Card("SIMPLE", "T").Card("BITPIX", "16").Card("NAXIS1", "abc").Card("NAXIS2", "1");
    const Status s = Parse(f, b.Bytes());
    EXPECT_EQ(s.error.code, ErrorCode::KeywordNotAnInteger);
    EXPECT_EQ(s.error.field, "NAXIS1");
    EXPECT_EQ(s.error.text, "abc");
  }
  EXPECT_FALSE(Parse(f, {}).ok);
}

TEST(FitsReader, MissingBitpixReadsSixteenBitSamples) {
  FitsBuilder b;
  b.Card("SIMPLE", "T").Card("NAXIS1", "1").Card("NAXIS2", "1");
  b.I16(300);
  OTrame f;
  ASSERT_TRUE(Parse(f, b.Bytes()).ok);
  EXPECT_EQ(f.Px(0, 0), 300);
}

class FitsWriter : public ::testing::Test {
 protected:
  test::TempDir dir;
};

TEST_F(FitsWriter, HeaderCardsAreRightAlignedToColumnThirty) {
  OTrame f = test::MakeFrame(640, 2, 1);
  const std::string path = dir.File("w.fit");
  ASSERT_TRUE(f.SaveFits(path, 1, 0, 0).ok);
  const auto bytes = test::ReadBytes(path);
  ASSERT_GE(bytes.size(), 2880u);
  const std::string header(bytes.begin(), bytes.begin() + 2880);
  EXPECT_EQ(header.substr(0, 80), "SIMPLE  =" + std::string(20, ' ') + "T" + std::string(50, ' '));
  EXPECT_EQ(header.substr(240, 80),
            "NAXIS1  =" + std::string(18, ' ') + "640" + std::string(50, ' '));
  EXPECT_EQ(header.substr(400, 3), "END");
  EXPECT_EQ(header.find_first_not_of(' ', 403), std::string::npos);
  // Data padded to whole 2880-byte records.
  EXPECT_EQ(bytes.size() % 2880, 0u);
  EXPECT_EQ(bytes.size(), 2880u + 2880u);
}

TEST_F(FitsWriter, ScalingModes) {
  OTrame f = test::MakeFrame(3, 3, 0);
  f.Px(0, 0) = 150;
  f.Px(1, 0) = 200;
  f.Px(2, 0) = 100;
  f.Px(0, 1) = 250;
  const std::string p0 = dir.File("m0.fit");
  ASSERT_TRUE(f.SaveFits(p0, 0, 100, 200).ok);
  OTrame r;
  ASSERT_TRUE(r.LoadFile(p0).ok());
  EXPECT_EQ(r.Px(0, 0), 16384);  // nearest(50 x 327.67 = 16383.5) goes to the even 16384
  EXPECT_EQ(r.Px(1, 0), 32767);
  EXPECT_EQ(r.Px(2, 0), 0);
  EXPECT_EQ(r.Px(0, 1), 32767);

  OTrame g = test::MakeFrame(3, 3, 0);
  g.Px(1, 1) = 65534;
  g.Px(2, 2) = 1000;
  g.MaxValue = 65534;
  const std::string p1 = dir.File("m1.fit");
  ASSERT_TRUE(g.SaveFits(p1, 1, 0, 0).ok);
  ASSERT_TRUE(r.LoadFile(p1).ok());
  EXPECT_EQ(r.Px(1, 1), 32767);
  EXPECT_EQ(r.Px(2, 2), 500);  // nearest(1000 x 32767 / 65534 = 500)
}

TEST_F(FitsWriter, RoundTripKeepsTheOrientationAndSwapFlipsIt) {
  OTrame f = test::MakeFrame(4, 3, 0);
  for (int x = 0; x < 4; ++x)
    for (int y = 0; y < 3; ++y) f.Px(x, y) = 10 * y + x;
  const std::string path = dir.File("o.fit");
  ASSERT_TRUE(f.SaveFits(path, 2, 0, 0).ok);
  OTrame back, flipped;
  ASSERT_TRUE(back.LoadFile(path).ok());
  ASSERT_TRUE(flipped.LoadFile(path, nullptr, {true, false}).ok());
  for (int x = 0; x < 4; ++x) {
    for (int y = 0; y < 3; ++y) {
      EXPECT_EQ(back.Px(x, y), f.Px(x, y));
      EXPECT_EQ(flipped.Px(x, 2 - y), f.Px(x, y));
    }
  }
}

TEST_F(FitsWriter, ConvertedFilesPassFitsverify) {
  if (test::Run("command -v fitsverify > /dev/null") != 0) GTEST_SKIP() << "fitsverify missing";
  OTrame f = test::MakeFrame(17, 5, 3);
  const std::string path = dir.File("v.fit");
  ASSERT_TRUE(f.SaveFits(path, 1, 0, 0).ok);
  int status = 0;
  const std::string out = test::Capture("fitsverify -q '" + path + "' 2>&1", &status);
  EXPECT_EQ(status, 0) << out;
  EXPECT_NE(out.find("verification OK"), std::string::npos) << out;
}

// Loading 8- and 16-bit FITS frames searches the star on the whole-number samples; it must
// give exactly the star that the search over the extended pixels gives: same place, same
// score bits, same count, ties and hot pixels included.
TEST_F(FitsWriter, StarOfAWholeValuedLoadIsTheStarOfItsPixels) {
  std::mt19937 rng(4711);
  for (int round = 0; round < 48; ++round) {
    const int bitpix = round % 3 == 0 ? 8 : 16;
    const int w = 3 + static_cast<int>(rng() % 60), h = 3 + static_cast<int>(rng() % 60);
    // Few levels give many exact ties (a flat frame: every interior score ties, and the
    // pixel nearest the centre must win).
    const int levels = round % 8 == 7 ? 1 : round % 4 == 0 ? 2 : 200;
    const int base = bitpix == 8 ? 0 : (round % 2 == 0 ? -30000 : 100);
    std::vector<int> values(static_cast<size_t>(w) * h);
    for (int& v : values) v = base + static_cast<int>(rng() % static_cast<unsigned>(levels));
    if (round % 5 == 1) {  // a bright star, with a hot pixel beside it
      const int sx = static_cast<int>(rng() % w), sy = static_cast<int>(rng() % h);
      for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
          const double r2 = (x - sx) * (x - sx) + (y - sy) * (y - sy);
          values[static_cast<size_t>(y) * w + x] += static_cast<int>(50 * std::exp(-r2 / 5));
        }
      }
      values[rng() % values.size()] = bitpix == 8 ? 255 : 32000;
    }
    test::FitsBuilder b;
    b.Image(bitpix, w, h);
    if (round % 3 == 2) b.Card("BZERO", "32768");
    for (int v : values) {
      if (bitpix == 8) {
        b.data.push_back(static_cast<uint8_t>(std::clamp(v, 0, 255)));
      } else {
        b.I16(std::clamp(v, -32768, 32767));
      }
    }
    const std::string path = dir.File("star" + std::to_string(round) + ".fit");
    test::WriteBytes(path, b.Bytes());
    FitsOptions fits;
    fits.swapVert = round % 2 == 1;
    fits.swapHoriz = round % 4 >= 2;
    OTrame f;
    ASSERT_TRUE(f.LoadFile(path, nullptr, fits).ok()) << round;
    rStarPos search;
    f.FindStar(Point(0, 0), Point(f.LastX, f.LastY), search);
    ASSERT_EQ(f.Star.X, search.X) << round;
    ASSERT_EQ(f.Star.Y, search.Y) << round;
    ASSERT_EQ(f.Star.Value, search.Value) << round;
    ASSERT_EQ(f.Star.Count, search.Count) << round;
    // With a bias frame the values are no longer those read: the search runs on the pixels.
    OTrame bias = test::MakeFrame(w, h, 0.5L);
    OTrame g;
    ASSERT_TRUE(g.LoadFile(path, &bias, fits).ok()) << round;
    g.FindStar(Point(0, 0), Point(g.LastX, g.LastY), search);
    ASSERT_EQ(g.Star.X, search.X) << round;
    ASSERT_EQ(g.Star.Y, search.Y) << round;
    ASSERT_EQ(g.Star.Value, search.Value) << round;
  }
}

}  // namespace
}  // namespace orvek
