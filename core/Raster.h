#pragma once
// A 24-bit picture: rows from the top, three bytes per pixel in the order B, G, R.

#include <cstdint>
#include <vector>

namespace orvek {

struct Raster {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> bgr;  ///< row-major, top row first, stride = 3 * width

  Raster() = default;
  Raster(int w, int h) : width(w), height(h), bgr(static_cast<size_t>(w) * h * 3, 0) {}
  uint8_t* Row(int y) { return bgr.data() + static_cast<size_t>(y) * width * 3; }
  const uint8_t* Row(int y) const { return bgr.data() + static_cast<size_t>(y) * width * 3; }
  void Set(int x, int y, uint8_t r, uint8_t g, uint8_t b) {
    uint8_t* p = Row(y) + 3 * x;
    p[0] = b;
    p[1] = g;
    p[2] = r;
  }
  bool Empty() const { return width <= 0 || height <= 0; }
};

}  // namespace orvek
