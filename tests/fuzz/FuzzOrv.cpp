// Fuzz target: the ORV reader; a frame written, read and written again keeps its bytes.

#include <vector>

#include "tests/fuzz/FuzzFrame.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<uint8_t> bytes(data, data + size);
  orvek::OTrame frame;
  const orvek::Status s = frame.ParseOrv(bytes.data(), bytes.size(), "fuzz.orv");
  if (s) {
    // Unnormal encodings are read by their value, so the first writing may differ from the
    // input; from then on, writing and reading again must give the same bytes.
    const std::vector<uint8_t> once = frame.EncodeOrv(0, 0, frame.LastX, frame.LastY);
    orvek::OTrame again;
    if (!again.ParseOrv(once.data(), once.size(), "again.orv") ||
        again.EncodeOrv(0, 0, again.LastX, again.LastY) != once)
      std::abort();
  }
  orvek::fuzz::CheckRead(s, frame);
  return 0;
}
