// Fuzz target: the BMP reader; the decoded picture must have the frame's size.

#include <cstdlib>
#include <vector>

#include "tests/fuzz/FuzzFrame.h"

namespace {

// The pixel count a file declares in its 40-byte (or larger) header; 0 when it has none.
int64_t DeclaredPixels(const uint8_t* data, size_t size) {
  if (size < 26 || (data[14] | data[15] << 8) < 40) return 0;
  const auto le32 = [&](size_t at) {
    return static_cast<int32_t>(uint32_t(data[at]) | uint32_t(data[at + 1]) << 8 |
                                uint32_t(data[at + 2]) << 16 | uint32_t(data[at + 3]) << 24);
  };
  return std::abs(int64_t{le32(18)}) * std::abs(int64_t{le32(22)});
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // A few bytes of run-length data may describe a frame of 2^27 pixels, which the reader
  // accepts and fills (seconds per input): such sizes are left to the reader's tests, so
  // that the fuzzing spends its time on the decoding.
  if (DeclaredPixels(data, size) > (int64_t{1} << 16)) return 0;
  const std::vector<uint8_t> bytes(data, data + size);
  orvek::OTrame frame;
  orvek::Raster picture;
  const orvek::Status s = frame.ParseBmp(bytes.data(), bytes.size(), "fuzz.bmp", &picture);
  if (s && (picture.width != frame.Width() || picture.height != frame.Height())) std::abort();
  orvek::fuzz::CheckRead(s, frame);
  return 0;
}
