// Whole FITS samples in the file's order: the values LoadFile gives the pixels, for the
// samples it takes as whole numbers; other samples are left to LoadFile.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/FitsBuilder.h"
#include "core/FitsRows.h"
#include "core/OTrame.h"
#include "support/TestSupport.h"

namespace orvek {
namespace {

using test::FitsBuilder;

struct RowsCase {
  const char* name;
  FitsBuilder file;
  bool whole;  // ReadFitsRows gives the values
};

// A 3 x 2 image (so that both orientation flags move every sample) of each kind.
std::vector<RowsCase> Cases() {
  std::vector<RowsCase> cases;
  FitsBuilder b8;
  b8.Image(8, 3, 2).Card("BSCALE", "2").Card("BZERO", "10");
  b8.data = {7, 200, 0, 255, 1, 9};
  cases.push_back({"bytes_ignore_scale", b8, true});
  FitsBuilder u16;
  u16.Image(16, 3, 2).Card("BZERO", "32768").Card("BSCALE", "1");
  for (int v : {-32768, 32767, 16, 0, -1, 1000}) u16.I16(v);
  cases.push_back({"unsigned_16", u16, true});
  FitsBuilder s16;
  s16.Image(16, 3, 2);
  for (int v : {-5, 300, -40, 0, 12, 7}) s16.I16(v);  // shifted by 40
  cases.push_back({"signed_16_shifted", s16, true});
  FitsBuilder nobitpix;
  nobitpix.Card("SIMPLE", "T").Card("NAXIS", "2").Card("NAXIS1", "3").Card("NAXIS2", "2");
  for (int v : {1, 2, 3, 4, 5, 6}) nobitpix.I16(v);
  cases.push_back({"no_bitpix", nobitpix, true});
  FitsBuilder scaled;
  scaled.Image(16, 3, 2).Card("BSCALE", "2");
  for (int v : {1, 2, 3, 4, 5, 6}) scaled.I16(v);
  cases.push_back({"scaled_16", scaled, false});
  FitsBuilder half;
  half.Image(16, 3, 2).Card("BZERO", "0.5");
  for (int v : {1, 2, 3, 4, 5, 6}) half.I16(v);
  cases.push_back({"fractional_offset", half, false});
  FitsBuilder i32;
  i32.Image(32, 3, 2);
  for (int v : {1, 2, 3, 4, 5, 6}) i32.I32(v);
  cases.push_back({"int_32", i32, false});
  FitsBuilder f32;
  f32.Image(-32, 3, 2);
  for (int v : {1, 2, 3, 4, 5, 6}) f32.F32(static_cast<float>(v));
  cases.push_back({"float_32", f32, false});
  return cases;
}

class FitsRowsTable : public ::testing::TestWithParam<RowsCase> {};

TEST_P(FitsRowsTable, ValuesAreThoseLoadFileGivesThePixels) {
  test::TempDir dir;
  const std::string path = dir.File("frame.fit");
  const std::vector<uint8_t> bytes = GetParam().file.Bytes();
  test::WriteBytes(path, bytes);
  FitsRows rows;
  const Result<bool> read = ReadFitsRows(path, rows);
  ASSERT_TRUE(read.ok()) << DebugText(read.error());
  ASSERT_EQ(read.value(), GetParam().whole);
  if (!GetParam().whole) {
    EXPECT_TRUE(rows.values.empty());
    return;
  }
  ASSERT_EQ(rows.width, 3);
  ASSERT_EQ(rows.height, 2);
  // Sample (c, r) of the file is pixel (c, r) read as it is, (2 - c, r) mirrored
  // horizontally, (c, 1 - r) mirrored vertically.
  for (const bool swapV : {false, true}) {
    for (const bool swapH : {false, true}) {
      OTrame frame;
      ASSERT_TRUE(frame.LoadFile(path, nullptr, FitsOptions{swapV, swapH}).ok());
      for (int r = 0; r < 2; ++r) {
        for (int c = 0; c < 3; ++c) {
          EXPECT_EQ(frame.Px(swapH ? 2 - c : c, swapV ? 1 - r : r), rows.values[r * 3 + c])
              << c << "," << r << " swapV " << swapV << " swapH " << swapH;
        }
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Kinds, FitsRowsTable, ::testing::ValuesIn(Cases()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(FitsRows, FailsAsLoadFileDoes) {
  test::TempDir dir;
  FitsBuilder b;
  b.Image(16, 4, 4).I16(1);  // 1 sample of 16
  const std::string path = dir.File("short.fit");
  test::WriteBytes(path, b.Bytes(true, false));
  FitsRows rows;
  const Result<bool> read = ReadFitsRows(path, rows);
  ASSERT_FALSE(read.ok());
  OTrame frame;
  const LoadResult loaded = frame.LoadFile(path);
  EXPECT_EQ(read.error().code, loaded.error.code);
  EXPECT_EQ(read.error().values, loaded.error.values);
  EXPECT_FALSE(ReadFitsRows(dir.File("missing.fit"), rows).ok());
}

}  // namespace
}  // namespace orvek
