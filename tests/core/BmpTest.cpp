#include <gtest/gtest.h>

#include "core/BmpWriter.h"
#include "core/OTrame.h"
#include "support/TestSupport.h"

namespace orvek {
namespace {

// Builds a BMP file of any depth: rows given top first, each as the packed row bytes.
struct BmpBuilder {
  int width = 0, height = 0, bits = 0;
  uint32_t compression = 0;
  std::vector<uint32_t> palette;           // 0x00RRGGBB
  std::vector<uint32_t> masks;             // bit fields
  std::vector<std::vector<uint8_t>> rows;  // top first, unpadded
  std::vector<uint8_t> rle;                // run-length data instead of rows
  bool topDown = false;

  std::vector<uint8_t> Bytes() const {
    std::vector<uint8_t> pix;
    if (!rle.empty()) {
      pix = rle;
    } else {
      const size_t stride = (static_cast<size_t>(width) * bits + 31) / 32 * 4;
      for (int i = 0; i < height; ++i) {
        const auto& row = rows[static_cast<size_t>(topDown ? i : height - 1 - i)];
        std::vector<uint8_t> padded(stride, 0);
        std::copy(row.begin(), row.end(), padded.begin());
        pix.insert(pix.end(), padded.begin(), padded.end());
      }
    }
    std::vector<uint8_t> out;
    auto u16 = [&](uint32_t v) {
      out.push_back(v & 0xFF);
      out.push_back((v >> 8) & 0xFF);
    };
    auto u32 = [&](uint32_t v) {
      for (int i = 0; i < 4; ++i) out.push_back((v >> (8 * i)) & 0xFF);
    };
    const uint32_t offset = 14 + 40 + static_cast<uint32_t>(masks.size() * 4 + palette.size() * 4);
    out.push_back('B');
    out.push_back('M');
    u32(offset + static_cast<uint32_t>(pix.size()));
    u32(0);
    u32(offset);
    u32(40);
    u32(static_cast<uint32_t>(width));
    u32(static_cast<uint32_t>(topDown ? -height : height));
    u16(1);
    u16(static_cast<uint32_t>(bits));
    u32(compression);
    u32(static_cast<uint32_t>(pix.size()));
    u32(2835);
    u32(2835);
    u32(static_cast<uint32_t>(palette.size()));
    u32(0);
    for (uint32_t m : masks) u32(m);
    for (uint32_t c : palette) u32(c);
    out.insert(out.end(), pix.begin(), pix.end());
    return out;
  }
};

BmpBuilder Bmp(int width, int height, int bits, uint32_t compression = 0) {
  BmpBuilder b;
  b.width = width;
  b.height = height;
  b.bits = bits;
  b.compression = compression;
  return b;
}

OTrame Parse(const std::vector<uint8_t>& bytes, Status* status = nullptr) {
  OTrame f;
  Raster r;
  const Status s = f.ParseBmp(bytes.data(), bytes.size(), "t.bmp", &r);
  if (status != nullptr)
    *status = s;
  else
    EXPECT_TRUE(s.ok) << s.message;
  return f;
}

TEST(BmpReader, OneBitPalette) {
  BmpBuilder b = Bmp(3, 2, 1);
  b.palette = {0x000000, 0x102030};
  b.rows = {{0b10100000}, {0b01000000}};
  const OTrame f = Parse(b.Bytes());
  EXPECT_EQ(f.FormatText, "1 bit");
  EXPECT_EQ(f.Px(0, 0), 0x10 + 0x20 + 0x30);
  EXPECT_EQ(f.Px(1, 0), 0);
  EXPECT_EQ(f.Px(1, 1), 0x60);
  EXPECT_EQ(f.MaxValue, 0x60);
  EXPECT_EQ(f.MinValue, 0);
}

TEST(BmpReader, FourAndEightBitPalettes) {
  BmpBuilder b4 = Bmp(3, 1, 4);
  b4.palette.assign(16, 0);
  b4.palette[1] = 0x010101;
  b4.palette[15] = 0xFFFFFF;
  b4.rows = {{0x1F, 0x10}};
  OTrame f = Parse(b4.Bytes());
  EXPECT_EQ(f.FormatText, "4 bits");
  EXPECT_EQ(f.Px(0, 0), 3);
  EXPECT_EQ(f.Px(1, 0), 765);
  EXPECT_EQ(f.Px(2, 0), 3);

  BmpBuilder b8 = Bmp(2, 2, 8);
  for (uint32_t g = 0; g < 256; ++g) b8.palette.push_back(g * 0x010101);
  b8.rows = {{10, 20}, {30, 255}};
  f = Parse(b8.Bytes());
  EXPECT_EQ(f.FormatText, "8 bits");
  EXPECT_EQ(f.Px(0, 0), 30);  // an 8-bit grey counts three times its level
  EXPECT_EQ(f.Px(1, 1), 765);
}

TEST(BmpReader, SixteenBitFiveFiveFiveAndFiveSixFive) {
  BmpBuilder b = Bmp(2, 1, 16);
  b.rows = {{0xFF, 0x7F, 0x1F, 0x00}};  // white, then pure blue (5-5-5)
  OTrame f = Parse(b.Bytes());
  EXPECT_EQ(f.FormatText, "15 bits");
  EXPECT_EQ(f.Px(0, 0), 765);
  EXPECT_EQ(f.Px(1, 0), 255);

  BmpBuilder c = Bmp(2, 1, 16, 3);
  c.masks = {0xF800, 0x07E0, 0x001F};
  c.rows = {{0xE0, 0x07, 0x00, 0xF8}};  // pure green, pure red
  f = Parse(c.Bytes());
  EXPECT_EQ(f.FormatText, "16 bits");
  EXPECT_EQ(f.Px(0, 0), 255);
  EXPECT_EQ(f.Px(1, 0), 255);
}

TEST(BmpReader, TwentyFourAndThirtyTwoBits) {
  BmpBuilder b = Bmp(2, 2, 24);
  b.rows = {{1, 2, 3, 4, 5, 6}, {7, 8, 9, 10, 11, 12}};
  OTrame f = Parse(b.Bytes());
  EXPECT_EQ(f.FormatText, "24 bits");
  EXPECT_EQ(f.Px(0, 0), 6);
  EXPECT_EQ(f.Px(1, 1), 33);

  BmpBuilder t = b;
  t.topDown = true;
  f = Parse(t.Bytes());
  EXPECT_EQ(f.Px(0, 0), 6);  // the first row given is the top either way
  EXPECT_EQ(f.Px(1, 1), 33);

  BmpBuilder c = Bmp(1, 1, 32);
  c.rows = {{10, 20, 30, 255}};  // B G R and an ignored fourth byte
  f = Parse(c.Bytes());
  EXPECT_EQ(f.FormatText, "32 bits");
  EXPECT_EQ(f.Px(0, 0), 60);
}

TEST(BmpReader, RunLengthEncodedEightAndFourBits) {
  BmpBuilder b = Bmp(4, 2, 8, 1);
  for (uint32_t g = 0; g < 256; ++g) b.palette.push_back(g * 0x010101);
  // Bottom row: run of 3 x 5, absolute 1 pixel... end of line; top row: 4 x 9; end.
  b.rle = {3, 5, 1, 7, 0, 0, 4, 9, 0, 1};
  OTrame f = Parse(b.Bytes());
  EXPECT_EQ(f.Px(0, 1), 15);
  EXPECT_EQ(f.Px(3, 1), 21);
  EXPECT_EQ(f.Px(2, 0), 27);

  BmpBuilder c = Bmp(4, 1, 4, 2);
  c.palette.assign(16, 0);
  c.palette[2] = 0x010101;
  c.palette[3] = 0x020202;
  c.rle = {4, 0x23, 0, 1};
  f = Parse(c.Bytes());
  EXPECT_EQ(f.Px(0, 0), 3);
  EXPECT_EQ(f.Px(1, 0), 6);
  EXPECT_EQ(f.Px(2, 0), 3);
}

TEST(BmpReader, WriterOutputReadsBack) {
  Raster r(3, 2);
  r.Set(0, 0, 10, 20, 30);
  r.Set(2, 1, 255, 0, 1);
  const std::vector<uint8_t> bytes = EncodeBmp24(r);
  EXPECT_EQ(bytes.size(), 54u + 2 * 12);  // rows padded to 12 bytes
  const OTrame f = Parse(bytes);
  EXPECT_EQ(f.FormatText, "24 bits");
  EXPECT_EQ(f.Px(0, 0), 60);
  EXPECT_EQ(f.Px(2, 1), 256);
}

TEST(BmpReader, BrokenFilesAreRefused) {
  BmpBuilder b = Bmp(2, 2, 24);
  b.rows = {{1, 2, 3, 4, 5, 6}, {7, 8, 9, 10, 11, 12}};
  std::vector<uint8_t> bytes = b.Bytes();
  Status s;
  Parse(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 60), &s);
  EXPECT_FALSE(s.ok);
  bytes[0] = 'X';
  Parse(bytes, &s);
  EXPECT_FALSE(s.ok);
  BmpBuilder z = Bmp(0, 2, 24);
  z.rows = {{}, {}};
  Parse(z.Bytes(), &s);
  EXPECT_FALSE(s.ok);
  BmpBuilder odd = Bmp(1, 1, 7);
  odd.rows = {{0}};
  Parse(odd.Bytes(), &s);
  EXPECT_FALSE(s.ok);
  // 8192 x 8192 pixels declared by a few bytes of run-length data that only end the picture:
  // refused as too large rather than allocating a gigabyte of pixels.
  BmpBuilder huge = Bmp(8192, 8192, 8, 1);
  huge.palette.assign(256, 0);
  huge.rle = {0, 1};
  Parse(huge.Bytes(), &s);
  EXPECT_FALSE(s.ok);
  EXPECT_EQ(s.error.code, ErrorCode::ImageTooLarge);
}

}  // namespace
}  // namespace orvek
