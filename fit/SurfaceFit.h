#pragma once
// The two-star surface fit: a least-squares fit of two stars of one common profile on a
// constant floor to the pixels round the positions captured for A and B.
//
// Model at a point (X, Y): hA f(dA^2) + hB f(dB^2) + c, with dA^2 = (X - xA)^2 + (Y - yA)^2,
// f(d^2) = exp(-b d^2) / (1 + a d^2) (a Lorentzian part a, a Gaussian part b) and the floor
// c = 2, which is never fitted. The positions, heights and a, b are refined by Gauss-Newton
// iterations on the normal equations.
//
// Fit coordinates: the data value at fit coordinate (X, Y) is the frame pixel (X - 1, Y - 1),
// while the starting positions are frame pixels; a fitted position is therefore one more
// than the pixel position of the star on both axes (A - B differences are unaffected).

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "core/Error.h"
#include "core/OTrame.h"
#include "core/Status.h"
#include "core/Types.h"

namespace orvek {

/// Widest and tallest window the fit accepts, as x1 - x0 and y1 - y0 (200 points).
inline constexpr int32_t kSurfaceMaxSpan = 199;
/// Margin of the window round the two starting positions, in pixels.
inline constexpr int32_t kSurfaceMargin = 50;
/// Largest number of Gauss-Newton iterations of one pass.
inline constexpr int kSurfaceMaxIterations = 25;
/// A pass goes on while a position moved by more than this (pixels).
inline constexpr Extended kSurfaceMoveLimit = 0.006L;
/// Fitted heights never go below this; a pass succeeds only when both end above it.
inline constexpr Extended kSurfaceMinHeight = 20.0L;
/// The constant floor of the model.
inline constexpr Extended kSurfaceFloor = 2.0L;
/// Every failing pass doubles the frame, so pass k + 1 sees the pixels times 2^k. The passes
/// end once the doublings can no longer bring a pair up: when the window's brightest pixel
/// has been raised to kSurfaceScaleMargin doublings above the largest fixed number the pass
/// compares the data with (the weighting threshold of 100, or the median when larger). By
/// then those numbers lie below the 64-bit precision of the sums, so later passes repeat the
/// same normalised fit; a companion fainter than 2^-64 of the brightest pixel, which it would
/// take more doublings to lift above the height floor, is beyond that precision too.
inline constexpr int kSurfaceScaleMargin = 66;

/// The fitted parameters; positions in fit coordinates, heights above the floor.
struct SurfaceParams {
  Extended xA = 0, yA = 0, xB = 0, yB = 0;
  Extended hA = 0, hB = 0;
  Extended a = 0, b = 0;
};

/// The window of the fit: fit coordinates x0..x1 by y0..y1.
struct SurfaceWindow {
  int32_t x0 = 0, x1 = 0, y0 = 0, y1 = 0;
  int32_t Width() const { return x1 - x0 + 1; }
  int32_t Height() const { return y1 - y0 + 1; }
};

/// One Gauss-Newton iteration as the log shows it.
struct SurfaceIteration {
  int n = 0;                        ///< 1, 2, ...
  SurfaceParams params;             ///< after the step
  Extended ec = 0;                  ///< root-mean-square residual over the sample
  Extended theta = 0;               ///< angle of the log, degrees in [0, 360)
  Extended rho = 0;                 ///< A-B distance, pixels
  std::array<Extended, 9> delta{};  ///< the solved step (the ninth, the floor's, unused)
};

/// How a fit ended, and what it found. Every failure is shown to the user as the message
/// "msgErrSurface"; the error's code says which failure it was.
struct SurfaceFitResult {
  /// Code None when the pair is fitted, else SurfaceNoImage; SurfaceWindowTooLarge (values:
  /// width and height of the window, the largest side accepted, in points); SurfaceSingular
  /// or SurfaceNotFinite (row: the iteration, 0 for the data before the first);
  /// SurfaceNoSignal (every pixel of the window is 0); SurfaceNoPair (values: passes run, the
  /// height floor).
  Error error = Error(ErrorCode::SurfaceNoImage);
  int passes = 0;                      ///< passes run, the last one included
  std::vector<int> iterationsPerPass;  ///< iterations run by each pass, in order
  SurfaceWindow window;                ///< of the last pass
  SurfaceParams initial;               ///< starting values of the last pass
  Extended initialEc = 0;
  std::vector<SurfaceIteration> iterations;  ///< of the last pass
  SurfaceParams fit;                         ///< final values of the last pass
  Extended ec = 0, theta = 0, rho = 0;
  /// The model over the window, M[i][j] at index i * window.Height() + j (i = X - x0,
  /// j = Y - y0); set when the fit succeeded.
  std::vector<Extended> model;
  /// The log lines of the last pass, as the surface window shows them.
  std::vector<std::string> log;

