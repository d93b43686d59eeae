#include <cmath>

#include "core/OTrame.h"
#include "core/Rounding.h"

namespace orvek {

namespace {

// 255 / divisor with the divisor taken in double precision; 1 when the divisor is 0.
Extended BandFactor(Extended divisor) {
  const double d = static_cast<double>(divisor);
  return d == 0.0 ? 1.0L : 255.0L / d;
}

int64_t ClampByte(int64_t v) {
  return v > 255 ? 255 : v;
}

}  // namespace

Raster OTrame::Render(bool log, bool colour, int lut, Extended low, Extended high) const {
  Raster raster(m_width, m_height);
  if (Empty()) return raster;
  const Extended L = 255.0L / std::log10(255.0L);
  const Extended diff = high - low;
  const auto logCurve = [L](int64_t c) -> int64_t {
    return c > 0 ? Nearest(L * std::log10(static_cast<Extended>(c))) : 0;
  };

  if (!colour) {
    const double h = diff == 0 ? 1.0 : static_cast<double>(255.0L / diff);
    for (int32_t x = 0; x < m_width; ++x) {
      const Extended* col = Column(x);
      for (int32_t y = 0; y < m_height; ++y) {
        int64_t m = Nearest((col[y] - low) * h);
        if (m < 0) m = 0;
        if (log) m = Nearest(L * std::log10(static_cast<Extended>(m) + 1));
        if (m > 255) m = 255;
        // The logarithmic finish comes on top of the logarithmic curve above.
        if (log) m = logCurve(m);
        const auto g = static_cast<uint8_t>(m);
        raster.Set(x, y, g, g, g);
      }
    }
    return raster;
  }

  const Extended k = static_cast<Extended>(lut - 10) / 50;
  const Extended wR = low + diff * (k / 2 + 0.9L);
  const Extended wG = low + diff * (k + 0.2L);
  const Extended wB = low + diff * (k + 0.4L);
  const Extended fR = BandFactor(high - wR);
  const Extended fG = BandFactor(wR - wG);
  const Extended fB = BandFactor(wB - low);
  for (int32_t x = 0; x < m_width; ++x) {
    const Extended* col = Column(x);
    for (int32_t y = 0; y < m_height; ++y) {
      const Extended v = col[y];
      int64_t r = 0, g = 0, b = 0;
      if (v < low) {
        // black
      } else if (v > high) {
        r = 255;
      } else {
        r = Nearest((v - wR) * fR);
        r = ClampByte(r);
        if (r < 8) r = 8;
        if (r < 255) {
          g = Nearest((v - wG) * fG);
          if (g > 255) g = 0;
          if (g < 8) g = 8;
          if (g < 200) {
            b = ClampByte(Nearest((v - low) * fB));
            if (b < 8) b = 8;
          }
        }
      }
      if (log) {
        r = logCurve(r);
        g = logCurve(g);
        b = logCurve(b);
      }
      raster.Set(x, y, static_cast<uint8_t>(ClampByte(r)), static_cast<uint8_t>(ClampByte(g)),
                 static_cast<uint8_t>(ClampByte(b)));
    }
  }
  return raster;
}

}  // namespace orvek
