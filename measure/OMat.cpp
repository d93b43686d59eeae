#include "measure/OMat.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "core/Rounding.h"

namespace orvek {

namespace {
constexpr int64_t kMaxWindowElements = int64_t{1} << 22;
constexpr Extended kFarAway = 2147483647.0L;
}  // namespace

void OMat::FillFromFrame(const OTrame& frame, const rStarPos& corner1, const rStarPos& corner2) {
  const int64_t x1 = Nearest(corner1.X);
  const int64_t x2 = Nearest(corner2.X);
  const int64_t y1 = Nearest(corner1.Y);
  const int64_t y2 = Nearest(corner2.Y);
  Values.clear();
  Min = std::numeric_limits<Extended>::max();
  Sum = 0;
  Count = 0;
  PeakFound = false;
  const int64_t nx = x2 - x1;
  const int64_t ny = y2 - y1;
  if (nx < 0 || ny < 0 || (nx + 1) * (ny + 1) > kMaxWindowElements ||
      x1 < std::numeric_limits<int32_t>::min() || y1 < std::numeric_limits<int32_t>::min() ||
      x2 > std::numeric_limits<int32_t>::max() || y2 > std::numeric_limits<int32_t>::max()) {
    NX = -1;
    NY = -1;
    Peak.Value = kInvalidValue;
    return;
  }
  NX = static_cast<int32_t>(nx);
  NY = static_cast<int32_t>(ny);
  X0 = static_cast<int32_t>(x1);
  Y0 = static_cast<int32_t>(y1);
  Values.resize(static_cast<size_t>((nx + 1) * (ny + 1)));
  size_t k = 0;
  for (int32_t i = 0; i <= NX; ++i) {
    for (int32_t j = 0; j <= NY; ++j) {
      const Extended v = frame.GetPixel(static_cast<int64_t>(X0) + i, static_cast<int64_t>(Y0) + j);
      Values[k++] = v;
      Sum += v;
      Min = std::min(v, Min);
      ++Count;
    }
  }
  PeakFound = FindMaxNearCentre(Peak);
}

bool OMat::FindMaxNearCentre(rStarPos& result) const {
  const Extended cx = static_cast<Extended>(NX) / 2;
  const Extended cy = static_cast<Extended>(NY) / 2;
  Extended best = kFarAway;
  result.Value = -1.0L;
  bool found = false;
  for (int32_t i = 0; i <= NX; ++i) {
    for (int32_t j = 0; j <= NY; ++j) {
      const Extended v = At(i, j);
      if (!(v >= result.Value)) continue;
      const Extended d = std::sqrt((i - cx) * (i - cx) + (j - cy) * (j - cy));
      if (v > result.Value || d < best) {
        result.X = static_cast<Extended>(i) + X0;
        result.Y = static_cast<Extended>(j) + Y0;
        result.Value = v;
        best = d;
        found = true;
      }
    }
  }
  return found;
}

bool OMat::ComputeCentroid(rStarPos& result, Raster* picture, bool connected, double background,
                           double threshold) const {
  if (NX + 1 == 3 && NY + 1 == 3) {
    // The smallest window uses every one of its nine pixels that is not negative.
    threshold = 0;
    connected = false;
  }
  result.Value = -1.0L;
  result.Count = 0;
  // No element reached -1: there is no peak to grow a region from, the measurement is invalid.
  if (!PeakFound || NX < 0 || NY < 0) return false;
  if (!(Peak.Value - threshold > 0)) return false;

  const int32_t w = NX + 1;
  const int32_t h = NY + 1;
  std::vector<uint8_t> mask(static_cast<size_t>(w) * h, 0);
  const auto idx = [h](int32_t i, int32_t j) { return static_cast<size_t>(i) * h + j; };
  for (int32_t i = 0; i < w; ++i)
    for (int32_t j = 0; j < h; ++j) mask[idx(i, j)] = (At(i, j) >= threshold) && !connected;

  if (connected) {
    const int64_t pi = Nearest(Peak.X) - X0;
    const int64_t pj = Nearest(Peak.Y) - Y0;
    if (pi < 0 || pj < 0 || pi >= w || pj >= h) return false;
    mask[idx(static_cast<int32_t>(pi), static_cast<int32_t>(pj))] = 1;
    // Grow the region by full scans until one changes nothing; an element joined during a
    // scan passes the region on within the same scan.
    bool changed = true;
    while (changed) {
      changed = false;
      for (int32_t i = 0; i < w; ++i) {
        for (int32_t j = 0; j < h; ++j) {
          if (mask[idx(i, j)] || !(At(i, j) >= threshold)) continue;
          if ((i > 0 && mask[idx(i - 1, j)]) || (i + 1 < w && mask[idx(i + 1, j)]) ||
              (j > 0 && mask[idx(i, j - 1)]) || (j + 1 < h && mask[idx(i, j + 1)])) {
            mask[idx(i, j)] = 1;
            changed = true;
          }
        }
      }
    }
  }

  double sx = 0, sy = 0, sw = 0;
  int32_t count = 0;
  int32_t minI = 2147483647, maxI = -1, minJ = 2147483647, maxJ = -1;
  for (int32_t i = 0; i < w; ++i) {
    for (int32_t j = 0; j < h; ++j) {
      if (!mask[idx(i, j)]) continue;
      const double v = static_cast<double>(At(i, j));
      sx += i * v;
      sy += j * v;
      sw += v;
      ++count;
      minI = std::min(minI, i);
      maxI = std::max(maxI, i);
      minJ = std::min(minJ, j);
      maxJ = std::max(maxJ, j);
    }
  }
  if (sw == 0) sw = 1;
  result.Count = count;
  // The weights are the raw pixel values, not the values above the threshold.
  result.X = static_cast<Extended>(sx / sw + X0);
  result.Y = static_cast<Extended>(sy / sw + Y0);
  result.Value = Peak.Value - background;
  result.SpanX = std::abs(maxI - minI);
  result.SpanY = std::abs(maxJ - minJ);
  if (result.Value < 0 || result.X == 0 || result.Y == 0) result.Value = -1.0L;

  if (picture != nullptr) {
    *picture = Raster(w, h);
    Extended vmin = Peak.Value;
    Extended vmax = 0;
    for (const Extended v : Values) {
      vmin = std::min(vmin, v);
      vmax = std::max(vmax, v);
    }
    const Extended range = vmax - vmin + 1;
    for (int32_t i = 0; i < w; ++i) {
      for (int32_t j = 0; j < h; ++j) {
        if (mask[idx(i, j)] && At(i, j) >= threshold) {
          const int64_t g = std::min<int64_t>(Nearest((At(i, j) + 1 - vmin) * 255 / range), 255);
          const auto grey = static_cast<uint8_t>(std::max<int64_t>(g, 0));
          picture->Set(i, j, grey, grey, grey);
        } else {
          picture->Set(i, j, 0, 200, 0);
        }
      }
    }
  }
  return true;
}

}  // namespace orvek
