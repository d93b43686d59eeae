#include "core/OTrame.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <type_traits>

#include "core/ExtendedCodec.h"
#include "core/Rounding.h"
#include "core/Utils.h"

namespace orvek {

namespace {

constexpr Extended kLargestExtended = std::numeric_limits<Extended>::max();
constexpr Extended kFarAway = 2147483647.0L;

// Sort keys that put NaN after every number, so that sorting never misbehaves.
bool GreaterNanLast(Extended a, Extended b) {
  if (std::isnan(a)) return false;
  if (std::isnan(b)) return true;
  return a > b;
}
bool LessNanLast(Extended a, Extended b) {
  if (std::isnan(a)) return false;
  if (std::isnan(b)) return true;
  return a < b;
}

template <class Sample>
void ScanForStar(const Sample* pixels, int32_t height, int32_t lastX, int32_t lastY,
                 const rStarPos& corner1, const rStarPos& corner2, rStarPos& result);

struct ClippedRect {
  Extended x1, y1, x2, y2, cx, cy;
};

ClippedRect Clip(const rStarPos& c1, const rStarPos& c2, int32_t lastX, int32_t lastY) {
  ClippedRect r;
  r.x1 = std::max(c1.X, Extended{0});
  r.y1 = std::max(c1.Y, Extended{0});
  r.x2 = std::min(c2.X, static_cast<Extended>(lastX));
  r.y2 = std::min(c2.Y, static_cast<Extended>(lastY));
  r.cx = r.x1 + (r.x2 - r.x1) / 2;
  r.cy = r.y1 + (r.y2 - r.y1) / 2;
  return r;
}

}  // namespace

std::string UpperExtension(const std::string& path) {
  const std::string name = FileNameOf(path);
  const auto dot = name.rfind('.');
  return dot == std::string::npos ? std::string{} : ToUpper(name.substr(dot));
}

bool IsOrvExtension(const std::string& upperExt) {
  return upperExt.compare(0, 4, ".ORV") == 0;
}

void OTrame::AllocateUninitialized(int32_t width, int32_t height) {
  m_width = std::max(width, 0);
  m_height = std::max(height, 0);
  const size_t n = static_cast<size_t>(m_width) * static_cast<size_t>(m_height);
  if (m_pixels.capacity() < n || m_pixels.capacity() > 2 * n + 1024) {
    // A new array (the old one is too small, or much too large to keep).
    PixelStore().swap(m_pixels);
    m_pixels.reserve(n);
  }
  m_pixels.resize(n);
  LastX = m_width > 0 ? m_width - 1 : 0;
  LastY = m_height > 0 ? m_height - 1 : 0;
}

void OTrame::Allocate(int32_t width, int32_t height) {
  AllocateUninitialized(width, height);
  // All-zero bytes are the extended value +0 (and clear the padding bytes too).
  if (!m_pixels.empty())
    std::memset(static_cast<void*>(m_pixels.data()), 0, m_pixels.size() * sizeof(Extended));
}

LoadResult OTrame::LoadFile(const std::string& name, const OTrame* bias, const FitsOptions& fits,
                            Raster* surface, WholeStore* wholeValues, FrameProvider* provider) {
  if (wholeValues != nullptr) wholeValues->clear();
  LoadResult result;
  HeaderText.clear();
  Time.reset();
  TimeProblem = Error();
  FileName = name;
  m_whole.clear();  // filled again by a reader that finds whole values
  const std::string ext = UpperExtension(name);
  Status read;
  if (provider != nullptr && provider->Provides(name)) {
    read = provider->Read(name, *this);
    if (read && surface != nullptr) *surface = Raster(m_width, m_height);
  } else if (ext == ".BMP") {
    read = ReadBmp(name, surface);
  } else if (ext == ".FIT" || ext == ".FITS" || ext == ".FTS") {
    read = ReadFits(name, fits, surface);
  } else if (IsOrvExtension(ext)) {
    read = ReadOrv(name, surface);
  } else {
    result.status = LoadStatus::UnknownExtension;
    result.error = Error(ErrorCode::WrongFormat).Path(name).Field("BMP, FITS, ORV");
    return result;
  }
  if (!read) {
    result.status = LoadStatus::Error;
    result.message = read.message;
    result.error = read.error;
    Allocate(0, 0);
    return result;
  }
  if (bias != nullptr && !bias->Empty() && bias->LastX == LastX && bias->LastY == LastY &&
      !IsOrvExtension(ext)) {
    ApplyBias(*bias);
    result.biasApplied = true;
    m_whole.clear();  // the values are no longer those read
  }
  ComputeStats();
  if (m_whole.size() == m_pixels.size()) {
    ScanForStar(m_whole.data(), m_height, LastX, LastY, Point(0, 0), Point(LastX, LastY), Star);
  } else {
    FindStar(Point(0, 0), Point(LastX, LastY), Star);
  }
  if (wholeValues != nullptr && m_whole.size() == m_pixels.size()) wholeValues->swap(m_whole);
  m_whole.clear();
  return result;
}

void OTrame::ApplyBias(const OTrame& bias) {
  MaxValue = 0;
  MinValue = kLargestExtended;
  const size_t n = m_pixels.size();
  const Extended* b = bias.m_pixels.data();
  for (size_t i = 0; i < n; ++i) {
    Extended v = m_pixels[i] - b[i];
    if (!(v >= 0)) v = 0;  // negative results, and NaN, become 0
    m_pixels[i] = v;
    MaxValue = std::max(MaxValue, v);
    MinValue = std::min(MinValue, v);
  }
}

Extended OTrame::GetPixel(int64_t x, int64_t y) const {
  if (Empty() || x < 0 || y < 0 || x > LastX || y > LastY) return 0;
  return Px(static_cast<int32_t>(x), static_cast<int32_t>(y));
}

void OTrame::SetPixel(int64_t x, int64_t y, Extended value) {
  if (Empty() || x < 1 || y < 1 || x > LastX || y > LastY) return;
  Px(static_cast<int32_t>(x), static_cast<int32_t>(y)) = value;
}

void OTrame::MaxInRect(const rStarPos& corner1, const rStarPos& corner2, rStarPos& result) const {
  const ClippedRect r = Clip(corner1, corner2, LastX, LastY);
  result.Value = -1.0L;
  result.X = 0;
  result.Y = 0;
  if (Empty()) return;
  Extended best = kFarAway;
  const int64_t i1 = Nearest(r.x1), i2 = Nearest(r.x2);
  const int64_t j1 = Nearest(r.y1), j2 = Nearest(r.y2);
  for (int64_t i = i1; i <= i2; ++i) {
    const Extended* col = Column(static_cast<int32_t>(i));
    for (int64_t j = j1; j <= j2; ++j) {
      const Extended v = col[j];
      if (!(v >= result.Value)) continue;
      const Extended d = std::sqrt((i - r.cx) * (i - r.cx) + (j - r.cy) * (j - r.cy));
      if (v > result.Value || d < best) {
        result.X = static_cast<Extended>(i);
        result.Y = static_cast<Extended>(j);
        result.Value = v;
        best = d;
      }
    }
  }
}

namespace {

// The sign-and-exponent word and the significand of an x87 value, as stored.
struct OrderKey {
  uint16_t top = 0;
  uint64_t significand = 0;
};

OrderKey KeyOf(const Extended* v) {
  OrderKey k;
  std::memcpy(&k.significand, v, sizeof k.significand);
  std::memcpy(&k.top, reinterpret_cast<const unsigned char*>(v) + 8, sizeof k.top);
  return k;
}

// True when the value is below a positive cutoff: any negative value (or -0) is, and
// values not below zero compare by exponent, then significand.
bool BelowCutoff(const OrderKey& k, const OrderKey& cutoff) {
  if (k.top & 0x8000u) return true;
  return k.top < cutoff.top || (k.top == cutoff.top && k.significand < cutoff.significand);
}

// A neighbour's whole value when it counts in a score (not brighter than the centre), else 0.
inline int64_t Counted(int64_t v, int64_t centre) {
  return v <= centre ? v : 0;
}

// The star search over a frame's values, column by column (`height` values per column):
// over the extended pixels themselves, or over their whole-number copy, which gives the
// same result (every score is computed from the same values, in the same order).
template <class Sample>
void ScanForStar(const Sample* pixels, int32_t height, int32_t lastX, int32_t lastY,
                 const rStarPos& corner1, const rStarPos& corner2, rStarPos& result) {
  const ClippedRect r = Clip(corner1, corner2, lastX, lastY);
  result.Value = -1.0L;
  result.X = 0;
  result.Y = 0;
  result.Count = 0;
  if (pixels == nullptr) return;
  constexpr Extended kDiagonal = 0.8L;
  // A score is at most 7.2 times the centre value (every neighbour counted is not brighter
  // than the centre), and at most 0 when that is negative. While the best score so far is
  // positive, pixels below best / 7.2 (less a margin that covers the rounding of the sum)
  // cannot win and are skipped with one comparison; the result is that of the full scan.
  // On the x87 type the test reads the value's bits as integers: for values not below zero,
  // the order of (exponent, significand) is the order of the values, and an integer load
  // is much cheaper than an 80-bit one. A whole value is below the cutoff exactly when it is
  // below the cutoff rounded up.
  constexpr bool kWhole = std::is_integral_v<Sample>;
  constexpr bool kX87Bits = !kWhole && std::numeric_limits<long double>::digits == 64 &&
                            std::endian::native == std::endian::little;
  bool cutoffActive = false;
  Extended cutoff = 0;
  OrderKey cutoffKey;
  // Whole values: no value is below the lowest int64 (no cutoff yet), and no estimate
  // below minus infinity.
  int64_t cutoffWhole = std::numeric_limits<int64_t>::min();
  double estimateFloor = -std::numeric_limits<double>::infinity();
  // The cutoffs only rise (the best score only rises, and a starting score may come first).
  Extended cutoffScore = -std::numeric_limits<Extended>::infinity();
  const auto setCutoff = [&](Extended bestScore) {
    if (!(bestScore > cutoffScore)) return;
    cutoffScore = bestScore;
    cutoffActive = bestScore > 0 && std::isfinite(bestScore);
    if (!cutoffActive) return;
    cutoff = bestScore / 7.2L * (1 - 1e-12L);
    if constexpr (kWhole) {
      cutoffWhole = static_cast<int64_t>(std::min(std::ceil(cutoff), 0x1p40L));
      estimateFloor = static_cast<double>(bestScore) * (1 - 1e-12);
    } else {
      cutoffKey = KeyOf(&cutoff);
    }
  };
  setCutoff(result.Value);
  // The score of interior pixel j of column `col`, between columns `left` and `right`.
  // Side neighbours count fully, diagonal ones at 0.8; a neighbour brighter than the centre
  // does not count, so a lone hot pixel scores no more than its background. Written without
  // branches (adding 0 for a neighbour that does not count): on a noisy background the
  // comparisons are unpredictable.
  const auto exactScore = [](const Sample* col, const Sample* left, const Sample* right, int64_t j,
                             int32_t& count) {
    Extended score = 0;
    const Extended c = static_cast<Extended>(col[j]);
    const Extended sides[4] = {static_cast<Extended>(col[j - 1]), static_cast<Extended>(col[j + 1]),
                               static_cast<Extended>(left[j]), static_cast<Extended>(right[j])};
    for (Extended v : sides) {
      const bool counts = v <= c;
      score += counts ? v : Extended{0};
      count += counts;
    }
    const Extended diagonals[4] = {
        static_cast<Extended>(left[j - 1]), static_cast<Extended>(left[j + 1]),
        static_cast<Extended>(right[j - 1]), static_cast<Extended>(right[j + 1])};
    for (Extended v : diagonals) {
      const bool counts = v <= c;
      score += counts ? kDiagonal * v : Extended{0};
      count += counts;
    }
    return score;
  };
  Extended best = kFarAway;
  const int64_t i1 = Nearest(r.x1), i2 = Nearest(r.x2);
  const int64_t j1 = Nearest(r.y1), j2 = Nearest(r.y2);
  const auto column = [&](int64_t i) { return pixels + static_cast<size_t>(i) * height; };
  // Whole values: the largest interior value of each column of the rectangle.
  std::vector<Sample> columnMax;
  const int64_t a1 = std::max<int64_t>(i1, 1), a2 = std::min<int64_t>(i2, lastX - 1);
  const int64_t b1 = std::max<int64_t>(j1, 1), b2 = std::min<int64_t>(j2, lastY - 1);
  if constexpr (kWhole) {
    // The cutoffs start from the score of the brightest interior pixel: the star found
    // scores at least that much, so nothing scoring less matters, and the background met
    // before the star is skipped too. (Whole values are cheap to look through.)
    int64_t brightI = -1;
    if (a1 <= a2 && b1 <= b2) {
      columnMax.resize(static_cast<size_t>(a2 - a1 + 1));
      for (int64_t i = a1; i <= a2; ++i) {
        const Sample* col = column(i);
        Sample m = col[b1];
        for (int64_t j = b1 + 1; j <= b2; ++j) m = std::max(m, col[j]);
        columnMax[static_cast<size_t>(i - a1)] = m;
        if (brightI < 0 || m > columnMax[static_cast<size_t>(brightI - a1)]) brightI = i;
      }
    }
    if (brightI >= 0) {
      const Sample* col = column(brightI);
      const int64_t brightJ =
          std::find(col + b1, col + b2 + 1, columnMax[static_cast<size_t>(brightI - a1)]) - col;
      int32_t count = 1;
      setCutoff(exactScore(col, column(brightI - 1), column(brightI + 1), brightJ, count));
    }
  }
  for (int64_t i = i1; i <= i2; ++i) {
    const bool interiorColumn = i > 0 && i < lastX;
    const Sample* col = column(i);
    const Sample* left = interiorColumn ? column(i - 1) : col;
    const Sample* right = interiorColumn ? column(i + 1) : col;
    // A column whose interior is wholly below the cutoff leaves only its end pixels.
    bool skipInterior = false;
    if constexpr (kWhole) {
      skipInterior =
          interiorColumn && b1 <= b2 && columnMax[static_cast<size_t>(i - a1)] < cutoffWhole;
    }
    for (int64_t j = j1; j <= j2; ++j) {
      if (skipInterior && j > 0 && j < lastY) {
        j = lastY - 1;
        continue;
      }
      Extended score = 0;
      int32_t count = 1;
      if (interiorColumn && j > 0 && j < lastY) {
        if constexpr (kWhole) {
          if (col[j] < cutoffWhole) continue;
          // Then the score is estimated in integers and a double; one that stays clearly
          // below the best so far (the margin covers the roundings of both computations many
          // times over) cannot win, and the exact sum is skipped.
          const int64_t cw = col[j];
          const int64_t sides = Counted(col[j - 1], cw) + Counted(col[j + 1], cw) +
                                Counted(left[j], cw) + Counted(right[j], cw);
          const int64_t diagonals = Counted(left[j - 1], cw) + Counted(left[j + 1], cw) +
                                    Counted(right[j - 1], cw) + Counted(right[j + 1], cw);
          const double estimate = static_cast<double>(sides) + 0.8 * static_cast<double>(diagonals);
          if (estimate < estimateFloor) continue;
        } else if (cutoffActive) {
          if constexpr (kX87Bits) {
            if (BelowCutoff(KeyOf(col + j), cutoffKey)) continue;
          } else {
            if (col[j] < cutoff) continue;
          }
        }
        score = exactScore(col, left, right, j, count);
      }
      if (!(score >= result.Value)) continue;
      const Extended d = std::sqrt((i - r.cx) * (i - r.cx) + (j - r.cy) * (j - r.cy));
      if (score > result.Value || d < best) {
        result.X = static_cast<Extended>(i);
        result.Y = static_cast<Extended>(j);
        result.Value = score;
        result.Count = count;
        best = d;
        setCutoff(score);
      }
    }
  }
}

}  // namespace

void OTrame::FindStar(const rStarPos& corner1, const rStarPos& corner2, rStarPos& result) const {
  ScanForStar(Empty() ? nullptr : m_pixels.data(), m_height, LastX, LastY, corner1, corner2,
              result);
}

void OTrame::ComputeStats() {
  if (Empty()) {
    Median = Mean = Sigma = 0;
    return;
  }
  std::vector<Extended> s;
  s.reserve(static_cast<size_t>(LastX) + LastY + 2);
  const int32_t midRow = static_cast<int32_t>(Nearest(static_cast<Extended>(LastY) / 2));
  const int32_t midCol = static_cast<int32_t>(Nearest(static_cast<Extended>(LastX) / 2));
  for (int32_t x = 0; x <= LastX; ++x) s.push_back(Px(x, midRow));
  for (int32_t y = 0; y <= LastY; ++y) s.push_back(Px(midCol, y));
  // Descending order; only the values at fixed ranks are used, so any correct sort serves.
  std::sort(s.begin(), s.end(), [](Extended a, Extended b) { return GreaterNanLast(a, b); });
  const int64_t h = static_cast<int64_t>(s.size()) - 1;
  Median = s[static_cast<size_t>(Nearest(static_cast<Extended>(h) / 2))];
  const int64_t i0 = Nearest(static_cast<Extended>(h) * 0.1L);
  const int64_t i1 = Nearest(static_cast<Extended>(h) * 0.97L);
  const int64_t m = i1 - i0 + 1;
  Extended sum = 0;
  for (int64_t i = i0; i <= i1; ++i) sum += s[static_cast<size_t>(i)];
  Mean = sum / m;
  Extended squares = 0;
  for (int64_t i = i0; i <= i1; ++i) {
    const Extended d = Mean - s[static_cast<size_t>(i)];
    squares += d * d;
  }
  Sigma = std::sqrt(squares / (m + 1));  // divisor m + 1, as the statistics always had
}

Extended OTrame::Percentile(int p) const {
  if (Empty()) return 0;
  std::vector<Extended> s(m_pixels.begin(), m_pixels.end());
  const int64_t h = static_cast<int64_t>(s.size()) - 1;
  int64_t index = Nearest(static_cast<Extended>(static_cast<int64_t>(p) * h) / 100);
  index = std::clamp<int64_t>(index, 0, h);
  std::nth_element(s.begin(), s.begin() + index, s.end(), LessNanLast);
  return s[static_cast<size_t>(index)];
}

OTrame& OTrame::ClearPixels() {
  std::fill(m_pixels.begin(), m_pixels.end(), Extended{0});
  return *this;
}

bool OTrame::WholeValues(WholeStore& out) const {
  out.resize(m_pixels.size());
  const Extended* in = m_pixels.data();
  if constexpr (kHostExtendedIsX87) {
    // From the stored bits, with integer operations only: no 80-bit load per pixel.
    for (size_t i = 0; i < m_pixels.size(); ++i) {
      const OrderKey k = KeyOf(in + i);
      const int exponent = (k.top & 0x7FFF) - 16383;
      if ((k.top & 0x7FFF) == 0) {
        if (k.significand != 0) return false;  // a subnormal is not whole
        out[i] = 0;
        continue;
      }
      // The integer bit must be set (an unnormal is no number); the value is below 2^31; no
      // bit below the units may be set.
      if ((k.significand >> 63) == 0 || exponent < 0 || exponent > 30) return false;
      if ((k.significand << (exponent + 1)) != 0) return false;
      const auto magnitude = static_cast<int32_t>(k.significand >> (63 - exponent));
      out[i] = (k.top & 0x8000) ? -magnitude : magnitude;
    }
  } else {
    for (size_t i = 0; i < m_pixels.size(); ++i) {
      const Extended v = in[i];
      if (!(std::fabs(v) < 0x1p31L) || v != std::trunc(v)) return false;
      out[i] = static_cast<int32_t>(v);
    }
  }
  return true;
}

void OTrame::SquarePixels() {
  for (Extended& v : m_pixels) v = v * v;
}

}  // namespace orvek
