#pragma once
// The pixels of a FITS image as whole numbers in the file's own order of samples, for loops
// that only add frames and would otherwise pay for the 80-bit frame, its statistics and its
// star.

#include <cstdint>
#include <string>

#include "core/OTrame.h"
#include "core/Result.h"

namespace orvek {

/// A FITS image's pixel values, row by row as the file stores them.
struct FitsRows {
  int32_t width = 0;
  int32_t height = 0;
  /// The value of the sample in file row r (the first row of the file r = 0) and column c at
  /// r * width + c: the value LoadFile gives that sample's pixel (without a bias frame),
  /// before the FITS orientation options place the pixel.
  WholeStore values;
};

/// Reads the primary image of the FITS file `name` when LoadFile would give all its pixels
/// as whole numbers: 8-bit samples, or 16-bit samples with BSCALE = 1 and a whole BZERO of
/// less than 2^30 in size (the shift of a frame with negative values to a minimum of 0
/// included). True with `out` filled; false (`out` empty) for other samples, which LoadFile
/// reads; the failures of LoadFile's FITS reader otherwise.
Result<bool> ReadFitsRows(const std::string& name, FitsRows& out);

}  // namespace orvek
