// BMP reading (1, 4, 8 bits with palette, RLE4 and RLE8, 16 bits 5-5-5 or bit fields,
// 24 bits, 32 bits; bottom-up or top-down) and 24-bit writing.

#include <algorithm>
#include <cstring>
#include <limits>

#include "core/BmpWriter.h"
#include "core/OTrame.h"
#include "core/Utils.h"

namespace orvek {

namespace {

uint16_t Le16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
uint32_t Le32(const uint8_t* p) {
  return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}

struct Mask {
  uint32_t mask = 0;
  int shift = 0;
  uint32_t max = 0;
  explicit Mask(uint32_t m = 0) : mask(m) {
    if (m == 0) return;
    while (((m >> shift) & 1u) == 0) ++shift;
    max = m >> shift;
  }
  // Channel scaled to 0..255, rounded to nearest.
  uint8_t Get(uint32_t pixel) const {
    if (mask == 0 || max == 0) return 0;
    const uint64_t v = (pixel & mask) >> shift;
    return static_cast<uint8_t>((v * 255 + max / 2) / max);
  }
};

struct Rgb {
  uint8_t b = 0, g = 0, r = 0;
};

}  // namespace

std::vector<uint8_t> EncodeBmp24(const Raster& raster) {
  const int w = raster.width;
  const int h = raster.height;
  const size_t stride = (static_cast<size_t>(w) * 3 + 3) / 4 * 4;
  const size_t imageSize = stride * static_cast<size_t>(h);
  std::vector<uint8_t> out(54 + imageSize, 0);
  auto put16 = [&](size_t at, uint32_t v) {
    out[at] = static_cast<uint8_t>(v);
    out[at + 1] = static_cast<uint8_t>(v >> 8);
  };
  auto put32 = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) out[at + i] = static_cast<uint8_t>(v >> (8 * i));
  };
  out[0] = 'B';
  out[1] = 'M';
  put32(2, static_cast<uint32_t>(out.size()));
  put32(10, 54);
  put32(14, 40);
  put32(18, static_cast<uint32_t>(w));
  put32(22, static_cast<uint32_t>(h));
  put16(26, 1);
  put16(28, 24);
  put32(34, static_cast<uint32_t>(imageSize));
  put32(38, 2835);  // 72 dots per inch
  put32(42, 2835);
  for (int y = 0; y < h; ++y) {
    // Bottom-up: the last raster row comes first in the file.
    std::memcpy(out.data() + 54 + stride * static_cast<size_t>(h - 1 - y), raster.Row(y),
                static_cast<size_t>(w) * 3);
  }
  return out;
}

Status WriteBmp24(const std::string& path, const Raster& raster) {
  if (raster.Empty()) return Status::Fail(Error(ErrorCode::NothingToWrite).Path(path));
  const std::vector<uint8_t> bytes = EncodeBmp24(raster);
  return ReplaceFile(path, bytes.data(), bytes.size());
}

Status OTrame::ReadBmp(const std::string& name, Raster* surface) {
  std::vector<unsigned char> bytes;
  if (Status read = ReadWholeFile(name, bytes); !read) return read;
  Raster decoded;
  Status s = ParseBmp(bytes.data(), bytes.size(), name, &decoded);
  if (s && surface != nullptr) *surface = std::move(decoded);
  return s;
}

