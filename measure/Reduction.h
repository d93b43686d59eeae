#pragma once
// The reduction of measured pairs as values: positions, intensities and a calibration in;
// position angles, separations, magnitude differences, residuals, means and dispersions out,
// and the rejection's reasons. No texts, no files: the measurement table (ReductionTable)
// turns these values into its cells, the command line into JSON.
//
// Positions are frame pixels: column x to the right, row y downwards, 0-based. The unit of
// separation is the height of one pixel: horizontal offsets are scaled by pixel width /
// pixel height, then the separation is divided by the frame's binning.
//
// The arithmetic is the table's own, step for step: 80-bit extended values, the mean angle
// rounded to 2 decimals before the residuals, residuals and their sums of squares in single
// precision, so that the table shows the same digits it always has.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/Error.h"
#include "core/ObsTime.h"
#include "core/Result.h"
#include "core/Types.h"

namespace orvek {

/// How a pair was measured.
enum class PairKind {
  Direct,       ///< A and B measured as stars on the frame (clicks, AutoOrvek, a surface fit)
  Correlation,  ///< fast measurement on a correlation image: A is its centre, B a peak; the
                ///< peaks' heights give no magnitude difference
  Speckle,      ///< close-pair measurement of a speckle series: A is the autocorrelation's
                ///< centre, B the companion; intA and intB carry the pair's intensity ratio
};

/// One measured pair: component A and component B of one frame.
struct MeasuredPair {
  Extended xA = 0, yA = 0;  ///< A, frame pixels
  Extended xB = 0, yB = 0;  ///< B, frame pixels
  Extended intA = 0;        ///< Value of A: peak above the background; kInvalidValue when none
  Extended intB = 0;
  int64_t nA = 0;     ///< pixels of A's centroid region
  int64_t nB = 0;     ///< pixels of B's centroid region
  int64_t bin = 1;    ///< binning of the frame (4 "quad_quad_", 2 "quad_", else 1)
  std::string frame;  ///< folder and file name of the frame B was measured on
  PairKind kind = PairKind::Direct;
  std::optional<FrameTime> time;  ///< when the frame was taken, when known
};

/// The table's calibration.
struct Calibration {
  Extended deltaDeg = 0;            ///< orientation offset: theta = raw angle - Delta
  Extended epsilonArcsecPerPx = 1;  ///< scale in use, arc-seconds per pixel height
  bool northUp = true;              ///< "ns"; false: "sn" (north at the bottom)
  bool eastLeft = true;             ///< "ew"; false: "we" (east on the right)
  Extended pixelWidth = 5.6L;       ///< LPix; only pixelWidth / pixelHeight is used
  Extended pixelHeight = 5.6L;      ///< HPix
  bool binning = false;             ///< "2x Binning": the scale in use is twice the stored one
};

/// The table's mode: "Etalonnage" derives Delta and Epsilon from known theta and rho,
/// "Mesure" applies them.
enum class ReductionMode { Etalonnage = 0, Mesure = 1 };

/// Position angle and separation of a calibration pair, known beforehand.
struct KnownPair {
  Extended thetaDeg = 0;
  Extended rhoArcsec = 0;
};

/// The values of one pair.
struct ReducedPair {
  Extended separationPx = 0;   ///< in pixel heights, divided by the binning
  Extended thetaDeg = 0;       ///< in [0, 360]; 360 stays 360
  Extended rho = 0;            ///< arc-seconds; in calibration mode the pair's own scale
  std::optional<Extended> dM;  ///< 2.5 |log10(intA / intB)|; none for a correlation pair
                               ///< or when intA or intB is not > 0
  Extended rThetaDeg = 0;      ///< residual of theta: a single-precision value
  Extended rRho = 0;           ///< residual of rho: a single-precision value
};

/// The reduction of a list of pairs.
struct Reduction {
  std::vector<ReducedPair> pairs;
  double meanThetaDeg = 0;  ///< plain mean, normalised, rounded to 2 decimals
  Extended meanSeparationPx = 0;
  Extended meanRho = 0;        ///< Epsilon x mean separation; 0 in calibration mode
  Extended sigmaThetaDeg = 0;  ///< sqrt(sum of squared residuals / k), k = n - 1, 1 for n = 1
  Extended sigmaRho = 0;
  /// 2.5 |log10(sum intA / sum intB)| over the pairs that have a dM; none when no pair has
  /// one. With a dM on every pair it is the formula on the sums over all pairs.
  std::optional<Extended> dM;
  std::optional<Extended> epsilon;   ///< calibration mode: known rho / mean separation
  std::optional<Extended> deltaDeg;  ///< calibration mode: mean theta - known theta
};

/// Why a list of pairs cannot be reduced: code ZeroPixel (field "HPix"), ZeroBinning (row,
/// field "Bin") or SamePlace (row, calibration mode only). Rows count from 1.
using ReductionError = Error;

/// Reduces `pairs` with `calibration`. Measurement mode: theta = raw angle - Delta, rho =
/// Epsilon x separation. Calibration mode: theta = raw angle, rho = known rho / separation,
/// and the derived Epsilon and Delta. An empty list gives an empty reduction (no dM).
Result<Reduction, ReductionError> Reduce(std::span<const MeasuredPair> pairs,
                                         const Calibration& calibration,
                                         ReductionMode mode = ReductionMode::Mesure,
                                         const KnownPair& known = {});

/// Position angle in degrees of the offset (dx, dy): dy is negated when north is up, dx
/// when east is on the right, then 360 - atan2(dx, dy), normalised and rounded to 2 decimals.
/// With north up and east left it counts from north (up) through east (left).
double RawAngle(Extended dx, Extended dy, bool northUp, bool eastLeft);
/// Brings an angle into [0, 360] by steps of 360; 360 stays 360.
Extended Normalize360(Extended a);
/// 2.5 |ln(intA / intB)| / ln 10 when both are > 0, else none.
std::optional<Extended> MagnitudeDifference(Extended intA, Extended intB);

// ---- Rejection --------------------------------------------------------------------------------

/// Why a row is rejected.
enum class RejectCode {
  FewPixelsA,     ///< nA < 3 (value: nA)
  FewPixelsB,     ///< nB < 3 (value: nB)
  NoSignalA,      ///< intA not > 0 (value: intA)
  NoSignalB,      ///< intB not > 0 (value: intB)
  ZeroRho,        ///< rho = 0
  BelowSampling,  ///< rho < Epsilon (value: rho, limit: Epsilon)
  ThetaResidual,  ///< |rTheta| > factor x |sigma theta| (value: rTheta, limit)
  RhoResidual,    ///< |rRho| > factor x |sigma rho| (value: rRho, limit)
};

struct RejectReason {
  RejectCode code = RejectCode::ZeroRho;
  Extended value = 0;
  Extended limit = 0;
  bool operator==(const RejectReason&) const = default;
};

/// What every row is judged against: the scale and the dispersions as they stand.
struct RejectionLimits {
  Extended epsilon = 1;
  Extended factor = 3;  ///< FacteurRejet
  Extended sigmaThetaDeg = 0;
  Extended sigmaRho = 0;
};

/// The reasons to reject each pair (empty: kept), in the order of the codes. `reduced[i]`
/// belongs to `pairs[i]`; pairs beyond the shorter list are not judged.
std::vector<std::vector<RejectReason>> Reject(std::span<const MeasuredPair> pairs,
                                              std::span<const ReducedPair> reduced,
                                              const RejectionLimits& limits);

}  // namespace orvek
