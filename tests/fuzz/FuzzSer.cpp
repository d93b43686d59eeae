// Fuzz target: the SER video reader: its header parse (with the input's length and with a
// declared file length taken from the input), then the reader on the input as a file.

#include <cstring>
#include <vector>

#include "series/SerReader.h"
#include "tests/fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<uint8_t> bytes(data, data + size);
  orvek::SerHeader header;
  const orvek::Status parsed =
      orvek::ParseSerHeader(bytes.data(), bytes.size(), static_cast<int64_t>(size), "fuzz.ser",
                            orvek::SerByteOrder::FromHeader, header);
  if (parsed &&
      header.frameBytes * header.frameCount > static_cast<int64_t>(size) - orvek::kSerHeaderBytes)
    std::abort();  // the header promised frames the bytes cannot hold
  if (size >= orvek::kSerHeaderBytes + 8) {
    int64_t declared = 0;
    std::memcpy(&declared, data + size - 8, 8);
    (void)orvek::ParseSerHeader(bytes.data(), bytes.size(), declared, "fuzz.ser",
                                orvek::SerByteOrder::Big, header);
  }
  if (!parsed) return 0;
  orvek::SerReader reader;
  if (!reader.Open(orvek::fuzz::ScratchFile(data, size, ".ser"))) return 0;
  std::vector<uint16_t> samples;
  const int64_t frames = reader.Header().frameCount;
  for (int64_t i : {int64_t{0}, frames - 1, frames}) (void)reader.ReadFrame(i, samples);
  std::vector<int64_t> stamps;
  (void)reader.ReadTimestamps(stamps);
  return 0;
}
