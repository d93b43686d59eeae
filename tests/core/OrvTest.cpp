#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

#include "core/ExtendedCodec.h"
#include "core/OTrame.h"
#include "support/TestSupport.h"

namespace orvek {
namespace {

class OrvFormat : public ::testing::Test {
 protected:
  test::TempDir dir;
};

TEST_F(OrvFormat, FileSizeIsTenBytesPerValuePlusTheSize) {
  OTrame f = test::MakeFrame(4, 3, 1);
  const std::string path = dir.File("a.orv");
  ASSERT_TRUE(f.SaveOrv(0, 0, 3, 2, path).ok);
  EXPECT_EQ(test::ReadBytes(path).size(), 140u);  // 10 x (12 + 2)
}

TEST_F(OrvFormat, PixelsOutsideTheFrameTakeTheMedian) {
  OTrame f = test::MakeFrame(4, 3, 1);
  f.Median = 42;
  const std::string path = dir.File("b.orva");
  ASSERT_TRUE(f.SaveOrv(-1, -1, 4, 3, path).ok);
  OTrame g;
  ASSERT_TRUE(g.LoadFile(path).ok());
  ASSERT_EQ(g.Width(), 6);
  ASSERT_EQ(g.Height(), 5);
  for (int x = 0; x < 6; ++x) {
    for (int y = 0; y < 5; ++y) {
      const bool ring = x == 0 || y == 0 || x == 5 || y == 4;
      EXPECT_EQ(g.Px(x, y), ring ? 42 : 1) << x << "," << y;
    }
  }
  EXPECT_EQ(g.FormatText, "Format ORV");
}

TEST_F(OrvFormat, ValuesComeBackBitForBitColumnByColumn) {
  OTrame f = test::MakeFrame(5, 7, 0);
  std::mt19937_64 rng(7);
  std::normal_distribution<double> d(0, 1e3);
  for (Extended& v : f.Data()) v = static_cast<Extended>(d(rng)) / 3.0L;  // negative too
  const std::string path = dir.File("c.orvc");
  ASSERT_TRUE(f.SaveOrv(0, 0, 4, 6, path).ok);
  // Value (x, y) at offset 20 + 10 (x H + y).
  const auto bytes = test::ReadBytes(path);
  EXPECT_EQ(DecodeExtended(bytes.data() + 20 + 10 * (3 * 7 + 5)), f.Px(3, 5));
  OTrame g;
  ASSERT_TRUE(g.LoadFile(path).ok());
  for (int x = 0; x < 5; ++x)
    for (int y = 0; y < 7; ++y) EXPECT_EQ(std::memcmp(&g.Px(x, y), &f.Px(x, y), 10), 0);
  EXPECT_LT(g.MinValue, 0);  // ORV frames are never shifted
}

TEST_F(OrvFormat, MalformedFilesAreRefused) {
  OTrame f;
  std::vector<uint8_t> bytes(20, 0);
  EncodeExtended(3, bytes.data());
  EncodeExtended(2, bytes.data() + 10);
  Status s = f.ParseOrv(bytes.data(), bytes.size(), "t.orv");
  EXPECT_FALSE(s.ok);
  EXPECT_EQ(s.error.code, ErrorCode::DataTruncated);
  EXPECT_EQ(s.error.values, (std::vector<double>{3, 2, 80, 20}));  // 10 x (3 x 2 + 2) bytes
  EXPECT_FALSE(f.ParseOrv(bytes.data(), 15, "t.orv").ok);
  EncodeExtended(-3, bytes.data());
  EXPECT_FALSE(f.ParseOrv(bytes.data(), bytes.size(), "t.orv").ok);
  EncodeExtended(1e300L, bytes.data());
  EXPECT_FALSE(f.ParseOrv(bytes.data(), bytes.size(), "t.orv").ok);
  EncodeExtended(std::nanl(""), bytes.data());
  EXPECT_FALSE(f.ParseOrv(bytes.data(), bytes.size(), "t.orv").ok);
  EncodeExtended(0, bytes.data());
  EXPECT_FALSE(f.ParseOrv(bytes.data(), bytes.size(), "t.orv").ok);
  // A width of 0.5 rounds to 0: refused, never an empty frame read as a success. The file
  // holds the 2 pixels that a width of 1 would need.
  std::vector<uint8_t> half(40, 0);
  EncodeExtended(0.5L, half.data());
  EncodeExtended(2, half.data() + 10);
  s = f.ParseOrv(half.data(), half.size(), "t.orv");
  EXPECT_EQ(s.error.code, ErrorCode::ImageSizeInvalid);
  EXPECT_EQ(s.error.values, (std::vector<double>{0.5, 2}));
}

TEST_F(OrvFormat, ImpossibleRectangleIsAnError) {
  OTrame f = test::MakeFrame(2, 2, 1);
  EXPECT_FALSE(f.SaveOrv(3, 0, 1, 1, dir.File("x.orv")).ok);
  EXPECT_FALSE(f.SaveOrv(0, 0, 1, 1, dir.File("no/such/folder/x.orv")).ok);
}

}  // namespace
}  // namespace orvek
