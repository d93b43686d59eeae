#include "ui/CursorFile.h"

#include <QFile>
#include <algorithm>
#include <cstdint>

namespace orvek {

namespace {

// Bounds-checked little-endian reads over the file's bytes.
class Bytes {
 public:
  explicit Bytes(const QByteArray& b)
      : m_data(reinterpret_cast<const uint8_t*>(b.constData())), m_size(uint64_t(b.size())) {}
  bool Has(uint64_t offset, uint64_t length) const {
    return offset <= m_size && length <= m_size - offset;
  }
  uint8_t U8(uint64_t o) const { return m_data[o]; }
  uint16_t U16(uint64_t o) const { return uint16_t(m_data[o] | (m_data[o + 1] << 8)); }
  uint32_t U32(uint64_t o) const {
    return uint32_t(m_data[o]) | (uint32_t(m_data[o + 1]) << 8) | (uint32_t(m_data[o + 2]) << 16) |
           (uint32_t(m_data[o + 3]) << 24);
  }
  int32_t I32(uint64_t o) const { return static_cast<int32_t>(U32(o)); }
  const uint8_t* At(uint64_t o) const { return m_data + o; }

 private:
  const uint8_t* m_data;
  uint64_t m_size;
};

bool Fail(QString* error, const QString& text) {
  if (error != nullptr) *error = text;
  return false;
}

constexpr int kMaxSide = 256;  // the largest cursor the format can describe

}  // namespace

bool DecodeCursorFile(const QByteArray& bytes, CursorPicture& out, QString* error) {
  const Bytes b(bytes);
  if (!b.Has(0, 6)) return Fail(error, "cursor file shorter than its 6-byte header");
  const uint16_t reserved = b.U16(0), type = b.U16(2), count = b.U16(4);
  if (reserved != 0 || (type != 1 && type != 2)) return Fail(error, "not a cursor or icon file");
  if (count == 0) return Fail(error, "cursor file holds no image");
  if (!b.Has(6, 16)) return Fail(error, "cursor file cut inside its first directory entry");
  const uint16_t hotX = type == 2 ? b.U16(6 + 4) : 0;
  const uint16_t hotY = type == 2 ? b.U16(6 + 6) : 0;
  const uint64_t length = b.U32(6 + 8);
  const uint64_t offset = b.U32(6 + 12);
  if (!b.Has(offset, length)) {
    return Fail(error, QString("cursor image of %1 bytes at offset %2 lies beyond the %3-byte file")
                           .arg(length)
                           .arg(offset)
                           .arg(bytes.size()));
  }

  // An embedded PNG.
  static const uint8_t kPng[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  if (length >= 8 && std::equal(kPng, kPng + 8, b.At(offset))) {
    QImage png;
    if (!png.loadFromData(b.At(offset), static_cast<int>(length), "PNG")) {
      return Fail(error, "the embedded PNG of the cursor cannot be decoded");
    }
    out.image = png.convertToFormat(QImage::Format_ARGB32);
    out.hotSpot = QPoint(hotX, hotY);
    return true;
  }

  // A BMP image: BITMAPINFOHEADER, palette, colour rows, AND mask rows (bottom row first).
  if (length < 40) return Fail(error, "cursor image shorter than its bitmap header");
  const uint64_t headerSize = b.U32(offset);
  if (headerSize < 40 || headerSize > length) return Fail(error, "bad bitmap header size");
  const int32_t width = b.I32(offset + 4);
  const int32_t doubleHeight = b.I32(offset + 8);
  const uint16_t planes = b.U16(offset + 12);
  const uint16_t bits = b.U16(offset + 14);
  const uint32_t compression = b.U32(offset + 16);
  uint32_t paletteCount = b.U32(offset + 32);
  if (width <= 0 || width > kMaxSide || doubleHeight <= 0 || doubleHeight > 2 * kMaxSide ||
      doubleHeight % 2 != 0) {
    return Fail(error, QString("unsupported cursor size %1 x %2").arg(width).arg(doubleHeight / 2));
  }
  if (planes != 1 || compression != 0) return Fail(error, "compressed cursor bitmaps are not read");
  if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32) {
    return Fail(error, QString("cursor bitmaps of %1 bits per pixel are not read").arg(bits));
  }
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
  if (end > offset + length || !b.Has(paletteAt, end - paletteAt)) {
    return Fail(error, QString("cursor bitmap needs %1 bytes but its entry holds %2")
                           .arg(end - offset)
                           .arg(length));
  }

  QImage image(width, height, QImage::Format_ARGB32);
  bool anyAlpha = false;
  if (bits == 32) {
    for (int y = 0; y < height && !anyAlpha; ++y) {
      const uint8_t* row = b.At(colourAt + colourStride * (height - 1 - y));
      for (int x = 0; x < width; ++x) {
        if (row[4 * x + 3] != 0) {
          anyAlpha = true;
          break;
        }
      }
    }
  }
  for (int y = 0; y < height; ++y) {
    const uint8_t* row = b.At(colourAt + colourStride * (height - 1 - y));
    const uint8_t* mask = b.At(maskAt + maskStride * (height - 1 - y));
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < width; ++x) {
      uint8_t red = 0, green = 0, blue = 0, alpha = 255;
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
      line[x] = qRgba(red, green, blue, alpha);
    }
  }
  out.image = image;
  out.hotSpot = QPoint(std::min<int>(hotX, width - 1), std::min<int>(hotY, height - 1));
  return true;
}

bool ReadCursorFile(const QString& path, CursorPicture& out, QString* error) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return Fail(error, path + ": cannot be opened");
  if (file.size() > (1 << 22)) return Fail(error, path + ": too large for a cursor");
  const QByteArray bytes = file.readAll();
  QString why;
  if (!DecodeCursorFile(bytes, out, &why)) return Fail(error, path + ": " + why);
  return true;
}

}  // namespace orvek
