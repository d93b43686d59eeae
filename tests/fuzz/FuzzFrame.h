#pragma once
// Shared by the image-reader fuzz targets: what must hold after a read.

#include <cstdint>
#include <cstdlib>

#include "core/OTrame.h"

namespace orvek::fuzz {

/// A failure must be typed and name its file; a frame that was read must be whole, and must
/// go through what the program does next with every frame (statistics, star search).
inline void CheckRead(const Status& s, OTrame& frame) {
  if (!s) {
    if (s.error.code == ErrorCode::None || s.error.path.empty()) std::abort();
    return;
  }
  if (frame.Empty() ||
      static_cast<int64_t>(frame.Data().size()) != int64_t{frame.Width()} * frame.Height())
    std::abort();
  // Large frames (a few bytes of run-length BMP can describe millions of pixels) are read
  // but not searched, which would only slow the fuzzing down.
  if (frame.Data().size() > (size_t{1} << 20)) return;
  frame.ComputeStats();
  frame.FindStar(Point(0, 0), Point(frame.LastX, frame.LastY), frame.Star);
}

}  // namespace orvek::fuzz
