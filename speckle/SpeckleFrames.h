#pragma once
// Frames of a close-pair series made ready for the speckle measurement: the star measured at
// the frame's best peak as a load measures it, the best-of S/N score, a square crop of a side
// the transform takes placed round the star as the alignment places its crops, and the two
// reasons a frame is left out: its star touches the edge of the picture, or it saturates.
//
// Pixels: column x to the right, row y downwards, 0-based.

#include <cstdint>

#include "core/OTrame.h"
#include "core/Types.h"
#include "measure/FrameLoader.h"
#include "series/Stacking.h"

namespace orvek::speckle {

/// Smallest frame side the measurement takes.
inline constexpr int kSpeckleMinSide = 64;

/// The crop side for frames of width x height. `requested` (64, 128, 256 or 512) when given;
/// else the frame's own side when it is such a square, else the largest of those sides that
/// fits in the frame; 0 when the frame is smaller than 64 x 64.
int SpeckleSide(int width, int height, int requested);

/// Why a frame was left out.
enum class SpeckleReject {
  None,       ///< used
  NoStar,     ///< the star measurement at the best peak is invalid
  AtBorder,   ///< the star's light reaches the edge of the picture
  Saturated,  ///< the star holds saturated pixels
};

/// What the preparation found on one frame.
struct SpeckleFrameCheck {
  rStarPos star;       ///< the measurement at the frame's best peak (CurrentPoint)
  Extended score = 0;  ///< best-of S/N: star.Value / (Mean + Sigma), the divisor 1 when 0
  CropWindow window;   ///< the crop, in frame pixels (may reach outside the frame)
  SpeckleReject reject = SpeckleReject::None;
};

/// The saturation level of a frame when none is given: the smallest full scale 2^k - 1
/// (k = 8, 10, 12, 14, 16) at or above the frame's MaxValue; 0 (none) above 65535.
Extended AutomaticSaturation(const OTrame& frame);

/// Measures the star of `loaded.frame` (whose statistics and Star are those of its load) with
/// `measure`, scores it, places the side x side crop and looks for the reasons to leave it
/// out. The crop is the whole frame when the frame is side x side; else the alignment's
/// window round the measured star, without offsets. The star touches the edge when the mean
/// of 3 x 3 pixels centred in the two outermost rows or columns of the part of the crop
/// inside the frame rises above the background (Median) by more than a quarter of the
/// brightest such mean and by more than five times Sigma / 3. It saturates when a pixel of
/// that part reaches `saturation` (> 0), or, with `saturation` 0, when two pixels reach
/// AutomaticSaturation.
SpeckleFrameCheck CheckSpeckleFrame(LoadedFrame& loaded, int side, const MeasureSettings& measure,
                                    Extended saturation);

/// Copies the crop window of `frame` into `out` (window size, [x][y] as a frame), pixels
/// outside the frame taking its Median, as the alignment writes its crops.
void CropSpeckleFrame(const OTrame& frame, const CropWindow& window, OTrame& out);

}  // namespace orvek::speckle
