#pragma once
// Synthetic pairs for the surface-fit tests: two stars of the fit's own profile,
// exp(-b d^2) / (1 + a d^2) with a = 0.02 and b = 0.008, written out here in double
// precision independently of the library.

#include <cmath>

#include "core/OTrame.h"

namespace orvek::test {

/// The profile of the fitted model, in double precision.
inline double PairProfile(double d2, double a = 0.02, double b = 0.008) {
  return std::exp(-b * d2) / (1.0 + a * d2);
}

struct PairSpec {
  double ax = 0, ay = 0;  ///< star A, frame pixels
  double bx = 0, by = 0;  ///< star B
  double heightA = 1000, heightB = 1000;
  double floor = 2;
  /// Only pixels with left <= x <= right and top <= y <= bottom get stars and floor; the
  /// rest of the frame stays 0. A negative `right` means the whole frame.
  int left = 0, top = 0, right = -1, bottom = -1;
};

/// Value of the pair at pixel (x, y), in double precision.
inline double PairValue(const PairSpec& s, int x, int y) {
  const double dA = (x - s.ax) * (x - s.ax) + (y - s.ay) * (y - s.ay);
  const double dB = (x - s.bx) * (x - s.bx) + (y - s.by) * (y - s.by);
  return s.heightA * PairProfile(dA) + s.heightB * PairProfile(dB) + s.floor;
}

/// A width x height frame holding the pair, with its statistics computed.
inline OTrame PairFrame(int width, int height, const PairSpec& s) {
  OTrame f;
  f.Allocate(width, height);
  for (int x = 0; x < width; ++x) {
    for (int y = 0; y < height; ++y) {
      const bool inside =
          s.right < 0 || (x >= s.left && x <= s.right && y >= s.top && y <= s.bottom);
      if (inside) f.Px(x, y) = PairValue(s, x, y);
    }
  }
  f.ComputeStats();
  return f;
}

}  // namespace orvek::test
