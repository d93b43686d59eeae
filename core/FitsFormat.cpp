// FITS reading (8, 16, 32-bit integers, 32 and 64-bit floats; the first plane of the
// primary image) and writing (16-bit samples).

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "core/ExtendedCodec.h"
#include "core/FitsRows.h"
#include "core/FitsTime.h"
#include "core/OTrame.h"
#include "core/Rounding.h"
#include "core/Utils.h"

namespace orvek {

namespace {

constexpr size_t kCard = 80;
constexpr size_t kBlock = 2880;

std::string Prefix(const std::string& s, size_t n) {
  return s.substr(0, std::min(n, s.size()));
}

uint32_t BigEndian32(const uint8_t* p) {
  return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}
uint64_t BigEndian64(const uint8_t* p) {
  return (uint64_t{BigEndian32(p)} << 32) | BigEndian32(p + 4);
}

// A FITS real may use "D" for its exponent.
bool ParseFitsReal(std::string text, Extended& out) {
  for (char& c : text) {
    if (c == 'D' || c == 'd') c = 'E';
  }
  return ParseNumber(text, out);
}

std::string Card(const std::string& keywordField, const std::string& value) {
  std::string card = keywordField;
  card += std::string(30 - keywordField.size() - value.size(), ' ');
  card += value;
  card += std::string(kCard - card.size(), ' ');
  return card;
}

// Visits every sample of the file's data, a block of file rows at a time so that each
// column of the frame is written in runs (the frame keeps its columns contiguous, the file
// its rows): visit(sample bytes, frame column x, frame row y, interior pixel?).
template <int kBytes, class Visit>
void ForEachSample(const uint8_t* samples, int32_t W, int32_t H, const FitsOptions& fits,
                   Visit visit) {
  constexpr int32_t kRows = 32;
  const int32_t lastX = W - 1, lastY = H - 1;
  for (int32_t r0 = 0; r0 < H; r0 += kRows) {
    const int32_t r1 = std::min(H, r0 + kRows);
    for (int32_t c = 0; c < W; ++c) {
      const int32_t x = fits.swapHoriz ? lastX - c : c;
      const bool interiorColumn = x > 0 && x < lastX;
      for (int32_t r = r0; r < r1; ++r) {
        const int32_t y = fits.swapVert ? lastY - r : r;
        visit(samples + (static_cast<size_t>(r) * W + c) * kBytes, x, y,
              interiorColumn && y > 0 && y < lastY);
      }
    }
  }
}

}  // namespace

std::string StripComment(const std::string& card) {
  const auto slash = card.find('/');
  return slash == std::string::npos ? card : card.substr(0, slash);
}

Status OTrame::ReadFits(const std::string& name, const FitsOptions& fits, Raster* surface) {
  std::vector<unsigned char> bytes;
  if (Status read = ReadWholeFile(name, bytes); !read) return read;
  Status s = ParseFits(bytes.data(), bytes.size(), name, fits);
  if (s && surface != nullptr) *surface = Raster(m_width, m_height);
  return s;
}

template <int Bits>
void OTrame::DecodeSamples(const uint8_t* samples, Extended scale, Extended offset,
                           const FitsOptions& fits) {
  constexpr int kBytes = Bits == 8 ? 1 : Bits == 16 ? 2 : Bits == -64 ? 8 : 4;
  const int32_t W = m_width;
  const int32_t H = m_height;
  Extended maxValue = MaxValue;
  Extended minValue = MinValue;
  // Integer samples with a unit scale and a whole offset (8-bit data, 16-bit data with
  // BZERO 32768, ...) give whole values: they are computed and stored with integer
  // operations, which give exactly the extended values the arithmetic would.
  constexpr bool kIntegerSamples = Bits == 8 || Bits == 16 || Bits == 32;
  const bool wholeOffset = std::fabs(offset) < 0x1p52L && offset == std::trunc(offset);
  if (kIntegerSamples && (Bits == 8 || (scale == 1 && wholeOffset))) {
    const int64_t off = Bits == 8 ? 0 : static_cast<int64_t>(offset);
    // 8- and 16-bit samples with a moderate offset are first taken into the whole-number
    // copy that the star search reads (the file's rows into the frame's columns), then each
    // column is written out as extended pixels with its extremes.
    if (Bits != 32 && off > -(int64_t{1} << 30) && off < (int64_t{1} << 30)) {
      m_whole.resize(m_pixels.size());
      const auto off32 = static_cast<int32_t>(off);
      // Tiles of 8 columns: each file row gives 8 neighbouring samples, written down 8
      // columns of the frame.
      constexpr int32_t kTile = 8;
      const auto sample = [&](const uint8_t* p) -> int32_t {
        if constexpr (Bits == 8) {
          return p[0];
        } else {
          return static_cast<int16_t>((p[0] << 8) | p[1]) + off32;
        }
      };
      // File rows a block at a time, as ForEachSample takes them.
      constexpr int32_t kRows = 32;
      for (int32_t r0 = 0; r0 < H; r0 += kRows) {
        const int32_t r1 = std::min(H, r0 + kRows);
        int32_t c0 = 0;
        for (; c0 + kTile <= W; c0 += kTile) {
          int32_t* columns[kTile];
          for (int32_t t = 0; t < kTile; ++t) {
            const int32_t x = fits.swapHoriz ? LastX - (c0 + t) : c0 + t;
            columns[t] = m_whole.data() + static_cast<size_t>(x) * H;
          }
          for (int32_t r = r0; r < r1; ++r) {
            const uint8_t* p = samples + (static_cast<size_t>(r) * W + c0) * kBytes;
            const int32_t y = fits.swapVert ? LastY - r : r;
            for (int32_t t = 0; t < kTile; ++t) columns[t][y] = sample(p + t * kBytes);
          }
        }
        for (int32_t c = c0; c < W; ++c) {
          const int32_t x = fits.swapHoriz ? LastX - c : c;
          int32_t* wholeColumn = m_whole.data() + static_cast<size_t>(x) * H;
          for (int32_t r = r0; r < r1; ++r) {
            const uint8_t* p = samples + (static_cast<size_t>(r) * W + c) * kBytes;
            wholeColumn[fits.swapVert ? LastY - r : r] = sample(p);
          }
        }
      }
      int32_t minWhole = std::numeric_limits<int32_t>::max();
      int32_t maxWhole = std::numeric_limits<int32_t>::min();
      for (int32_t x = 0; x < W; ++x) {
        const int32_t* wholeColumn = m_whole.data() + static_cast<size_t>(x) * H;
        Extended* column = Column(x);
        StoreWholeArray(wholeColumn, static_cast<size_t>(H), column);
        for (int32_t y = 0; y < H; ++y) minWhole = std::min(minWhole, wholeColumn[y]);
        // The maximum counts interior pixels only; the minimum counts them all.
        if (x > 0 && x < LastX) {
          for (int32_t y = 1; y < LastY; ++y) maxWhole = std::max(maxWhole, wholeColumn[y]);
        }
      }
      if (W > 2 && H > 2 && static_cast<Extended>(maxWhole) > maxValue) {
        maxValue = static_cast<Extended>(maxWhole);
      }
      if (static_cast<Extended>(minWhole) < minValue) minValue = static_cast<Extended>(minWhole);
      MaxValue = maxValue;
      MinValue = minValue;
      return;
    }
    int64_t maxInt = std::numeric_limits<int64_t>::min();
    int64_t minInt = std::numeric_limits<int64_t>::max();
    bool anyInterior = false;
    ForEachSample<kBytes>(samples, W, H, fits,
                          [&](const uint8_t* p, int32_t x, int32_t y, bool interior) {
                            int64_t v = 0;
                            if constexpr (Bits == 8) {
                              v = p[0];
                            } else if constexpr (Bits == 16) {
                              v = static_cast<int16_t>((p[0] << 8) | p[1]) + off;
                            } else {
                              v = static_cast<int64_t>(static_cast<int32_t>(BigEndian32(p))) + off;
                            }
                            StoreIntegerExtended(v, Column(x) + y);
                            if (interior) {
                              anyInterior = true;
                              maxInt = std::max(maxInt, v);
                            }
                            minInt = std::min(minInt, v);
                          });
    if (anyInterior && static_cast<Extended>(maxInt) > maxValue)
      maxValue = static_cast<Extended>(maxInt);
    if (static_cast<Extended>(minInt) < minValue) minValue = static_cast<Extended>(minInt);
    MaxValue = maxValue;
    MinValue = minValue;
    return;
  }
  ForEachSample<kBytes>(
      samples, W, H, fits, [&](const uint8_t* p, int32_t x, int32_t y, bool interior) {
        Extended v = 0;
        if constexpr (Bits == 8) {
          v = p[0];  // bytes are stored as they are, without scale or offset
        } else if constexpr (Bits == 16) {
          const auto s16 = static_cast<int16_t>((p[0] << 8) | p[1]);
          v = static_cast<Extended>(s16) * scale + offset;
        } else if constexpr (Bits == 32) {
          v = static_cast<Extended>(static_cast<int32_t>(BigEndian32(p))) * scale + offset;
        } else if constexpr (Bits == -32) {
          const uint32_t u = BigEndian32(p);
          float f = 0;
          std::memcpy(&f, &u, 4);
          // A NaN sample (a blank) counts as 0; so does an infinite one.
          const Extended sample = std::isfinite(f) ? static_cast<Extended>(f) : 0;
          v = scale * sample + offset;
        } else {
          const uint64_t u = BigEndian64(p);
          double d = 0;
          std::memcpy(&d, &u, 8);
          const Extended sample = std::isfinite(d) ? static_cast<Extended>(d) : 0;
          v = scale * sample + offset;
        }
        Column(x)[y] = v;
        // The maximum counts interior pixels only; the minimum counts them all.
        if (v > maxValue && interior) maxValue = v;
        if (v < minValue) minValue = v;
      });
  MaxValue = maxValue;
  MinValue = minValue;
}

namespace {

// What a FITS file's primary header says of its image, checked against the file's size.
struct FitsLayout {
  int64_t width = -1;
  int64_t height = -1;
  int64_t bits = 0;  ///< BITPIX (0: no card, read as 16-bit samples)
  Extended offset = 0;
  Extended scale = 1;
  int64_t endCard = -1;
  uint64_t dataStart = 0;  ///< offset of the first sample
  std::string header;      ///< the cards read, as HeaderText shows them (also on failure)
};

Status ParseFitsLayout(const uint8_t* data, size_t size, const std::string& name, FitsLayout& l) {
  int64_t& width = l.width;
  int64_t& height = l.height;
  int64_t& bits = l.bits;
  Extended& offset = l.offset;
  Extended& scale = l.scale;
  std::string& header = l.header;
  int64_t endCard = -1;

  const auto badValue = [&](ErrorCode code, const char* key, const std::string& text) {
    return Status::Fail(Error(code).Path(name).Field(key).Text(Trim(text.substr(9))));
  };
  const auto readInteger = [&](const std::string& text, const char* key, int64_t& out) {
    if (!ParseInt(Trim(text.substr(9)), out))
      return badValue(ErrorCode::KeywordNotAnInteger, key, text);
    return Status::Ok();
  };

  for (size_t i = 0; (i + 1) * kCard <= size; ++i) {
    std::string text =
        StripComment(std::string(reinterpret_cast<const char*>(data) + i * kCard, kCard));
    const std::string key = Prefix(text, 9);
    if (Prefix(text, 5) == "NAXIS") {
      if (key == "NAXIS1  =") {
        if (Status s = readInteger(text, "NAXIS1", width); !s) return s;
      } else if (key == "NAXIS2  =") {
        if (Status s = readInteger(text, "NAXIS2", height); !s) return s;
      }
    }
    if (key == "BZERO   =" && !ParseFitsReal(Trim(text.substr(9)), offset))
      return badValue(ErrorCode::KeywordNotANumber, "BZERO", text);
    if (key == "BSCALE  =" && !ParseFitsReal(Trim(text.substr(9)), scale))
      return badValue(ErrorCode::KeywordNotANumber, "BSCALE", text);
    if (key == "BITPIX  =") {
      if (Status s = readInteger(text, "BITPIX", bits); !s) return s;
    }
    if (Prefix(text, 8) == "END     ") text = "END";
    header += text;
    header += "\r\n";
    if (Trim(text) == "END") {
      endCard = static_cast<int64_t>(i);
      break;
    }
  }

  const std::vector<double> size2 = {static_cast<double>(width), static_cast<double>(height)};
  if (endCard < 0)
    return Status::Fail(Error(ErrorCode::NoEndCard).Path(name).Values({double(size / kCard)}));
  if (width < 0 || height < 0)
    return Status::Fail(
        Error(ErrorCode::NoImageCard).Path(name).Field(width < 0 ? "NAXIS1" : "NAXIS2"));
  if (width == 0 || height == 0)
    return Status::Fail(Error(ErrorCode::ImageSizeInvalid).Path(name).Values(size2));
  if (width > kMaxSide || height > kMaxSide || width * height > kMaxPixels)
    return Status::Fail(Error(ErrorCode::ImageTooLarge).Path(name).Values(size2));

  int bytesPerSample = 2;
  switch (bits) {
    case 8: bytesPerSample = 1; break;
    case 16: bytesPerSample = 2; break;
    case 32: bytesPerSample = 4; break;
    case -32: bytesPerSample = 4; break;
    case -64: bytesPerSample = 8; break;
    case 0: bytesPerSample = 2; break;  // no BITPIX card: read as 16-bit samples
    default:
      return Status::Fail(Error(ErrorCode::UnsupportedValue)
                              .Path(name)
                              .Field("BITPIX")
                              .Text("8, 16, 32, -32, -64")
                              .Values({static_cast<double>(bits)}));
  }

  l.endCard = endCard;
  const uint64_t dataStart = (static_cast<uint64_t>(endCard) / 36 + 1) * kBlock;
  l.dataStart = dataStart;
  const uint64_t needed = static_cast<uint64_t>(width) * static_cast<uint64_t>(height) *
                          static_cast<uint64_t>(bytesPerSample);
  const uint64_t available = size > dataStart ? size - dataStart : 0;
  if (available < needed)
    return Status::Fail(Error(ErrorCode::DataTruncated)
                            .Path(name)
                            .Values({size2[0], size2[1], double(needed), double(available)}));
  return Status::Ok();
}

// True when DecodeSamples takes every value of these samples as a whole number in 32 bits:
// 8-bit samples, and 16-bit samples of unit scale with a whole offset of moderate size.
bool WholeSamples(const FitsLayout& l) {
  if (l.bits == 8) return true;
  if (l.bits != 16 && l.bits != 0) return false;
  const bool wholeOffset = std::fabs(l.offset) < 0x1p52L && l.offset == std::trunc(l.offset);
  return l.scale == 1 && wholeOffset && l.offset > -(int64_t{1} << 30) &&
         l.offset < (int64_t{1} << 30);
}

}  // namespace

Status OTrame::ParseFits(const uint8_t* data, size_t size, const std::string& name,
                         const FitsOptions& fits) {
  FitsLayout layout;
  const Status parsed = ParseFitsLayout(data, size, name, layout);
  HeaderText = layout.header;
  if (!parsed) return parsed;
  const int64_t width = layout.width;
  const int64_t height = layout.height;
  const int64_t bits = layout.bits;
  const Extended offset = layout.offset;
  const Extended scale = layout.scale;
  const int64_t endCard = layout.endCard;
  const uint64_t dataStart = layout.dataStart;

  AllocateUninitialized(static_cast<int32_t>(width), static_cast<int32_t>(height));
  MaxValue = -10000000.0L;
  MinValue = std::numeric_limits<Extended>::max();
  const uint8_t* samples = data + dataStart;
  switch (bits) {
    case 8: DecodeSamples<8>(samples, scale, offset, fits); break;
    case 32: DecodeSamples<32>(samples, scale, offset, fits); break;
    case -32: DecodeSamples<-32>(samples, scale, offset, fits); break;
    case -64: DecodeSamples<-64>(samples, scale, offset, fits); break;
    default: DecodeSamples<16>(samples, scale, offset, fits); break;
  }
  // A FITS frame never holds negative values: the whole frame is shifted up.
  if (MinValue < 0) {
    const Extended shift = MinValue;
    for (Extended& v : m_pixels) v -= shift;
    for (int32_t& v : m_whole) v -= static_cast<int32_t>(shift);  // a whole number here
    MaxValue -= shift;
    MinValue = 0;
  }
  FormatText = "Format FIT";
  const FitsTimeReading time = ReadFitsTime(data, static_cast<size_t>(endCard + 1) * kCard, name);
  Time = time.time;
  TimeProblem = time.problem;
  return Status::Ok();
}

Status OTrame::SaveFits(const std::string& name, int mode, Extended low, Extended high) const {
  if (Empty()) return Status::Fail(Error(ErrorCode::NothingToWrite).Path(name));
  std::string header;
  header += Card("SIMPLE  =", "T");
  header += Card("BITPIX  =", "16");
  header += Card("NAXIS   =", "2");
  header += Card("NAXIS1  =", std::to_string(m_width));
  header += Card("NAXIS2  =", std::to_string(m_height));
  header += "END";
  header += std::string(kBlock - header.size(), ' ');

  Extended s = 1;
  if (mode == 0) {
    Extended range = std::fabs(high - low);
    if (range == 0) range = 1;
    s = 32767.0L / range;
  } else if (mode == 1) {
    s = MaxValue > 32767 ? 32767.0L / MaxValue : 1;
  }

  const size_t dataBytes = static_cast<size_t>(m_width) * m_height * 2;
  size_t total = kBlock + dataBytes;
  total = (total + kBlock - 1) / kBlock * kBlock;  // whole 2880-byte records, as FITS requires
  std::vector<uint8_t> out(total, 0);
  std::memcpy(out.data(), header.data(), kBlock);
  uint8_t* p = out.data() + kBlock;
  for (int32_t y = 0; y <= LastY; ++y) {
    for (int32_t x = 0; x <= LastX; ++x, p += 2) {
      const Extended v = Px(x, y);
      int64_t u = 0;
      if (mode == 0) {
        u = Nearest((v - low) * s);
        if (v >= high) u = 32767;
        if (v <= low) u = 0;
      } else {
        u = Nearest(v * s);
      }
      const int64_t hb = u / 256;  // towards zero
      const int64_t first = hb & 0xFF;
      p[0] = static_cast<uint8_t>(first);
      // The second byte is the low 8 bits of u - 256 * first, which are those of u itself.
      p[1] = static_cast<uint8_t>(static_cast<uint64_t>(u) & 0xFF);
    }
  }
  return ReplaceFile(name, out.data(), out.size());
}

Result<std::vector<uint8_t>> OTrame::EncodeLosslessFits() const {
  // The narrowest integer samples that hold every value as it is.
  Extended low = 0;
  Extended high = 0;
  for (int32_t x = 0; x < m_width; ++x) {
    for (int32_t y = 0; y < m_height; ++y) {
      const Extended v = Px(x, y);
      if (v != std::trunc(v) || v < -2147483648.0L || v > 2147483647.0L)
        return Unexpected(Error(ErrorCode::FitsNotLossless)
                              .Values({double(x), double(y), static_cast<double>(v)}));
      low = std::min(low, v);
      high = std::max(high, v);
    }
  }
  const bool unsigned16 = low >= 0 && high <= 65535;
  std::string header;
  header += Card("SIMPLE  =", "T");
  header += Card("BITPIX  =", unsigned16 ? "16" : "32");
  header += Card("NAXIS   =", "2");
  header += Card("NAXIS1  =", std::to_string(m_width));
  header += Card("NAXIS2  =", std::to_string(m_height));
  if (unsigned16) {
    header += Card("BZERO   =", "32768");
    header += Card("BSCALE  =", "1");
  }
  if (Time) header += FitsTimeCards(*Time);
  header += "END";
  header.resize((header.size() + kBlock - 1) / kBlock * kBlock, ' ');

  const size_t bytes = unsigned16 ? 2 : 4;
  const size_t dataBytes = static_cast<size_t>(m_width) * m_height * bytes;
  std::vector<uint8_t> out((header.size() + dataBytes + kBlock - 1) / kBlock * kBlock, 0);
  std::memcpy(out.data(), header.data(), header.size());
  uint8_t* p = out.data() + header.size();
  for (int32_t y = 0; y < m_height; ++y) {
    for (int32_t x = 0; x < m_width; ++x) {
      const auto v = static_cast<int64_t>(Px(x, y));
      // Big-endian two's complement; 16-bit samples hold v - 32768.
      const auto u = static_cast<uint32_t>(unsigned16 ? v - 32768 : v);
      for (size_t b = 0; b < bytes; ++b) *p++ = static_cast<uint8_t>(u >> (8 * (bytes - 1 - b)));
    }
  }
  return out;
}

Result<bool> ReadFitsRows(const std::string& name, FitsRows& out) {
  out.width = out.height = 0;
  out.values.clear();
  std::vector<unsigned char> bytes;
  if (Status read = ReadWholeFile(name, bytes); !read) return Unexpected(read.error);
  FitsLayout l;
  if (Status s = ParseFitsLayout(bytes.data(), bytes.size(), name, l); !s) {
    return Unexpected(s.error);
  }
  if (!WholeSamples(l)) return false;
  const size_t count = static_cast<size_t>(l.width) * static_cast<size_t>(l.height);
  out.values.resize(count);
  const uint8_t* samples = bytes.data() + l.dataStart;
  int32_t* v = out.values.data();
  if (l.bits == 8) {
    for (size_t i = 0; i < count; ++i) v[i] = samples[i];  // stored as they are
  } else {
    const auto off = static_cast<int32_t>(l.offset);
    for (size_t i = 0; i < count; ++i) {
      v[i] = static_cast<int16_t>((samples[2 * i] << 8) | samples[2 * i + 1]) + off;
    }
  }
  // The same shift of a frame with negative values as ParseFits.
  const int32_t minimum = *std::min_element(out.values.begin(), out.values.end());
  if (minimum < 0) {
    for (int32_t& x : out.values) x -= minimum;
  }
  out.width = static_cast<int32_t>(l.width);
  out.height = static_cast<int32_t>(l.height);
  return true;
}

}  // namespace orvek
