#pragma once
// Writing 24-bit BMP files (the display rendering, thumbnails, video frames).

#include <cstdint>
#include <string>
#include <vector>

#include "core/Raster.h"
#include "core/Status.h"

namespace orvek {

/// The bytes of an uncompressed bottom-up 24-bit BMP of the raster.
std::vector<uint8_t> EncodeBmp24(const Raster& raster);
/// Writes the raster as a 24-bit BMP file.
Status WriteBmp24(const std::string& path, const Raster& raster);

}  // namespace orvek
