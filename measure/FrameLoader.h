#pragma once
// Loading a frame the way the main window's LoadAndShow does, without a window: read the
// file (bias subtracted, statistics, best star), then measure the star at the frame's best
// peak with the current measurement settings.

#include <string>

#include "core/OTrame.h"
#include "core/WorkerPool.h"
#include "measure/Measurement.h"
#include "measure/OMat.h"

namespace orvek {

struct LoadContext {
  const OTrame* bias = nullptr;     ///< the bias frame, or none
  FitsOptions fits;                 ///< FITS orientation options
  MeasureSettings measure;          ///< window size, framing, method, connectivity
  FrameProvider* frames = nullptr;  ///< frames read by name without files (a video's), or none
  WorkerPool* pool = nullptr;       ///< the program's pool, which series loops read ahead on
                                    ///< (none: every frame is read by the calling thread)
};

struct LoadedFrame {
  OTrame frame;       ///< the frame read
  LoadResult result;  ///< how the read ended
  OMat window;        ///< the measurement window of the star measurement
  MeasurePass star;   ///< CurrentPoint after the load: the measurement at frame.Star
};

/// Reads `path` into out.frame and, when that succeeds, measures at the frame's Star.
/// A missing file ends with LoadStatus::Error and the message "File not found".
LoadResult LoadAndMeasure(const std::string& path, const LoadContext& context, LoadedFrame& out);

}  // namespace orvek
