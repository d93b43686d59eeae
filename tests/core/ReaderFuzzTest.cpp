// Robustness of the readers: truncated and corrupted FITS, ORV and BMP files give a typed
// failure or a frame, never a crash or an access outside the bytes (run under
// AddressSanitizer). Random corruption is left to the fuzz targets (tests/fuzz), whose
// corpora the test run replays.

#include <gtest/gtest.h>

#include "core/BmpWriter.h"
#include "core/ExtendedCodec.h"
#include "core/FitsBuilder.h"
#include "core/OTrame.h"
#include "support/TestSupport.h"

namespace orvek {
namespace {

enum class Kind { Fits, Orv, Bmp };

// Parses a copy of exactly `size` bytes on the heap, so that any read past the end is caught.
Status ParseCopy(Kind kind, const std::vector<uint8_t>& bytes, size_t size) {
  std::vector<uint8_t> copy(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(size));
  copy.shrink_to_fit();
  OTrame f;
  Raster r;
  switch (kind) {
    case Kind::Fits: return f.ParseFits(copy.data(), copy.size(), "fuzz.fit", {});
    case Kind::Orv: return f.ParseOrv(copy.data(), copy.size(), "fuzz.orv");
    default: return f.ParseBmp(copy.data(), copy.size(), "fuzz.bmp", &r);
  }
}

std::vector<uint8_t> ValidFits() {
  test::FitsBuilder b;
  b.Image(16, 9, 7).Card("BZERO", "32768");
  for (int i = 0; i < 63; ++i) b.I16(i * 37);
  return b.Bytes();
}

std::vector<uint8_t> ValidOrv() {
  OTrame f = test::MakeFrame(6, 5, 3);
  return f.EncodeOrv(0, 0, 5, 4);
}

std::vector<std::vector<uint8_t>> ValidBmps() {
  std::vector<std::vector<uint8_t>> out;
  Raster r(7, 3);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 7; ++x) r.Set(x, y, x * 30, y * 60, 9);
  out.push_back(EncodeBmp24(r));
  // An 8-bit run-length file: header, grey palette, runs.
  std::vector<uint8_t> rle = {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  auto u32 = [&](uint32_t v) {
    for (int i = 0; i < 4; ++i) rle.push_back((v >> (8 * i)) & 0xFF);
  };
  auto u16 = [&](uint32_t v) {
    rle.push_back(v & 0xFF);
    rle.push_back((v >> 8) & 0xFF);
  };
  u32(40);
  u32(5);
  u32(3);
  u16(1);
  u16(8);
  u32(1);
  u32(0);
  u32(0);
  u32(0);
  u32(256);
  u32(0);
  for (uint32_t g = 0; g < 256; ++g) u32(g * 0x010101);
  const uint32_t offset = static_cast<uint32_t>(rle.size());
  for (uint8_t b : {3, 5, 0, 3, 1, 2, 3, 0, 0, 0, 2, 2, 1, 5, 0, 1}) rle.push_back(b);
  rle[10] = offset & 0xFF;
  rle[11] = (offset >> 8) & 0xFF;
  out.push_back(rle);
  return out;
}

void TruncateEverywhere(Kind kind, const std::vector<uint8_t>& bytes) {
  ASSERT_TRUE(ParseCopy(kind, bytes, bytes.size()).ok)
      << DebugText(ParseCopy(kind, bytes, bytes.size()));
  // Every length up to the end of the headers, then a sample of the data lengths.
  for (size_t n = 0; n < bytes.size(); n += (n < 3200 ? 1 : 97)) {
    const Status s = ParseCopy(kind, bytes, n);
    if (!s.ok) {
      EXPECT_NE(s.error.code, ErrorCode::None) << n;
      EXPECT_FALSE(s.error.path.empty()) << n;  // every failure names its file
    }
  }
}

TEST(ReaderRobustness, TruncatedFiles) {
  TruncateEverywhere(Kind::Fits, ValidFits());
  TruncateEverywhere(Kind::Orv, ValidOrv());
  for (const auto& b : ValidBmps()) TruncateEverywhere(Kind::Bmp, b);
}

TEST(ReaderRobustness, TruncatedDataIsRefused) {
  const auto fits = ValidFits();
  // The data of 9 x 7 16-bit samples ends at 2880 + 126: anything shorter lacks samples.
  EXPECT_FALSE(ParseCopy(Kind::Fits, fits, 2880 + 125).ok);
  EXPECT_TRUE(ParseCopy(Kind::Fits, fits, 2880 + 126).ok);
  const auto orv = ValidOrv();
  EXPECT_FALSE(ParseCopy(Kind::Orv, orv, orv.size() - 1).ok);
}

TEST(ReaderRobustness, HostileHeaders) {
  // Sizes that overflow 32 bits, negative sizes, huge palettes and offsets.
  test::FitsBuilder f;
  f.Image(16, 0, 0).Card("NAXIS1", "4294967297").Card("NAXIS2", "-5");
  EXPECT_FALSE(ParseCopy(Kind::Fits, f.Bytes(), f.Bytes().size()).ok);
  test::FitsBuilder g;
  g.Image(-64, 65536, 65536);
  EXPECT_FALSE(ParseCopy(Kind::Fits, g.Bytes(), g.Bytes().size()).ok);

  std::vector<uint8_t> orv(40, 0);
  EncodeExtended(70000, orv.data());
  EncodeExtended(70000, orv.data() + 10);
  EXPECT_FALSE(ParseCopy(Kind::Orv, orv, orv.size()).ok);
  EncodeExtended(std::numeric_limits<Extended>::infinity(), orv.data());
  EXPECT_FALSE(ParseCopy(Kind::Orv, orv, orv.size()).ok);

  std::vector<uint8_t> bmp = ValidBmps()[0];
  bmp[10] = 0xFF;  // pixel offset far beyond the file
  bmp[11] = 0xFF;
  bmp[12] = 0xFF;
  EXPECT_FALSE(ParseCopy(Kind::Bmp, bmp, bmp.size()).ok);
  bmp = ValidBmps()[0];
  bmp[18] = 0xFF;  // width 0x7FFFFFFF
  bmp[19] = 0xFF;
  bmp[20] = 0xFF;
  bmp[21] = 0x7F;
  EXPECT_FALSE(ParseCopy(Kind::Bmp, bmp, bmp.size()).ok);
}

}  // namespace
}  // namespace orvek
