// The memory a long video takes when its frames are read one after another straight from it.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "VideoTestSupport.h"
#include "series/FrameSource.h"

namespace orvek::videotest {
namespace {

// Resident memory in kB, from /proc/self/status.
long ResidentKb() {
  std::ifstream in("/proc/self/status");
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
  }
  return -1;
}

TEST(FrameSource, ALongVideoTakesTheMemoryOfAFewFrames) {
  // 2000 frames of 256 x 256 8-bit samples: 131 MB of video, written frame by frame.
  constexpr int kFrames = 2000;
  constexpr int kSide = 256;
  TempFolder dir;
  const std::string path = dir / "long.ser";
  {
    SerSpec spec;
    spec.width = spec.height = kSide;
    spec.frameCount = kFrames;
    const std::vector<uint8_t> header = SerHeaderBytes(spec);
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(header.data()), 178);
    std::vector<char> frame(kSide * kSide);
    for (int k = 0; k < kFrames; ++k) {
      for (size_t i = 0; i < frame.size(); ++i) frame[i] = static_cast<char>((i * 7 + k) % 251);
      out.write(frame.data(), static_cast<std::streamsize>(frame.size()));
    }
    ASSERT_TRUE(out.good());
  }
  const long before = ResidentKb();
  const auto start = std::chrono::steady_clock::now();
  long peak = before;
  int64_t count = 0;
  {
    auto source = OpenFrameSource({path}, FrameSourceOptions{});
    ASSERT_TRUE(source.ok()) << DebugText(source.error());
    SourceFrame f;
    while (true) {
      const Result<bool> next = (*source)->Next(f);
      ASSERT_TRUE(next.ok()) << DebugText(next.error());
      if (!*next) break;
      ++count;
      peak = std::max(peak, ResidentKb());
    }
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_EQ(count, kFrames);
  // One frame of extended values is 256 x 256 x 16 bytes = 1 MB, held once; the SER reader
  // holds one raw frame and its samples.
  RecordProperty("peak_growth_kb", static_cast<int>(peak - before));
  std::printf("frame source: %d frames of %d x %d in %.1f s, resident memory grew by %ld kB\n",
              kFrames, kSide, kSide, seconds, peak - before);
#if !defined(__SANITIZE_ADDRESS__)
  EXPECT_LT(peak - before, 8 * 1024) << "kB for " << kFrames << " frames";
#endif
}

}  // namespace
}  // namespace orvek::videotest
