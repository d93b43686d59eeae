#include "core/CursorFormat.h"

#include <algorithm>

namespace orvek {

namespace {

// Bounds-checked little-endian reads over the file's bytes.
class Bytes {
 public:
  Bytes(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}
  bool Has(uint64_t offset, uint64_t length) const {
    return offset <= m_size && length <= m_size - offset;
  }
  uint16_t U16(uint64_t o) const { return uint16_t(m_data[o] | (m_data[o + 1] << 8)); }
  uint32_t U32(uint64_t o) const {
    return uint32_t(m_data[o]) | (uint32_t(m_data[o + 1]) << 8) | (uint32_t(m_data[o + 2]) << 16) |
           (uint32_t(m_data[o + 3]) << 24);
  }
  int32_t I32(uint64_t o) const { return static_cast<int32_t>(U32(o)); }
  const uint8_t* At(uint64_t o) const { return m_data + o; }
  uint64_t Size() const { return m_size; }

 private:
  const uint8_t* m_data;
  uint64_t m_size;
};

constexpr int kMaxCursorSide = 256;  // the largest cursor the format can describe

}  // namespace

Result<CursorImage> ParseCursor(const uint8_t* data, size_t size, const std::string& name) {
  const Bytes b(data, size);
  const auto fail = [&](ErrorCode code, std::vector<double> values = {}) {
    return Unexpected(Error(code).Path(name).Values(std::move(values)));
  };
  if (!b.Has(0, 6)) return fail(ErrorCode::HeaderTruncated, {double(size)});
  const uint16_t reserved = b.U16(0), type = b.U16(2), count = b.U16(4);
  if (reserved != 0 || (type != 1 && type != 2) || count == 0)
    return Unexpected(Error(ErrorCode::WrongFormat).Path(name).Field("CUR"));
  if (!b.Has(6, 16)) return fail(ErrorCode::HeaderTruncated, {double(size)});
  CursorImage out;
  out.hotX = type == 2 ? b.U16(6 + 4) : 0;
  out.hotY = type == 2 ? b.U16(6 + 6) : 0;
  const uint64_t length = b.U32(6 + 8);
  const uint64_t offset = b.U32(6 + 12);
  if (!b.Has(offset, length))
    return fail(ErrorCode::DataTruncated, {0, 0, double(offset + length), double(size)});

  static const uint8_t kPng[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  if (length >= 8 && std::equal(kPng, kPng + 8, b.At(offset))) {
    out.png.assign(b.At(offset), b.At(offset) + length);
    return out;
  }

  // A bitmap: BITMAPINFOHEADER, palette, colour rows, AND mask rows (bottom row first).
  if (length < 40) return fail(ErrorCode::HeaderTruncated, {double(size)});
  const uint64_t headerSize = b.U32(offset);
  if (headerSize < 40 || headerSize > length)
    return Unexpected(Error(ErrorCode::UnsupportedValue)
                          .Path(name)
                          .Field("biSize")
                          .Text("40+")
                          .Values({double(headerSize)}));
  const int32_t width = b.I32(offset + 4);
  const int32_t doubleHeight = b.I32(offset + 8);
  const uint16_t planes = b.U16(offset + 12);
  const uint16_t bits = b.U16(offset + 14);
  const uint32_t compression = b.U32(offset + 16);
  uint32_t paletteCount = b.U32(offset + 32);
  if (width <= 0 || width > kMaxCursorSide || doubleHeight <= 0 ||
      doubleHeight > 2 * kMaxCursorSide || doubleHeight % 2 != 0)
    return fail(ErrorCode::ImageSizeInvalid, {double(width), double(doubleHeight) / 2});
  if (planes != 1 || compression != 0)
    return Unexpected(Error(ErrorCode::UnsupportedValue)
                          .Path(name)
                          .Field("biCompression")
                          .Text("0")
                          .Values({double(compression)}));
  if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32)
    return Unexpected(Error(ErrorCode::UnsupportedValue)
                          .Path(name)
                          .Field("biBitCount")
                          .Text("1, 4, 8, 24, 32")
                          .Values({double(bits)}));
  const int height = doubleHeight / 2;
  if (bits <= 8) {
    if (paletteCount == 0 || paletteCount > (1u << bits)) paletteCount = 1u << bits;
  } else {
    paletteCount = 0;
  }
  const uint64_t paletteAt = offset + headerSize;
  const uint64_t colourStride = ((uint64_t(width) * bits + 31) / 32) * 4;
  const uint64_t maskStride = ((uint64_t(width) + 31) / 32) * 4;
  const uint64_t colourAt = paletteAt + 4ull * paletteCount;
  const uint64_t maskAt = colourAt + colourStride * height;
  const uint64_t end = maskAt + maskStride * height;
  if (end > offset + length || !b.Has(paletteAt, end - paletteAt))
    return fail(ErrorCode::DataTruncated,
                {double(width), double(height), double(end - offset), double(length)});

  // A 32-bit cursor whose alpha bytes are all zero is drawn through its mask instead.
  bool anyAlpha = false;
  if (bits == 32) {
    for (int y = 0; y < height && !anyAlpha; ++y) {
      const uint8_t* row = b.At(colourAt + colourStride * y);
      for (int x = 0; x < width && !anyAlpha; ++x) anyAlpha = row[4 * x + 3] != 0;
    }
  }
  out.width = width;
  out.height = height;
  out.argb.resize(static_cast<size_t>(width) * height);
  for (int y = 0; y < height; ++y) {
    const uint8_t* row = b.At(colourAt + colourStride * (height - 1 - y));
    const uint8_t* mask = b.At(maskAt + maskStride * (height - 1 - y));
    for (int x = 0; x < width; ++x) {
      uint32_t red = 0, green = 0, blue = 0, alpha = 255;
      if (bits == 32) {
        blue = row[4 * x];
        green = row[4 * x + 1];
        red = row[4 * x + 2];
        if (anyAlpha) alpha = row[4 * x + 3];
      } else if (bits == 24) {
        blue = row[3 * x];
        green = row[3 * x + 1];
        red = row[3 * x + 2];
      } else {
        uint32_t index = 0;
        if (bits == 8)
          index = row[x];
        else if (bits == 4)
          index = (row[x / 2] >> ((x % 2) ? 0 : 4)) & 0x0F;
        else
          index = (row[x / 8] >> (7 - x % 8)) & 0x01;
        if (index < paletteCount) {
          const uint8_t* p = b.At(paletteAt + 4ull * index);
          blue = p[0];
          green = p[1];
          red = p[2];
        }
      }
      const bool transparent = (mask[x / 8] >> (7 - x % 8)) & 0x01;
      if (!anyAlpha && transparent) alpha = 0;
      out.argb[static_cast<size_t>(y) * width + x] =
          (alpha << 24) | (red << 16) | (green << 8) | blue;
    }
  }
  out.hotX = std::min(out.hotX, width - 1);
  out.hotY = std::min(out.hotY, height - 1);
  return out;
}

}  // namespace orvek
