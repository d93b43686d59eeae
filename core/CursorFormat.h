#pragma once
// Reading Windows cursor files (".cur", also icons): the first image of the file with its
// hot spot. Every offset and size is checked against the bytes at hand before use.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/Result.h"

namespace orvek {

/// The first image of a cursor file.
struct CursorImage {
  int width = 0;  ///< pixels (0 for an embedded PNG, which the caller decodes)
  int height = 0;
  int hotX = 0;  ///< the pixel that points: column from the left, 0-based
  int hotY = 0;  ///< row from the top, 0-based
  /// Pixels as 0xAARRGGBB, row 0 at the top; alpha 0 where the cursor shows the screen.
  std::vector<uint32_t> argb;
  /// The bytes of an embedded PNG image, when the file holds one instead of a bitmap.
  std::vector<uint8_t> png;
};

/// Decodes the first image of a cursor (or icon) file: a bitmap of 1, 4, 8, 24 or 32 bits per
/// pixel with its AND mask, or an embedded PNG (given back undecoded). `name` names the file
/// in the failures: WrongFormat, HeaderTruncated, DataTruncated, ImageSizeInvalid,
/// UnsupportedValue.
Result<CursorImage> ParseCursor(const uint8_t* data, size_t size, const std::string& name);

}  // namespace orvek
