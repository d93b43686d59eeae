#pragma once
// Basic value types shared by every layer of Orvek.

#include <cstdint>

namespace orvek {

/// The 80-bit x87 extended type on x86-64 g++: every pixel and measurement value.
using Extended = long double;

/// Value of an invalid measurement (a window whose centroid found nothing).
inline constexpr Extended kInvalidValue = -1.0L;

/// One located star, or a point or rectangle corner (then only X and Y are read).
/// Column X to the right, row Y downwards, 0-based frame pixels, may be fractional.
struct rStarPos {
  Extended X = 0;
  Extended Y = 0;
  Extended Value = 0;  ///< peak above the background passed in; kInvalidValue when invalid
  int32_t Count = 0;   ///< pixels used by the centroid
  int32_t SpanX = 0;   ///< column extent of those pixels
  int32_t SpanY = 0;   ///< row extent of those pixels
};

inline rStarPos Point(Extended x, Extended y) {
  rStarPos p;
  p.X = x;
  p.Y = y;
  return p;
}

}  // namespace orvek
