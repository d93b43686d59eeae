#pragma once
// One measurement of a star on a frame, as the main window's click or a series command
// makes it: framing (manual or automatic), threshold by method, centroid.

#include <cstdint>

#include "core/OTrame.h"
#include "core/Raster.h"
#include "core/Types.h"
#include "measure/OMat.h"

namespace orvek {

/// Threshold methods ("Méthode").
enum class ThresholdMethod { None = 0, HalfHeight = 1, Background = 2 };

struct MeasureSettings {
  int half = 6;           ///< window half-size P: the window is (2P + 1) x (2P + 1)
  bool automatic = true;  ///< "Automatique" framing: centre on FindStar within P pixels
  ThresholdMethod method = ThresholdMethod::HalfHeight;
  bool connected = true;         ///< "Ctl Adj": only the region connected to the peak
  bool manualThreshold = false;  ///< use `manualThresholdValue` (the dragged threshold)
  Extended manualThresholdValue = 0;
};

/// What one pass leaves behind, for the window to show.
struct MeasurePass {
  rStarPos point;          ///< the measurement (CurrentPoint)
  Extended threshold = 0;  ///< threshold used (LastThreshold)
  Extended mean = 0;       ///< window Sum / Count
  bool pictureValid = false;
};

/// One pass (MeasureOnce): fills `window` round `point` (or round the best star within P
/// pixels when automatic), picks the threshold and computes the centroid. `picture`, when
/// given, receives the region picture if one was painted.
MeasurePass MeasureOnce(const OTrame& frame, OMat& window, const rStarPos& point,
                        const MeasureSettings& settings, Raster* picture = nullptr);

/// MeasureAt: one pass with manual framing; two with automatic framing, the second
/// starting from the centroid of the first.
MeasurePass MeasureAt(const OTrame& frame, OMat& window, const rStarPos& point,
                      const MeasureSettings& settings, Raster* picture = nullptr);

/// Threshold of a filled window by method (background = the frame's Median).
Extended ThresholdFor(const OMat& window, ThresholdMethod method, Extended frameMedian);

/// True when the frame is square with a side of 64, 128, 256 or 512 (a centred spectrum).
bool IsCentredSpectrum(const OTrame& frame);

}  // namespace orvek
