// Fuzz target: the cursor file reader; a bitmap read has one pixel per position and its hot
// spot inside.

#include <vector>

#include "core/CursorFormat.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<uint8_t> bytes(data, data + size);
  const orvek::Result<orvek::CursorImage> r = orvek::ParseCursor(bytes.data(), bytes.size(), "f");
  if (!r) return 0;
  const orvek::CursorImage& c = *r;
  if (c.png.empty() &&
      (c.width <= 0 || c.height <= 0 || c.argb.size() != size_t(c.width) * size_t(c.height) ||
       c.hotX < 0 || c.hotY < 0 || c.hotX >= c.width || c.hotY >= c.height))
    __builtin_trap();
  return 0;
}
