#include "speckle/SpeckleFrames.h"

#include <algorithm>

#include "series/BestOf.h"

namespace orvek::speckle {

namespace {
constexpr int kSides[] = {64, 128, 256, 512};
// Rows and columns at the edge of the picture in which the star must not show.
constexpr int kEdgeRing = 2;
// Light above the background that counts as the star: this share of the brightest pixel...
constexpr Extended kEdgeShare = 0.25L;
// ... and at least this many times the spread of a 3 x 3 mean of background (Sigma / 3).
constexpr Extended kEdgeSigmas = 5;
// Pixels at the automatic level that make a plateau rather than one bright sample.
constexpr int kPlateauPixels = 2;
}  // namespace

int SpeckleSide(int width, int height, int requested) {
  if (requested > 0) return requested;
  if (width == height) {
    for (int side : kSides) {
      if (side == width) return side;
    }
  }
  int best = 0;
  for (int side : kSides) {
    if (side <= width && side <= height) best = side;
  }
  return best;
}

Extended AutomaticSaturation(const OTrame& frame) {
  for (int bits : {8, 10, 12, 14, 16}) {
    const Extended full = static_cast<Extended>((1 << bits) - 1);
    if (frame.MaxValue <= full) return full;
  }
  return 0;
}

SpeckleFrameCheck CheckSpeckleFrame(LoadedFrame& loaded, int side, const MeasureSettings& measure,
                                    Extended saturation) {
  const OTrame& frame = loaded.frame;
  SpeckleFrameCheck check;
  loaded.star = MeasureAt(frame, loaded.window, frame.Star, measure);
  check.star = loaded.star.point;
  check.score = ScoreSignalToNoise(loaded);
  if (frame.Width() == side && frame.Height() == side) {
    check.window = CropWindow{0, 0, side - 1, side - 1};
  } else if (!CropWindowFor(check.star.X, check.star.Y, side, 0, 0, check.window)) {
    check.reject = SpeckleReject::NoStar;
    return check;
  }
  if (check.star.Value == kInvalidValue) {
    check.reject = SpeckleReject::NoStar;
    return check;
  }

  // The part of the crop inside the frame.
  const int x0 = std::max(0, check.window.left);
  const int y0 = std::max(0, check.window.top);
  const int x1 = std::min(frame.LastX, check.window.right);
  const int y1 = std::min(frame.LastY, check.window.bottom);
  if (x1 < x0 || y1 < y0) {
    check.reject = SpeckleReject::NoStar;
    return check;
  }
  const Extended automatic = saturation > 0 ? 0 : AutomaticSaturation(frame);
  int atLevel = 0;
  for (int x = x0; x <= x1; ++x) {
    for (int y = y0; y <= y1; ++y) {
      const Extended v = frame.Px(x, y);
      if (saturation > 0 ? v >= saturation : (automatic > 0 && v >= automatic)) ++atLevel;
    }
  }
  if (atLevel >= (saturation > 0 ? 1 : kPlateauPixels)) {
    check.reject = SpeckleReject::Saturated;
    return check;
  }
  // The star's light is judged on 3 x 3 means, so that a lone noise spike does not count.
  auto mean3 = [&](int x, int y) {
    Extended sum = 0;
    int n = 0;
    for (int i = std::max(x0, x - 1); i <= std::min(x1, x + 1); ++i) {
      for (int j = std::max(y0, y - 1); j <= std::min(y1, y + 1); ++j) {
        sum += frame.Px(i, j);
        ++n;
      }
    }
    return sum / n;
  };
  Extended brightest = mean3(x0, y0);
  for (int x = x0; x <= x1; ++x) {
    for (int y = y0; y <= y1; ++y) brightest = std::max(brightest, mean3(x, y));
  }
  const Extended rise =
      std::max(kEdgeShare * (brightest - frame.Median), kEdgeSigmas * frame.Sigma / 3);
  const Extended limit = frame.Median + rise;
  for (int x = x0; x <= x1; ++x) {
    for (int y = y0; y <= y1; ++y) {
      const bool edge =
          x - x0 < kEdgeRing || x1 - x < kEdgeRing || y - y0 < kEdgeRing || y1 - y < kEdgeRing;
      if (edge && mean3(x, y) > limit) {
        check.reject = SpeckleReject::AtBorder;
        return check;
      }
      // Inside the ring: jump to the far side of the row.
      if (!edge && y1 - kEdgeRing > y) y = y1 - kEdgeRing;
    }
  }
  return check;
}

void CropSpeckleFrame(const OTrame& frame, const CropWindow& window, OTrame& out) {
  const int w = window.Width();
  const int h = window.Height();
  if (out.Width() != w || out.Height() != h) out.AllocateUninitialized(w, h);
  for (int i = 0; i < w; ++i) {
    const int x = window.left + i;
    Extended* column = out.Column(i);
    if (x < 0 || x > frame.LastX) {
      std::fill(column, column + h, frame.Median);
      continue;
    }
    const Extended* source = frame.Column(x);
    for (int j = 0; j < h; ++j) {
      const int y = window.top + j;
      column[j] = (y < 0 || y > frame.LastY) ? frame.Median : source[y];
    }
  }
}

}  // namespace orvek::speckle
