#pragma once
// Two groups of commands for the images of a double star: the speckle mask, which removes
// from each image of a series a copy of itself shifted by the pair's measured separation,
// and the peak suppression, which blanks the central peak of a centred autocorrelation so
// that its secondary peaks can be measured.

#include <cstdint>
#include <string>
#include <vector>

#include "core/OTrame.h"
#include "core/Status.h"
#include "fourier/Interferometry.h"

namespace orvek {
class ReductionTable;
}

namespace orvek::fourier {

/// Working folder of the speckle mask.
inline constexpr const char* kSpeckleMaskFolder = "tempspmask";
/// Extensions of the three files written per image: the image as loaded, the image minus its
/// shifted copy, and the image averaged with that difference.
inline constexpr const char* kSpeckleOriginalExt = ".orvo";
inline constexpr const char* kSpeckleMaskedExt = ".orvm";
inline constexpr const char* kSpeckleAveragedExt = ".orvr";

/// The shift of the speckle mask in whole pixels (column to the right, row downwards).
struct SpeckleShift {
  int64_t dx = 0;
  int64_t dy = 0;
};

/// dx = nearest(xB - xA), dy = nearest(yB - yA) (halves to even) from the texts of the four
/// cells. A cell that is not a number gives NotANumber naming row 1, its column and its text.
Status SpeckleShiftFromCells(const std::string& xA, const std::string& yA, const std::string& xB,
                             const std::string& yB, SpeckleShift& out);
/// The same from row 1 of the measurement table read as a pair: NoTableRow when the table has
/// no row 1, NotANumber / NotAnInteger naming the cell that is not a number.
Status SpeckleShiftFromTable(const ReductionTable& table, SpeckleShift& out);

/// The two computed images of one image I (as loaded), X = LastX, Y = LastY:
/// - `masked` (M): a copy of I in which, for x = 0 .. X - 1 and y = 0 .. Y - 1 (the last column
///   and row keep I's values), the shifted copy I[x - dx][y - dy] (I's Median where
///   x - dx or y - dy falls outside 0 .. X - 1, 0 .. Y - 1) is subtracted from I, negative
///   results becoming 0;
/// - `averaged`: a copy of I in which, for x = 0 .. X - 1 and y = 0 .. Y - 1, with
///   r = 20 sign(dx) + x, I[x][y] := (I[x][y] + M[r][y]) / 2 where 0 <= r < X.
void SpeckleMaskFrames(const OTrame& image, const SpeckleShift& shift, OTrame& masked,
                       OTrame& averaged);

/// Writes the three files of one image into `out`: `name` (a file name without folder) with
/// the extensions ".orvo" (the image), ".orvm" and ".orvr", each over the whole frame (in a
/// folder of the user's, refused before writing when one exists, unless overwrite). The paths
/// written are appended to `written`.
Status WriteSpeckleMask(const OTrame& image, const std::string& name, const SpeckleShift& shift,
                        const OutputFolder& out, std::vector<std::string>& written);

/// "Speckle Mask" of the given images: empties the working folder ("*.*"; in a folder of the
/// user's nothing is emptied, and every file about to be written is checked first, refused
/// when it exists unless overwrite), then for each image, read
/// as the window reads it (bias, FITS options), reports it to the observer (whose answer is
/// not looked at: the command has no STOP) and writes its three files. An image that cannot be
/// read is left out and named in `warnings` (and to the observer). `shown` is the first file of
/// the working folder in list order ("*.orv*") (of a user's folder, the first file written),
/// when there is one. NothingTicked when no file is given (after the emptying); WriteFailed
/// (stopping there) when a file cannot be written.
FourierResult SpeckleMaskCommand(const SeriesInput& input, const SpeckleShift& shift,
                                 const OutputFolder& out);

/// The centre of the peak suppression: nearest((LastX + 1) / 2), halves to even.
int64_t PeakCentre(const OTrame& frame);
/// Peak suppression: ring 0 ("suppr Pic") zeroes [c][c]; ring 1 ("suppr +1") the 3 x 3 block
/// round it; ring 2 ("suppr +2") the 5 x 5 block; c = PeakCentre on both axes. Indices
/// outside the frame (narrow or not square frames) are left alone. Returns the number of
/// pixels set to 0.
int SuppressPeak(OTrame& frame, int ring);

}  // namespace orvek::fourier
