#include "measure/Measurement.h"

namespace orvek {

Extended ThresholdFor(const OMat& window, ThresholdMethod method, Extended frameMedian) {
  switch (method) {
    case ThresholdMethod::None: return 0;
    case ThresholdMethod::Background: return frameMedian;
    case ThresholdMethod::HalfHeight:
    default: return (window.Peak.Value - window.Min) / 2 + window.Min;
  }
}

MeasurePass MeasureOnce(const OTrame& frame, OMat& window, const rStarPos& point,
                        const MeasureSettings& settings, Raster* picture) {
  MeasurePass pass;
  pass.point = point;
  const Extended p = settings.half;
  rStarPos centre = point;
  if (settings.automatic) {
    frame.FindStar(Point(point.X - p, point.Y - p), Point(point.X + p, point.Y + p), centre);
  }
  window.FillFromFrame(frame, Point(centre.X - p, centre.Y - p), Point(centre.X + p, centre.Y + p));
  pass.mean = window.Count > 0 ? window.Sum / window.Count : 0;
  pass.threshold = settings.manualThreshold ? settings.manualThresholdValue
                                            : ThresholdFor(window, settings.method, frame.Median);
  pass.pictureValid = window.ComputeCentroid(pass.point, picture, settings.connected,
                                             static_cast<double>(frame.Median),
                                             static_cast<double>(pass.threshold));
  return pass;
}

MeasurePass MeasureAt(const OTrame& frame, OMat& window, const rStarPos& point,
                      const MeasureSettings& settings, Raster* picture) {
  MeasurePass pass = MeasureOnce(frame, window, point, settings, picture);
  if (settings.automatic) {
    // The second pass starts from the centroid of the first.
    Raster second;
    MeasurePass again =
        MeasureOnce(frame, window, pass.point, settings, picture ? &second : nullptr);
    if (picture != nullptr && again.pictureValid) *picture = std::move(second);
    pass = again;
  }
  return pass;
}

bool IsCentredSpectrum(const OTrame& frame) {
  const int32_t w = frame.Width();
  return !frame.Empty() && w == frame.Height() && (w == 64 || w == 128 || w == 256 || w == 512);
}

}  // namespace orvek