  bool ok() const { return error.code == ErrorCode::None; }
  Extended Model(int32_t i, int32_t j) const {
    return model[static_cast<size_t>(i) * window.Height() + j];
  }
};

/// Runs the passes of the fit on `frame` (which is left as it is: a failing pass doubles a
/// copy; the median subtracted stays the frame's own). `capturedA` and `capturedB` are the
/// positions captured for A and B (X and Y read), in frame pixels. The passes go on until one
/// fits, a failure ends them, or SurfacePassLimit is reached; a positive `maxPasses` lowers
/// that limit.
SurfaceFitResult SurfaceFit(const OTrame& frame, const rStarPos& capturedA,
                            const rStarPos& capturedB, int maxPasses = 0);

/// The passes still worth running from a pass whose window's largest pixel is `largestPixel`
/// (as that pass reads it), on a frame of median `median`, that pass included: 1 + the
/// doublings that bring the largest pixel to 2^kSurfaceScaleMargin x max(100, |median|), so
/// at least 1 + kSurfaceScaleMargin, but no more than the doublings the extended range holds.
/// 1 when largestPixel <= 0: doubling cannot then raise any value of the data.
int SurfacePassLimit(Extended largestPixel, Extended median);

/// The window round two starting positions (frame pixels) on a frame of last indices
/// lastX, lastY: x0 = max(1, min - 50), x1 = min(lastX + 1, max + 50), the same for y.
SurfaceWindow SurfaceWindowFor(int32_t xA, int32_t yA, int32_t xB, int32_t yB, int32_t lastX,
                               int32_t lastY);

/// The profile f(d^2) = exp(-b d^2) / (1 + a d^2).
Extended SurfaceProfile(Extended d2, Extended a, Extended b);

/// The angle and distance of the log: t = arctan((xA - xB) / -((yA - yB) + 0.000001)) x 180
/// / 3.1416, plus 180 when yA - yB < 0, then 180 - t brought into [0, 360); theta = t + 90
/// brought into [0, 360); rho = the A-B distance in pixels.
void SurfaceAngle(Extended xA, Extended yA, Extended xB, Extended yB, Extended& theta,
                  Extended& rho);

/// Inverts the n x n matrix `a` (row-major) in place by Gauss-Jordan elimination with full
/// pivoting: the pivot is the element of largest magnitude among the rows and columns not
/// used yet, scanned row by row, a later element replacing the choice only when strictly
/// larger; the column exchanges are undone at the end. False when no non-zero pivot is
/// left (the matrix is singular; `a` is then partly reduced).
bool GaussJordanInvert(Extended* a, int n);

/// Fixed-point text of the log: the value (as a double) rounded to `precision`
/// significant digits, then to `decimals` decimals (both halves to even), written with
/// exactly `decimals` decimals and "." ("45.12", "1235", "0.020").
std::string FormatSurfaceNumber(Extended value, int precision, int decimals);

/// The first log line: "Nb passes : " + pass + " {k}" for each earlier pass.
std::string SurfacePassesLine(int pass, const std::vector<int>& earlierIterations);

/// Writes the model of a successful fit as an ORV file of window.Width() x window.Height()
/// values: value (i, j) = M[i][j], except row 0 and column 0, which stay 0. Fails with
/// NothingToWrite (path) when there is no fitted model.
Status WriteSurfaceModel(const SurfaceFitResult& result, const std::string& path);

}  // namespace orvek