Status OTrame::ParseBmp(const uint8_t* data, size_t size, const std::string& name,
                        Raster* decoded) {
  const auto unsupported = [&](const char* field, double value, const char* supported) {
    return Status::Fail(
        Error(ErrorCode::UnsupportedValue).Path(name).Field(field).Text(supported).Values({value}));
  };
  const auto truncatedHeader = [&] {
    return Status::Fail(Error(ErrorCode::HeaderTruncated).Path(name).Values({double(size)}));
  };
  if (size < 26 || data[0] != 'B' || data[1] != 'M')
    return Status::Fail(Error(ErrorCode::WrongFormat).Path(name).Field("BMP"));
  const uint32_t pixelOffset = Le32(data + 10);
  const uint32_t headerSize = Le32(data + 14);
  if (headerSize != 12 && headerSize < 40) return unsupported("biSize", headerSize, "12, 40+");
  if (14 + static_cast<uint64_t>(headerSize) > size) return truncatedHeader();

  int64_t width = 0;
  int64_t height = 0;
  int bitCount = 0;
  uint32_t compression = 0;
  uint32_t colorsUsed = 0;
  size_t paletteEntry = 4;
  uint32_t masks[3] = {0, 0, 0};
  const uint8_t* info = data + 14;
  if (headerSize == 12) {
    width = Le16(info + 4);
    height = static_cast<int16_t>(Le16(info + 6));
    bitCount = Le16(info + 10);
    paletteEntry = 3;
  } else {
    width = static_cast<int32_t>(Le32(info + 4));
    height = static_cast<int32_t>(Le32(info + 8));
    bitCount = Le16(info + 14);
    compression = Le32(info + 16);
    colorsUsed = Le32(info + 32);
    if (compression == 3 || compression == 6) {
      // Bit fields follow the 40-byte header, or are part of a larger one.
      const uint64_t at = 14 + 40;
      if (at + 12 > size) return truncatedHeader();
      masks[0] = Le32(data + at);
      masks[1] = Le32(data + at + 4);
      masks[2] = Le32(data + at + 8);
    }
  }
  const bool topDown = height < 0;
  if (topDown) height = -height;
  const std::vector<double> size2 = {double(width), double(height)};
  if (width <= 0 || height <= 0)
    return Status::Fail(Error(ErrorCode::ImageSizeInvalid).Path(name).Values(size2));
  if (width > kMaxSide || height > kMaxSide || width * height > kMaxPixels)
    return Status::Fail(Error(ErrorCode::ImageTooLarge).Path(name).Values(size2));
  if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 16 && bitCount != 24 &&
      bitCount != 32)
    return unsupported("biBitCount", bitCount, "1, 4, 8, 16, 24, 32");
  const bool rle8 = compression == 1;
  const bool rle4 = compression == 2;
  const bool fields = compression == 3 || compression == 6;
  if (compression > 3 && compression != 6)
    return unsupported("biCompression", compression, "0-3, 6");
  if ((rle8 && bitCount != 8) || (rle4 && bitCount != 4) ||
      (fields && bitCount != 16 && bitCount != 32))
    return unsupported("biCompression", compression,
                       "1 with 8 bits, 2 with 4 bits, 3 and 6 with 16 or 32 bits");

  // Palette.
  std::vector<Rgb> palette;
  if (bitCount <= 8) {
    // A file may announce more colours than its depth can index: the rest are never used.
    uint64_t entries = colorsUsed != 0 ? colorsUsed : (1u << bitCount);
    if (entries > (1u << bitCount)) entries = 1u << bitCount;
    const uint64_t at = 14 + static_cast<uint64_t>(headerSize) + (fields ? 12 : 0);
    if (at + entries * paletteEntry > size) return truncatedHeader();
    palette.resize(1u << bitCount);
    for (uint64_t i = 0; i < entries; ++i) {
      const uint8_t* e = data + at + i * paletteEntry;
      palette[i] = Rgb{e[0], e[1], e[2]};
    }
  }

  // Depth as the file states it: 16-bit 5-5-5 pixels are 15-bit colour.
  Mask mr, mg, mb;
  if (bitCount == 16) {
    if (!fields) {
      masks[0] = 0x7C00;
      masks[1] = 0x03E0;
      masks[2] = 0x001F;
    }
    FormatText =
        (masks[0] == 0x7C00 && masks[1] == 0x03E0 && masks[2] == 0x001F) ? "15 bits" : "16 bits";
  } else if (bitCount == 32 && !fields) {
    masks[0] = 0x00FF0000;
    masks[1] = 0x0000FF00;
    masks[2] = 0x000000FF;
  }
  if (bitCount == 16 || bitCount == 32) {
    mr = Mask(masks[0]);
    mg = Mask(masks[1]);
    mb = Mask(masks[2]);
  }
  switch (bitCount) {
    case 1: FormatText = "1 bit"; break;
    case 4: FormatText = "4 bits"; break;
    case 8: FormatText = "8 bits"; break;
    case 24: FormatText = "24 bits"; break;
    case 32: FormatText = "32 bits"; break;
    default: break;
  }

  const auto truncatedData = [&](uint64_t needed, uint64_t held) {
    return Status::Fail(Error(ErrorCode::DataTruncated)
                            .Path(name)
                            .Values({size2[0], size2[1], double(needed), double(held)}));
  };
  if (pixelOffset >= size) return truncatedData(uint64_t{pixelOffset} + 1, size);
  const uint8_t* pixels = data + pixelOffset;
  const size_t pixelBytes = size - pixelOffset;
  // Run-length data may skip whole rows with a few bytes, so a file of a few hundred bytes
  // could make the reader allocate gigabytes. No real picture compresses that far: beyond a
  // megapixel, at most 1024 pixels per byte of run-length data are accepted.
  if ((rle8 || rle4) &&
      width * height > std::max<int64_t>(int64_t{1} << 20, int64_t{1024} * int64_t(pixelBytes)))
    return Status::Fail(Error(ErrorCode::ImageTooLarge).Path(name).Values(size2));
  const int32_t W = static_cast<int32_t>(width);
  const int32_t H = static_cast<int32_t>(height);
  Raster raster(W, H);

  if (rle8 || rle4) {
    // Run-length pixels: palette indices written into an index plane first (bottom-up).
    std::vector<uint8_t> index(static_cast<size_t>(W) * H, 0);
    int64_t x = 0;
    int64_t row = 0;  // file row, 0 = bottom for bottom-up files
    size_t i = 0;
    auto put = [&](uint8_t v) {
      if (x < W && row < H) index[static_cast<size_t>(row) * W + static_cast<size_t>(x)] = v;
      ++x;
    };
    bool done = false;
    while (!done && i + 1 < pixelBytes) {
      const uint8_t count = pixels[i];
      const uint8_t value = pixels[i + 1];
      i += 2;
      if (count > 0) {
        for (int k = 0; k < count; ++k) {
          if (rle8)
            put(value);
          else
            put((k % 2 == 0) ? static_cast<uint8_t>(value >> 4)
                             : static_cast<uint8_t>(value & 0x0F));
        }
      } else if (value == 0) {
        x = 0;
        ++row;
      } else if (value == 1) {
        done = true;
      } else if (value == 2) {
        if (i + 1 >= pixelBytes) break;
        x += pixels[i];
        row += pixels[i + 1];
        i += 2;
      } else {
        const size_t n = value;
        const size_t bytesUsed = rle8 ? n : (n + 1) / 2;
        if (i + bytesUsed > pixelBytes)
          return truncatedData(uint64_t{pixelOffset} + i + bytesUsed, size);
        for (size_t k = 0; k < n; ++k) {
          if (rle8)
            put(pixels[i + k]);
          else
            put((k % 2 == 0) ? static_cast<uint8_t>(pixels[i + k / 2] >> 4)
                             : static_cast<uint8_t>(pixels[i + k / 2] & 0x0F));
        }
        i += (bytesUsed + 1) / 2 * 2;  // absolute runs are padded to 16 bits
      }
      if (row >= H) done = true;
    }
    for (int32_t r = 0; r < H; ++r) {
      const int32_t y = topDown ? r : H - 1 - r;
      for (int32_t c = 0; c < W; ++c) {
        const Rgb& p = palette[index[static_cast<size_t>(r) * W + c] % palette.size()];
        raster.Set(c, y, p.r, p.g, p.b);
      }
    }
  } else {
    const uint64_t stride = (static_cast<uint64_t>(W) * bitCount + 31) / 32 * 4;
    if (stride * static_cast<uint64_t>(H) > pixelBytes) {
      // The last row may lack its padding; anything shorter is a truncated file.
      const uint64_t lastRow = (static_cast<uint64_t>(W) * bitCount + 7) / 8;
      if (stride * static_cast<uint64_t>(H - 1) + lastRow > pixelBytes)
        return truncatedData(stride * static_cast<uint64_t>(H), pixelBytes);
    }
    for (int32_t r = 0; r < H; ++r) {
      const uint8_t* line = pixels + stride * static_cast<uint64_t>(r);
      const int32_t y = topDown ? r : H - 1 - r;
      for (int32_t c = 0; c < W; ++c) {
        Rgb p;
        switch (bitCount) {
          case 1: p = palette[(line[c >> 3] >> (7 - (c & 7))) & 1]; break;
          case 4: p = palette[(c & 1) ? (line[c >> 1] & 0x0F) : (line[c >> 1] >> 4)]; break;
          case 8: p = palette[line[c]]; break;
          case 16: {
            const uint32_t v = Le16(line + 2 * c);
            p = Rgb{mb.Get(v), mg.Get(v), mr.Get(v)};
            break;
          }
          case 24: p = Rgb{line[3 * c], line[3 * c + 1], line[3 * c + 2]}; break;
          default: {
            const uint32_t v = Le32(line + 4 * c);
            p = Rgb{mb.Get(v), mg.Get(v), mr.Get(v)};
            break;
          }
        }
        raster.Set(c, y, p.r, p.g, p.b);
      }
    }
  }

  // The pixel value is the sum of the three colour bytes (a grey level counts three times).
  AllocateUninitialized(W, H);
  MaxValue = 0;
  MinValue = std::numeric_limits<Extended>::max();
  for (int32_t y = 0; y < H; ++y) {
    const uint8_t* row = raster.Row(y);
    for (int32_t x = 0; x < W; ++x) {
      const Extended v = static_cast<Extended>(row[3 * x] + row[3 * x + 1] + row[3 * x + 2]);
      Px(x, y) = v;
      if (v > MaxValue) MaxValue = v;
      if (v < MinValue) MinValue = v;
    }
  }
  if (decoded != nullptr) *decoded = std::move(raster);
  return Status::Ok();
}

}  // namespace orvek
