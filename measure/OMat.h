#pragma once
// OMat: the measurement window, a small rectangle of pixel values cut from a frame round a
// point, with its brightest element and the thresholded, intensity-weighted centroid.

#include <cstdint>
#include <vector>

#include "core/OTrame.h"
#include "core/Raster.h"
#include "core/Types.h"

namespace orvek {

class OMat {
 public:
  std::vector<Extended> Values;  ///< element [i][j] at i * (NY + 1) + j
  int32_t X0 = 0;                ///< frame column of element [0][0]
  int32_t Y0 = 0;                ///< frame row of element [0][0]
  int32_t NX = -1;               ///< last column index (width - 1)
  int32_t NY = -1;               ///< last row index (height - 1)
  int32_t Count = 0;             ///< elements filled
  Extended Min = 0;              ///< smallest element
  Extended Sum = 0;              ///< sum of all elements
  rStarPos Peak;                 ///< frame position and value of the brightest element
  bool PeakFound = false;        ///< false when no element reached -1 (Peak is then meaningless)

  Extended At(int32_t i, int32_t j) const { return Values[static_cast<size_t>(i) * (NY + 1) + j]; }

  /// Fills the window with the frame pixels between the corners (both included, rounded to
  /// the nearest integer, halves to even); positions outside the frame give 0.
  void FillFromFrame(const OTrame& frame, const rStarPos& corner1, const rStarPos& corner2);
  /// Brightest element, ties to the element strictly nearer the window centre, then to the
  /// first in scan order. Elements below -1 are never chosen; when none qualifies the result
  /// keeps its X and Y with Value -1, and false is returned.
  bool FindMaxNearCentre(rStarPos& result) const;
  /// Centroid of the elements at or above `threshold` (only the 4-connected region holding
  /// the peak when `connected`), weighted by their raw values. Writes X, Y, Value (peak minus
  /// `background`, or -1 when invalid), Count, SpanX, SpanY into `result`. `picture`, when
  /// given and the measurement got past the threshold test, receives the region picture:
  /// green background, used pixels in grey. A 3 x 3 window uses all its non-negative pixels.
  /// Returns true when the picture was painted.
  bool ComputeCentroid(rStarPos& result, Raster* picture, bool connected, double background,
                       double threshold) const;
};

}  // namespace orvek
