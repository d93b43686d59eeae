#pragma once
// AutoOrvek without a window: every frame of a series is loaded and measured at its best
// star (component A), B is measured where the captured offset B - A predicts it, and both
// enter the measurement table as one row.

#include <functional>
#include <string>
#include <vector>

#include "core/Error.h"
#include "core/Progress.h"
#include "core/Status.h"
#include "core/Types.h"
#include "measure/FrameLoader.h"
#include "measure/Measurement.h"
#include "measure/ReductionTable.h"

namespace orvek {

struct AutoOrvekSettings {
  /// Bias, FITS options and measurement settings. `context.measure.half` is the window
  /// half-size in use when the run starts (the main window's track bar); it carries over
  /// from frame to frame as the window's does.
  LoadContext context;
  Extended capturedAX = 0, capturedAY = 0;  ///< CapturedA
  Extended capturedBX = 0, capturedBY = 0;  ///< CapturedB
  int sizeA = 6;                            ///< SizeA: half-size when A was captured
  int sizeB = 6;                            ///< SizeB: half-size when B was captured
};

/// One step of the run, for a window that shows each measurement.
enum class AutoOrvekStep { Loaded, MeasuredA, MeasuredB };
using AutoOrvekHook = std::function<void(AutoOrvekStep step, const LoadedFrame& frame,
                                         const MeasurePass& pass, int half)>;

struct AutoOrvekResult {
  int rows = 0;                      ///< rows completed
  std::vector<std::string> skipped;  ///< frames that could not be read, with the reason
  Status recompute;                  ///< the first recomputation that failed, else ok
  int half = 6;                      ///< half-size in use at the end (SizeB after a frame)
  rStarPos currentPoint;             ///< CurrentPoint at the end
};

/// Runs AutoOrvek over `files` in order, entering one row per readable frame into `table`.
/// A frame that cannot be read is skipped (reported to the observer and in the result)
/// rather than entering the previous frame's measurement again. The observer sees every
/// loaded frame (FrameLoaded) and the progress after each row; the loop does not stop on
/// its answer, like the window's.
AutoOrvekResult RunAutoOrvek(const std::vector<std::string>& files, ReductionTable& table,
                             const AutoOrvekSettings& settings,
                             SeriesObserver& observer = SilentObserver(),
                             const AutoOrvekHook& hook = {});

/// The two brightest distinct stars of a frame, for a run without captured positions.
struct StarPair {
  bool found = false;
  Error error;    ///< why no pair was found: EmptyFrame, or NoCompanion (v1: the half-side)
  MeasurePass a;  ///< measured at the frame's best star, half-size halfA
  MeasurePass b;  ///< measured at the best star outside the exclusion square, halfB
};

/// Rule: A is the measurement at the frame's best star peak (`frame.Star`, found by
/// FindStar over the whole frame) with half-size `halfA` and the framing of `settings`.
/// For B, the square of half-side max(halfA, halfB) + 1 round A's peak is set to the
/// frame's minimum in a copy, and FindStar runs over the whole copy; its best pixel is taken
/// when it is a local maximum of the real frame (no neighbour brighter), otherwise it is
/// masked too and the search repeats (up to 200 candidates). B is then measured there with
/// half-size `halfB`, and kept when its height above the background (Value) exceeds 5 times
/// the frame's Sigma. So B's peak always lies outside A's measurement window; a pair closer
/// than that needs captured positions (--a / --b of orvek-cli reduce).
StarPair FindBrightestPair(const OTrame& frame, const MeasureSettings& settings, int halfA,
                           int halfB);

/// True when two measurements enter the table at the same place (X and Y rounded to 3
/// decimals, as the table writes them): a row of the two has a separation of 0.
bool SameTablePosition(const rStarPos& a, const rStarPos& b);

}  // namespace orvek
