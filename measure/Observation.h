#pragma once
// What a reduced series tells about a pair as an observation: its mean Besselian epoch, the
// dispersions and standard errors of theta and rho, the nights it spans, and, when the
// calibration's own uncertainty is known, the error of the result.

#include <optional>
#include <span>
#include <vector>

#include "core/Result.h"
#include "measure/Reduction.h"

namespace orvek {

/// One measured frame as the summary sees it.
struct ObservedRow {
  double thetaDeg = 0;          ///< position angle, degrees (any turn; 0 and 360 are alike)
  double rhoArcsec = 0;         ///< separation, arc-seconds
  std::optional<double> epoch;  ///< Besselian epoch of the frame's TT date, when timed
};

/// Means, dispersions and standard errors of a set of rows (a series or one night).
struct SeriesStats {
  int n = 0;
  std::optional<double> epoch;  ///< mean epoch of the rows that have one
  /// Mean position angle in [0, 360), taken across the 0/360 turn: the rows' angles are
  /// counted from the first one within (-180, 180], as the table's residuals fold them.
  double thetaDeg = 0;
  double rhoArcsec = 0;               ///< plain mean
  std::optional<double> thetaSdDeg;   ///< sqrt(sum of squared residuals / (n - 1)); n >= 2
  std::optional<double> rhoSdArcsec;  ///< the same for rho
  std::optional<double> thetaSemDeg;  ///< sd / sqrt(n)
  std::optional<double> rhoSemArcsec;
};

/// The calibration's own uncertainty (standard errors of Delta and Epsilon), when known.
struct CalibrationUncertainty {
  std::optional<double> deltaSdDeg;
  std::optional<double> epsilonSd;  ///< same unit as `epsilon`
  double epsilon = 1;               ///< the scale the rows were reduced with
};

struct ObservationSummary {
  SeriesStats all;
  /// Rows less than 8 hours from the previous one (in time order) share a night. Nights are
  /// in time order; the rows without a time form one night of their own, last, without epoch.
  std::vector<SeriesStats> nights;
  std::optional<double> thetaErrDeg;   ///< sqrt(sem^2 + deltaSd^2), with a Delta uncertainty
  std::optional<double> rhoErrArcsec;  ///< sqrt(sem^2 + (rho epsilonSd / epsilon)^2)
};

/// Two rows are of one night when less than this apart.
inline constexpr double kNightGapHours = 8;

/// One row per reduced pair: its theta and rho with the Besselian epoch of its frame's time
/// (none without a time). `reduction.pairs[i]` belongs to `pairs[i]`. Fails with BadTime for
/// a time ERFA refuses.
Result<std::vector<ObservedRow>> ObservedRows(std::span<const MeasuredPair> pairs,
                                              const Reduction& reduction);

/// Summarizes `rows`. No rows give n = 0 and no night. Fails with OutOfRange (field "theta",
/// "rho" or "epoch", with the row counted from 1) for a value that is not finite, or (field
/// "delta-sd", "epsilon-sd", "epsilon") for a negative uncertainty or a scale not above 0.
Result<ObservationSummary> Summarize(std::span<const ObservedRow> rows,
                                     const CalibrationUncertainty& calibration = {});

/// Delta and Epsilon of a series of frames of a pair whose theta and rho are known, with
/// their dispersions over the frames and standard errors (sd / sqrt n; none below 2 frames).
struct SeriesCalibration {
  int n = 0;
  /// Mean of (raw angle - known theta), taken across the 0/360 turn, in (-180, 180].
  double deltaDeg = 0;
  std::optional<double> deltaSdDeg, deltaSeDeg;
  double epsilon = 0;  ///< known rho / mean separation, arc-seconds per pixel height
  std::optional<double> epsilonSd, epsilonSe;  ///< of the frames' own scales known rho / d
};

/// The calibration of frames whose raw angles (degrees, the table's RawAngle) and separations
/// (pixel heights, binning removed) are given, pair by pair. Fails with NoMeasures for no
/// frame, with OutOfRange (field "theta" or "rho", no row) for a known value that is not
/// finite or a known rho not above 0, or (field "separation", row from 1) for a separation
/// not above 0.
Result<SeriesCalibration> CalibrateSeries(std::span<const double> rawThetaDeg,
                                          std::span<const double> separationPx,
                                          double knownThetaDeg, double knownRhoArcsec);

/// When a series of pairs was taken.
struct SeriesTimes {
  std::optional<double> meanEpoch;  ///< mean Besselian epoch of the pairs that have a time
  std::optional<FrameTime> first;   ///< the earliest pair's time
};

/// The times of `pairs`; none when no pair has a time. Fails with BadTime for a time ERFA
/// refuses.
Result<SeriesTimes> TimesOf(std::span<const MeasuredPair> pairs);

/// CalibrateSeries on `pairs` measured with `calibration`'s orientation and pixel shape: their
/// raw angles and separations are the pairs reduced with Delta 0, a scale of 1 and no binning.
/// Fails as Reduce and CalibrateSeries do.
Result<SeriesCalibration> CalibrateMeasured(std::span<const MeasuredPair> pairs,
                                            Calibration calibration, double knownThetaDeg,
                                            double knownRhoArcsec);

}  // namespace orvek
