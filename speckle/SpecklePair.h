#pragma once
// A close pair measured from a speckle series, with the quadrant resolved.
//
// The frames are cropped round their star (SpeckleFrames.h), optionally narrowed to the best
// by the best-of S/N score, and three sums are formed over the same frames:
//  - the power-spectrum sum of the interferometry commands (PowerSpectrumSum), whose centred
//    autocorrelation, less its box mean of the chosen radius (the background series), shows
//    the companion as a pair of symmetric secondary peaks: their offset from the centre gives
//    the separation and the position angle modulo 180 degrees;
//  - shift-and-add: every frame, less its background, moved so that its brightest speckle
//    lies on the centre, and summed; the companion stands on its true side of the centre;
//  - the cross-correlation of every frame (less its background) with its square, summed as
//    the cross-correlation command sums it, FFT(image) x conjugate(FFT(image^2)): the side of
//    the fainter star carries the larger of the two peaks.
// The two estimators decide the quadrant when they agree clearly. The errors come from a
// delete-a-group jack-knife over consecutive groups of the frames used.
//
// Offsets are in pixels of the crops: dx along the columns (to the right), dy along the rows
// (downwards); the companion B lies at A + (dx, dy).

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/OTrame.h"
#include "core/ObsTime.h"
#include "core/Progress.h"
#include "core/Result.h"
#include "core/WorkerPool.h"
#include "fourier/SpecklePeaks.h"
#include "measure/Measurement.h"
#include "series/FrameSource.h"
#include "speckle/SpeckleFrames.h"

namespace orvek::speckle {

/// Opens the frames afresh for one pass over them: the measurement reads them twice when it
/// keeps only the best.
using SpeckleFrameOpener = std::function<Result<std::unique_ptr<FrameSource>>()>;

struct SpeckleOptions {
  int side = 0;                ///< crop side 64, 128, 256 or 512; 0: SpeckleSide's choice
  double selectPercent = 100;  ///< keep the best PERCENT of the usable frames by S/N (0 < p)
  Extended saturation = 0;     ///< pixel level that saturates; 0: AutomaticSaturation
  /// Radius of the background series' box mean (1..9) on which the pair is looked for; 0:
  /// the radius where the pair stands out most from the spread of the values round it.
  int backgroundRadius = 0;
  double minRhoPx = 2;         ///< nearest companion looked for, pixels
  double maxRhoPx = 0;         ///< farthest, pixels (at most side / 2 - 12); 0: side / 4
  int groups = 10;             ///< jack-knife groups (at least 3 for errors)
  double resolveMargin = 3;    ///< each estimator's asymmetry beyond this many standard errors
  MeasureSettings measure;     ///< the star measurement at the best peak
  WorkerPool* pool = nullptr;  ///< shares the transforms (none: one thread)
};

/// One of the two quadrant estimators.
struct QuadrantEstimate {
  /// (v+ - v-) / (v+ + v- - 2 ring): v+ and v- the image's values at +(dx, dy) and -(dx, dy)
  /// of the autocorrelation peak, ring the median at that distance. Positive: B at +(dx, dy).
  double asymmetry = 0;
  double error = 0;  ///< jack-knife standard error (NaN with fewer than 3 groups)
};

/// A frame left out, with the reason.
struct SpeckleFrameNote {
  int64_t number = 0;  ///< the frame's number in its source (SourceFrame::number)
  SpeckleReject reason = SpeckleReject::None;
};

struct SpeckleResult {
  int side = 0;              ///< crop side used
  int backgroundRadius = 0;  ///< radius of the background series the pair was measured on
  /// The pair's height above the ring at its distance over the spread of the image between
  /// minRhoPx and maxRhoPx (1.4826 x the median absolute deviation).
  double contrast = 0;
  double dxPx = 0;  ///< B - A: when ambiguous, the side the estimators lean to
  double dyPx = 0;
  double rhoPx = 0;        ///< |(dx, dy)|
  double rhoErrPx = 0;     ///< jack-knife standard error (NaN with fewer than 3 groups)
  double angleDeg = 0;     ///< atan2(dy, dx) in degrees, -180..180 (pixel axes)
  double angleErrDeg = 0;  ///< jack-knife standard error of the angle
  double dm = 0;           ///< magnitude difference from the ratio of the secondary peak to the
                           ///< central one, r / (1 + r^2) for an intensity ratio r <= 1
  double peakRatio = 0;    ///< that ratio as measured
  bool resolved = false;   ///< both estimators agree by at least resolveMargin
  /// The weaker estimator's asymmetry in favour of the side given, in standard errors
  /// (negative when one leans the other way; NaN with fewer than 3 groups).
  double quadrantMargin = 0;
  QuadrantEstimate shiftAndAdd;
  QuadrantEstimate crossCorrelation;
  int framesUsed = 0;
  int framesRejected = 0;     ///< left out as NoStar, AtBorder or Saturated
  int framesNotSelected = 0;  ///< usable but below the best PERCENT
  int groups = 0;             ///< jack-knife groups that held frames
  std::vector<SpeckleFrameNote> rejected;
  /// Frames of the range that the source could not give (VideoFrameMissing, VideoDecode).
  std::vector<Error> sourceWarnings;
  /// The mean of the times of the frames used, when every one of them has a time.
  std::optional<UtcTime> meanTime;
  bool timeApproximate = false;  ///< one of those times stands for a whole video
  /// The background-subtracted autocorrelation the peaks were found on, as the background
  /// series writes it (zero shift at [side/2][side/2], shifted to a minimum of 0). The
  /// measurement itself replaces the zero-shift value, which holds the noise of all frames,
  /// by the summit of a Gaussian through its neighbours before subtracting the background.
  OTrame autocorrelation;
  /// The shift-and-add image (brightest speckle at [side/2][side/2]), mean of the frames.
  OTrame shiftAndAddImage;
  fourier::PeakFit
      companion;  ///< the peak on B's side, offsets from the centre, background-subtracted
  fourier::PeakFit mirror;  ///< the peak on the other side
};

/// Measures the pair. `observer` sees every frame of every pass (FrameLoaded false: STOP).
/// Failures: OutOfRange for an option outside its range (field = the option's name);
/// FrameTooSmall (v1 frame number, v2 width, v3 height, v4 = 64) for a frame smaller than
/// 64 x 64; SpeckleNoFrame (v1 frames, v2 NoStar, v3 AtBorder, v4 Saturated) when no frame is
/// usable; SpeckleNoPair (v1, v2 = the distances searched) when the autocorrelation has no
/// secondary pair; SpeckleStopped (v1 frames read) on STOP; and those of the frame source.
Result<SpeckleResult> MeasureClosePair(const SpeckleFrameOpener& open,
                                       const SpeckleOptions& options,
                                       SeriesObserver& observer = SilentObserver());
/// The same on the frames of `inputs` (one video, or image files) as OpenFrameSource gives them
/// with `source`, whose frames smaller than 64 x 64 are refused.
Result<SpeckleResult> MeasureClosePair(const std::vector<std::string>& inputs,
                                       FrameSourceOptions source, const SpeckleOptions& options,
                                       SeriesObserver& observer = SilentObserver());

/// The intensity ratio r <= 1 of two point sources whose autocorrelation has a secondary to
/// central peak ratio q = r / (1 + r^2) (q >= 0.5 gives 1, q <= 0 gives 0).
double IntensityRatioFromPeaks(double q);

}  // namespace orvek::speckle
