#pragma once
// Drift calibration: a star trailing across the field with the drive stopped moves towards
// the west, so its path from the east end to the west end has the position angle 270
// degrees. The path is fitted as a straight line y = a x + b (least squares, extended
// precision); its two ends are entered into the measurement table in its calibration mode
// with the known angle 270, which gives the orientation offset Delta (txtDelta).
//
//  - DriftTrail ("Drift Analysis"): the trail on one image, followed column by column between
//    the two captured ends.
//  - SyntheticDrift ("Synthetic Drift"): the star of each ticked frame, one point per frame,
//    with the synthetic image "drift.orvc" of their crosses.
//  - FeedCalibration: the table's calibration mode fed with the fitted ends.
//
// Pixel coordinates: column x to the right, row y downwards, 0-based.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/OTrame.h"
#include "core/Output.h"
#include "core/Progress.h"
#include "core/Status.h"
#include "core/Types.h"
#include "measure/FrameLoader.h"
#include "measure/Measurement.h"
#include "series/BestOf.h"

namespace orvek {

class ReductionTable;

struct DriftPoint {
  Extended x = 0;
  Extended y = 0;
};

/// The fitted line y = a x + b.
struct DriftLine {
  Status status;  ///< DriftImpossible: fewer than two distinct x, or D = 0
  Extended a = 0;
  Extended b = 0;
  Extended D = 0;  ///< n Σx² - (Σx)²
  int points = 0;  ///< n
};

/// Least-squares line over the points, sums in extended precision:
/// D = n Σx² - (Σx)², a = (n Σxy - Σx Σy) / D, b = (Σy Σx² - Σx Σxy) / D.
/// Fewer than two distinct x, or D = 0 (or not finite), gives DriftImpossible.
DriftLine FitDriftLine(const std::vector<DriftPoint>& points);

/// The answer of the orientation dialog (TdlgSynthDrift): Yes = north up, east left
/// (BitBtn1); No = north up, east right (BitBtn2); Ok = north down, east left (BitBtn3);
/// Cancel = north down, east right (BitBtn4, and the system close command).
enum class DriftDialogResult { Yes, No, Ok, Cancel };

struct DriftOrientation {
  bool eastLeft = true;
  bool northUp = true;
};

/// east-left := Yes or Ok; north-up := Yes or No.
DriftOrientation OrientationFromDialog(DriftDialogResult result);
/// Parses "ns,ew" style text (vertical "ns" or "sn", horizontal "ew" or "we", either order).
bool ParseDriftOrientation(const std::string& text, DriftOrientation& out);

/// The two ends of the fitted line across the displayed frame: (0, b) and
/// (lastX, lastX a + b); the east end is the left one when east is left.
struct DriftEnds {
  DriftPoint east;
  DriftPoint west;
};
DriftEnds DriftLineEnds(const DriftLine& line, bool eastLeft, int32_t lastX);

/// The fitted line as drawn, red, from (0, nearest(b)) to (lastX, nearest(lastX a + b)).
struct DriftSegment {
  int32_t x1 = 0, y1 = 0, x2 = 0, y2 = 0;
};
DriftSegment DriftLineSegment(const DriftLine& line, int32_t lastX);

struct DriftTrailResult {
  Status status;    ///< DriftImpossible when the ends share a column or
                    ///< the points do not determine a line
  Extended a0 = 0;  ///< first line through the captured ends
  Extended b0 = 0;
  int columns = 0;                 ///< columns measured
  std::vector<DriftPoint> points;  ///< accepted centroids, in order (green crosses)
  DriftLine line;                  ///< the fit over `points`
  rStarPos current;                ///< CurrentPoint after the last measurement
  int32_t lastX = 0;               ///< the frame's last column
};

/// "Drift Analysis" on one frame: dx = B.X - A.X must not be 0. First line y = a0 x + b0
/// through A and B; from the end with the smaller X, for every column c between the two
/// ends rounded to the nearest integer (both included), the star is measured (MeasureOnce
/// with `settings`) at (c, a0 c + b0) and again from that centroid; a centroid that differs
/// from the previous accepted one is accepted. Then the line fit.
DriftTrailResult DriftTrail(const OTrame& frame, const rStarPos& capturedA,
                            const rStarPos& capturedB, const MeasureSettings& settings);

struct SyntheticDriftResult {
  Status status;                   ///< not ok: nothing ticked, first frame unreadable, image
                                   ///< refused or not written, or DriftImpossible
  std::vector<DriftPoint> points;  ///< star of each ticked frame, in list order
  DriftLine line;
  std::string imagePath;        ///< the synthetic image written ("" when none)
  int32_t lastX = 0;            ///< last column of the synthetic image
  LoadedFrame shown;            ///< the synthetic image loaded and measured, as shown
  std::vector<Error> warnings;  ///< ticked frames that could not be read (not counted)
};

/// "Synthetic Drift": a blank frame of the first ticked frame's size; every ticked frame is
/// loaded and measured with `context`, its star (CurrentPoint) counts as one point and draws
/// a cross of value 255 and half-length 5 into the blank frame (through SetPixel, so never
/// on column 0 or row 0). The image is written whole as `imageName` into `output` (the window
/// passes the working folder "tempc" and "drift.orvc"), read back and measured, and the
/// points are fitted. The working folder's earlier image is deleted first; in a folder of the
/// user's an existing file of that name stops the command before any frame is read (unless
/// overwrite). No STOP here.
SyntheticDriftResult SyntheticDrift(const std::vector<SeriesItem>& items,
                                    const LoadContext& context, const OutputFolder& output,
                                    const std::string& imageName,
                                    SeriesObserver& observer = SilentObserver());

struct FeedResult {
  Status status;      ///< not ok: the line is not usable, or the table could not compute
  std::string delta;  ///< txtDelta afterwards
  std::optional<double> deltaDeg;  ///< the same as a number; none when it is not one
  DriftEnds ends;                  ///< the points entered as A (east) and B (west)
};

/// Feeds the table's calibration mode with the fitted line: remembers txtEps, txtRho,
/// txtTheta, the dispersions, txtDm and the mode; empties the table (RAZ); toggles the
/// orientation buttons so that "E" shows exactly when east is left and "N" exactly when north
/// is up; txtTheta := "270"; mode "Etalonnage"; enters the east end as A and the west end as
/// B (SaveCentroid of `current` with X and Y replaced, measured on `framePath`), which makes
/// the table derive txtDelta; empties the table again and puts the remembered texts and mode
/// back. Only txtDelta (and the orientation chosen) stay changed. With a line that is not
/// usable nothing at all is changed.
FeedResult FeedCalibration(ReductionTable& table, const DriftLine& fit, bool eastLeft, bool northUp,
                           int32_t lastX, const rStarPos& current = {},
                           const std::string& framePath = {});

}  // namespace orvek
