#pragma once
// Pixel-level operations on a frame: the quad-pixel resampling "QuadPx", division and
// multiplication by a second image, the 3 x 3 smoothing "LowPass" and "Conv", the correlation
// of two images through OFFT with every stage written to a file.
//
// Each command works on a copy of the frame it is given and writes its result as an ORV file
// into an output folder (normally the working folders "tempc" or "temp"; in a folder of the
// user's a file that exists is refused unless overwrite); the result says which file the
// window should show (LoadAndShow) and why a command failed. The frame computations are also
// available on their own, in memory.

#include <array>
#include <string>
#include <vector>

#include "core/OTrame.h"
#include "core/Output.h"
#include "core/Status.h"
#include "core/Types.h"
#include "core/WorkerPool.h"

namespace orvek::fourier {

/// Working folder of "QuadPx".
inline constexpr const char* kQuadFolder = "tempc";
/// Working folder of "Div", "Mult", "LowPass" and "Conv".
inline constexpr const char* kArithmeticFolder = "temp";
/// Prefix of a quad-pixel image's file name; a file named "quad_quad_..." is not resampled again.
inline constexpr const char* kQuadPrefix = "quad_";
inline constexpr const char* kQuadExtension = ".orvc";
inline constexpr const char* kDivFile = "div.orv";
inline constexpr const char* kMultFile = "mult.orv";
inline constexpr const char* kLowPassFile = "lowpass.orv";
/// The files of "Conv", in the order written: both images, both transforms, the product with
/// the conjugate, its inverse transform and the centred result (shown at the end).
inline constexpr std::array<const char*, 7> kConvStageFiles = {
    "f0_img1.orv",   "f0_img2.orv", "f1_fft1.orv", "f2_fft2.orv",
    "f3_Correl.orv", "f4_ffti.orv", "f5_final.orv"};
/// Top value of every "Conv" stage written (WriteToFrame).
inline constexpr Extended kConvTop = 65535.0L;

/// How an arithmetic command ended.
enum class ArithmeticStatus {
  Written,       ///< result written: `shown` names the file to show
  WrongSize,     ///< "Conv": the current image is not a centred spectrum (NotCentredSize)
  SizeMismatch,  ///< the second image does not fit the current one (SecondImageSize)
  TooFewRows,    ///< "Conv": the second image has the right width but fewer rows (TooFewRows)
  TooLarge,      ///< "QuadPx": the resampled image would exceed the largest frame handled
  WriteFailed,   ///< a file could not be written, or would replace a file of the user's
};

/// What a command leaves for the window.
struct ArithmeticResult {
  ArithmeticStatus status = ArithmeticStatus::Written;
  Error error;                       ///< the problem (code None when written)
  bool silent = false;               ///< the window ends without a message ("Conv")
  std::vector<std::string> written;  ///< files written, in order (full paths)
  std::string shown;                 ///< the file to load and show (empty: none)
  bool ok() const { return status == ArithmeticStatus::Written; }
};

// ---- QuadPx -----------------------------------------------------------------------------------

/// Sharpening weight of QuadPx from the number k typed in hQuadPx: min(1, max(0, k)).
Extended QuadPxWeight(Extended k);

/// The quad-pixel image of `source` (X = LastX, Y = LastY): a (2X + 1) x (2Y + 1) frame of zeros
/// in which every pixel (x, y) with 1 <= x <= X - 1 and 1 <= y <= Y - 1 writes, through
/// SetPixel (so row 0 and column 0 stay 0), four times its four sub-pixels at
/// (2(x - 1) .. 2(x - 1) + 1, 2(y - 1) .. 2(y - 1) + 1). With C the pixel, xm, xp, ym, yp its
/// left, right, upper and lower neighbours, w = QuadPxWeight(k), s = max(1e-20, xm + xp + ym +
/// yp) and the weight taken as 0 for this pixel when s = 1e-20: base = (1 - w) C / 4,
/// g = (w / s) (C / 2); the sub-pixels are (ym + xp) g + base (top left), (xm + ym) g + base
/// (top right), (xp + yp) g + base (bottom left), (yp + xm) g + base (bottom right); they add
/// up to C. Statistics of `out` are left at 0. ImageTooLarge when the result would exceed
/// kMaxPixels (values: width, height, kMaxPixels).
Status QuadPxFrame(const OTrame& source, Extended k, OTrame& out);

/// "quad_" + the file name of `sourcePath` without folder and extension + ".orvc".
std::string QuadPxFileName(const std::string& sourcePath);

/// QuadPx: the quad-pixel image of `source` written over its whole size into `out` as
/// QuadPxFileName(source.FileName); `shown` is that file.
ArithmeticResult QuadPx(const OTrame& source, Extended k, const OutputFolder& out);

// ---- Div, Mult, LowPass -----------------------------------------------------------------------

/// The minimum shift: m = the smallest pixel value by a running minimum that starts at 0 and
/// takes strictly smaller values; when m < 0, -m is added to every pixel. Returns m.
Extended ShiftMinimumToZero(OTrame& frame);

/// Every pixel p of `frame` becomes p x Median(divisor) / divisor[x][y], or 0 where the divisor
/// is 0; then the minimum shift. The divisor is read at the same indices; SecondImageSize with
/// both sizes, `frame` unchanged, when it is narrower or shorter than `frame`.
Status DivideFrame(OTrame& frame, const OTrame& divisor);
/// Every pixel p becomes p x other[x][y]; then the minimum shift. The same size rule.
Status MultiplyFrame(OTrame& frame, const OTrame& other);
/// 3 x 3 smoothing of the pixels x = 2 .. LastX - 2, y = 2 .. LastY - 2 from a copy of the frame:
/// weights 1/16 at the corners, 1/8 at the four side neighbours, 1/4 at the centre, summed in
/// scan order (column x - 1, x, x + 1, each from row y - 1 to y + 1). The two outermost rings
/// keep their values. Then the minimum shift.
void LowPassFrame(OTrame& frame);

/// Div: DivideFrame on a copy of `current`, written over the whole frame into `out` as "div.orv".
ArithmeticResult DivCommand(const OTrame& current, const OTrame& divisor, const OutputFolder& out);
/// Mult: MultiplyFrame on a copy, written as "mult.orv".
ArithmeticResult MultCommand(const OTrame& current, const OTrame& other, const OutputFolder& out);
/// LowPass: LowPassFrame on a copy, written as "lowpass.orv".
ArithmeticResult LowPassCommand(const OTrame& current, const OutputFolder& out);

// ---- Conv -------------------------------------------------------------------------------------

/// Conv: the correlation of `current` (N x N, N = 64, 128, 256 or 512) with `second` through
/// OFFT, every stage's real part written with WriteToFrame(65535) into a work frame and saved
/// into `out` as kConvStageFiles[i] (in a folder of the user's, all seven refused before any is
/// written when one exists, unless overwrite): F1 and F2 as built, both after Transform(false), F1
/// after MultiplyByConjugate(F2), after Transform(true) and after SwapQuadrants. The result is the
/// cyclic cross-correlation sum over p of current[p + d] x second[p], with d = 0 at [N/2][N/2].
/// - `current` not a centred spectrum: WrongSize, nothing written.
/// - `current`'s LastY differs from `second`'s LastX: SizeMismatch, `silent` (the window ends
///   without a message, as it always has), nothing written.
/// - A second image of the right width but fewer than N rows: TooFewRows (not silent: it
///   would be read outside, and the window says so), nothing written. Of more rows, its first
///   N rows are used.
/// The transforms share their work among the tasks of `pool` (none: one thread).
ArithmeticResult ConvCommand(const OTrame& current, const OTrame& second, const OutputFolder& out,
                             WorkerPool* pool = nullptr);

}  // namespace orvek::fourier
