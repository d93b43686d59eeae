// Fuzz target: the ORV reader; a frame read and written again gives back the same bytes.

#include <vector>

#include "tests/fuzz/FuzzFrame.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<uint8_t> bytes(data, data + size);
  orvek::OTrame frame;
  const orvek::Status s = frame.ParseOrv(bytes.data(), bytes.size(), "fuzz.orv");
  if (s) {
    const std::vector<uint8_t> again = frame.EncodeOrv(0, 0, frame.LastX, frame.LastY);
    // Width and height are stored as extended values that round to the size read, so
    // only the pixels must come back bit for bit.
    if (again.size() > bytes.size() ||
        !std::equal(again.begin() + 20, again.end(), bytes.begin() + 20))
      std::abort();
  }
  orvek::fuzz::CheckRead(s, frame);
  return 0;
}
