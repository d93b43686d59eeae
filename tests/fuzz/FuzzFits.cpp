// Fuzz target: the FITS reader (the two orientation options taken from the input's length).

#include <vector>

#include "tests/fuzz/FuzzFrame.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<uint8_t> bytes(data, data + size);  // exactly these bytes on the heap
  orvek::OTrame frame;
  const orvek::FitsOptions fits{(size & 1) != 0, (size & 2) != 0};
  orvek::fuzz::CheckRead(frame.ParseFits(bytes.data(), bytes.size(), "fuzz.fits", fits), frame);
  return 0;
}
