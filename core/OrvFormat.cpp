// ORV: Orvek's own lossless format. Width and height as extended values, then every pixel
// as a 10-byte extended value, column by column (x outer, y inner).

#include <algorithm>
#include <cstring>
#include <limits>

#include "core/ExtendedCodec.h"
#include "core/OTrame.h"
#include "core/Rounding.h"
#include "core/Utils.h"

namespace orvek {

Status OTrame::ReadOrv(const std::string& name, Raster* surface) {
  std::vector<unsigned char> bytes;
  if (Status read = ReadWholeFile(name, bytes); !read) return read;
  Status s = ParseOrv(bytes.data(), bytes.size(), name);
  if (s && surface != nullptr) *surface = Raster(m_width, m_height);
  return s;
}

Status OTrame::ParseOrv(const uint8_t* data, size_t size, const std::string& name) {
  if (size < 2 * kExtendedBytes)
    return Status::Fail(Error(ErrorCode::HeaderTruncated).Path(name).Values({double(size)}));
  const Extended w = DecodeExtended(data);
  const Extended h = DecodeExtended(data + kExtendedBytes);
  // A size of 0.5 rounds to 0 (halves go to the even neighbour): no pixel.
  if (!(w > 0.5L && w < kMaxSide + 0.5L) || !(h > 0.5L && h < kMaxSide + 0.5L))
    return Status::Fail(Error(ErrorCode::ImageSizeInvalid)
                            .Path(name)
                            .Values({static_cast<double>(w), static_cast<double>(h)}));
  const int64_t width = Nearest(w);
  const int64_t height = Nearest(h);
  if (width * height > kMaxPixels)
    return Status::Fail(
        Error(ErrorCode::ImageTooLarge).Path(name).Values({double(width), double(height)}));
  const uint64_t needed = static_cast<uint64_t>(kExtendedBytes) *
                          (static_cast<uint64_t>(width) * static_cast<uint64_t>(height) + 2);
  if (size < needed)
    return Status::Fail(Error(ErrorCode::DataTruncated)
                            .Path(name)
                            .Values({double(width), double(height), double(needed), double(size)}));

  AllocateUninitialized(static_cast<int32_t>(width), static_cast<int32_t>(height));
  // The file order (x outer, y inner) is the frame's own memory order.
  DecodeExtendedArray(data + 2 * kExtendedBytes, static_cast<int64_t>(m_pixels.size()),
                      m_pixels.data());
  MaxValue = 0;
  MinValue = std::numeric_limits<Extended>::max();
  for (Extended v : m_pixels) {
    if (v > MaxValue) MaxValue = v;
    if (v < MinValue) MinValue = v;
  }
  FormatText = "Format ORV";
  return Status::Ok();
}

std::vector<uint8_t> OTrame::EncodeOrv(int32_t x1, int32_t y1, int32_t x2, int32_t y2) const {
  const int64_t w = static_cast<int64_t>(x2) - x1 + 1;
  const int64_t h = static_cast<int64_t>(y2) - y1 + 1;
  if (w <= 0 || h <= 0 || w * h > kMaxPixels) return {};
  std::vector<uint8_t> out(static_cast<size_t>(kExtendedBytes * (w * h + 2)));
  EncodeExtended(static_cast<Extended>(w), out.data());
  EncodeExtended(static_cast<Extended>(h), out.data() + kExtendedBytes);
  uint8_t* p = out.data() + 2 * kExtendedBytes;
  uint8_t median[kExtendedBytes];
  EncodeExtended(Median, median);
  for (int64_t x = x1; x <= x2; ++x) {
    const bool columnInside = !Empty() && x >= 0 && x <= LastX;
    // The part of the column inside the frame is one contiguous run of values.
    const int64_t inFirst = columnInside ? std::max<int64_t>(y1, 0) : y2 + 1;
    const int64_t inLast = columnInside ? std::min<int64_t>(y2, LastY) : y2;
    for (int64_t y = y1; y <= y2;) {
      if (y >= inFirst && y <= inLast) {
        const int64_t n = inLast - y + 1;
        EncodeExtendedArray(Column(static_cast<int32_t>(x)) + y, n, p);
        p += n * kExtendedBytes;
        y += n;
      } else {
        std::memcpy(p, median, kExtendedBytes);
        p += kExtendedBytes;
        ++y;
      }
    }
  }
  return out;
}

Status OTrame::SaveOrv(int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                       const std::string& name) const {
  const std::vector<uint8_t> bytes = EncodeOrv(x1, y1, x2, y2);
  if (bytes.empty())
    return Status::Fail(Error(ErrorCode::RectangleInvalid)
                            .Path(name)
                            .Values({double(x1), double(y1), double(x2), double(y2)}));
  return ReplaceFile(name, bytes.data(), bytes.size());
}

}  // namespace orvek
