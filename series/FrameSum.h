#pragma once
// The pixel-by-pixel sum of a series' frames, the frame loading side of the addition.

#include <cstdint>
#include <vector>

#include "core/OTrame.h"
#include "core/Types.h"

namespace orvek {

/// The sum of frames of one size, pixel by pixel, added in list order: exactly the extended
/// sum acc[i] += frame[i] of the frames one after the other. While every frame added holds
/// whole values the sum is kept in 64-bit integers: each partial sum is then exact, as the
/// extended one is, so the two agree bit for bit. The first frame that is not whole hands the
/// integer sum over to the extended one.
class FrameSum {
 public:
  /// A sum of width x height frames; `fits` places the samples of FITS rows (AddRows).
  FrameSum(int32_t width, int32_t height, const FitsOptions& fits);

  /// Adds a frame's whole values, column by column as OTrame keeps its pixels.
  void AddColumns(const int32_t* values);
  /// Adds a FITS frame's whole values in the file's order (FitsRows::values).
  void AddRows(const int32_t* values);
  /// Adds a frame's extended pixels, column by column.
  void AddExtended(const Extended* pixels);
  /// Writes the sum into width x height extended pixels, column by column.
  void WriteTo(Extended* pixels) const;

 private:
  // Index of frame pixel (x, y) in the file's order of samples.
  size_t RowIndex(int32_t x, int32_t y) const;
  void HandOver();

  int32_t m_width;
  int32_t m_height;
  FitsOptions m_fits;
  bool m_whole = true;
  std::vector<int64_t> m_rows;     // the integer sum, in the file's order of samples
  std::vector<Extended> m_pixels;  // the extended sum, column by column, once handed over
};

}  // namespace orvek
