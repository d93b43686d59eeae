// Fuzz target: the BMP reader; the decoded picture must have the frame's size.

#include <vector>

#include "tests/fuzz/FuzzFrame.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<uint8_t> bytes(data, data + size);
  orvek::OTrame frame;
  orvek::Raster picture;
  const orvek::Status s = frame.ParseBmp(bytes.data(), bytes.size(), "fuzz.bmp", &picture);
  if (s && (picture.width != frame.Width() || picture.height != frame.Height())) std::abort();
  orvek::fuzz::CheckRead(s, frame);
  return 0;
}
