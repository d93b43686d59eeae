#pragma once
// The part of a correlation image round its zero shift, and what the close-pair measurement
// reads there: the strongest pair of symmetric secondary maxima, sub-pixel peak positions
// from a least-squares paraboloid, values between pixels, and the level of a ring.
//
// Offsets (dx, dy) are in pixels from the zero shift: dx along the columns (to the right), dy
// along the rows (downwards).

#include <optional>
#include <vector>

#include "core/OTrame.h"

namespace orvek::fourier {

/// Values at the offsets -radius..radius on both axes, in double precision.
class ShiftWindow {
 public:
  ShiftWindow() = default;
  explicit ShiftWindow(int radius);
  /// The window of `image` round the pixel (cx, cy); cells outside the image are 0.
  static ShiftWindow Cut(const OTrame& image, int cx, int cy, int radius);

  int Radius() const { return m_radius; }
  bool Contains(int dx, int dy) const {
    return dx >= -m_radius && dx <= m_radius && dy >= -m_radius && dy <= m_radius;
  }
  double At(int dx, int dy) const { return m_values[Index(dx, dy)]; }
  double& At(int dx, int dy) { return m_values[Index(dx, dy)]; }
  /// Element-wise sum and difference of windows of the same radius.
  ShiftWindow& operator+=(const ShiftWindow& other);
  ShiftWindow& operator-=(const ShiftWindow& other);

 private:
  size_t Index(int dx, int dy) const {
    return static_cast<size_t>(dx + m_radius) * (2 * m_radius + 1) + (dy + m_radius);
  }
  int m_radius = 0;
  std::vector<double> m_values;
};

/// A peak at sub-pixel offsets with its height.
struct PeakFit {
  double dx = 0;
  double dy = 0;
  double height = 0;
};

/// The least-squares paraboloid a + b x + c y + d x^2 + e x y + f y^2 through the 3 x 3 values
/// round (ix, iy): its summit, kept within half a pixel of (ix, iy) on each axis (a
/// paraboloid that is not a summit gives (ix, iy) itself), and its height there.
PeakFit FitPeak(const ShiftWindow& w, int ix, int iy);

/// A secondary maximum and its mirror image through the zero shift.
struct PeakPair {
  PeakFit peak;         ///< on the half-plane dy > 0, or dy = 0 and dx > 0
  PeakFit mirror;       ///< the maximum near (-peak.dx, -peak.dy)
  double strength = 0;  ///< sum of the two pixels' values
};

/// The pair of strict local maxima (greater than their eight neighbours) at distances
/// minRho..maxRho from the zero shift, each the mirror of the other within a pixel, whose
/// summed values are the largest; both are fitted with FitPeak. None when there is none with
/// positive values.
std::optional<PeakPair> StrongestSymmetricPair(const ShiftWindow& w, double minRho, double maxRho);

/// The largest value within `reach` pixels (on each axis) of the offset nearest (dx, dy),
/// fitted with FitPeak.
PeakFit FitPeakNear(const ShiftWindow& w, double dx, double dy, int reach);

/// The value at (dx, dy) interpolated linearly between the four pixels round it.
double Bilinear(const ShiftWindow& w, double dx, double dy);

/// The median of the pixels whose distance from the zero shift lies within half a pixel of
/// rho: the level of the image's smooth part at that distance.
double RingMedian(const ShiftWindow& w, double rho);

}  // namespace orvek::fourier
