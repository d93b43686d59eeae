// Frames straight from a video, one after another, against the same video converted to files
// first; the failures of a source.

#include <gtest/gtest.h>

#include <cstdlib>

#include "VideoTestSupport.h"
#include "series/FrameSource.h"
#include "support/TestSupport.h"

namespace orvek::videotest {
namespace {

// A mono 16-bit SER of `frames` frames of w x h, each a bright spot centred at (3 + k, 4 + k)
// on a sloped ground, with time stamps 15 ms apart.
void WriteSpotSer(const std::string& path, int frames, int w, int h) {
  SerSpec spec;
  spec.width = w;
  spec.height = h;
  spec.depth = 16;
  spec.frameCount = frames;
  std::vector<uint16_t> samples;
  std::vector<int64_t> stamps;
  for (int k = 0; k < frames; ++k) {
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        const int dx = std::abs(x - (3 + k));
        const int dy = std::abs(y - (4 + k));
        const int spot = dx == 0 && dy == 0 ? 40000 : dx <= 1 && dy <= 1 ? 20000 : 0;
        samples.push_back(static_cast<uint16_t>(100 + 7 * x + 3 * y + spot));
      }
    }
    stamps.push_back(638297221591316970LL + 150000LL * k);
  }
  WriteSer(path, spec, samples, 2, false, stamps);
}

Result<std::unique_ptr<FrameSource>> Open(const std::vector<std::string>& inputs,
                                          const std::string& range = "", int32_t minSide = 0) {
  FrameSourceOptions options;
  if (!range.empty()) options.range = *ParseFrameRange(range);
  options.minSide = minSide;
  return OpenFrameSource(inputs, options);
}

void ExpectSameFrame(const SourceFrame& a, const SourceFrame& b) {
  ASSERT_EQ(a.frame.Width(), b.frame.Width());
  ASSERT_EQ(a.frame.Height(), b.frame.Height());
  EXPECT_TRUE(a.frame.Data() == b.frame.Data()) << "frame " << a.number;
  EXPECT_EQ(a.frame.Star.X, b.frame.Star.X);
  EXPECT_EQ(a.frame.Star.Y, b.frame.Star.Y);
  EXPECT_EQ(a.frame.MaxValue, b.frame.MaxValue);
  EXPECT_EQ(a.frame.MinValue, b.frame.MinValue);
  EXPECT_EQ(a.frame.Median, b.frame.Median);
  EXPECT_EQ(a.frame.Sigma, b.frame.Sigma);
  ASSERT_EQ(a.frame.Time.has_value(), b.frame.Time.has_value());
  if (a.frame.Time) {
    EXPECT_NEAR(*SecondsBetween(a.frame.Time->utc, b.frame.Time->utc), 0, 0.0005 + 1e-9);
  }
}

TEST(FrameSource, FramesStraightFromASerAreThoseOfItsFitsFiles) {
  TempFolder dir;
  WriteSpotSer(dir / "s.ser", 6, 12, 10);
  RecordingProgress progress;
  const VideoResult converted = ConvertVideo(dir / "s.ser", dir / "s", VideoFormat::Fits, progress);
  ASSERT_TRUE(converted.ok) << converted.message;

  // Frames 1 to 4, both ways.
  auto video = Open({dir / "s.ser"}, "1-4");
  auto files = Open(converted.files, "1-4");
  ASSERT_TRUE(video.ok()) << DebugText(video.error());
  ASSERT_TRUE(files.ok()) << DebugText(files.error());
  EXPECT_EQ((*video)->Count(), 4);
  SourceFrame a, b;
  for (int64_t k = 1; k <= 4; ++k) {
    ASSERT_TRUE(*(*video)->Next(a));
    ASSERT_TRUE(*(*files)->Next(b));
    EXPECT_EQ(a.number, k);
    EXPECT_EQ(b.number, k);
    EXPECT_EQ(b.name, dir / ("s000" + std::to_string(k) + ".fits"));
    ExpectSameFrame(a, b);
    // The spot moves with the frame: the star is found on it.
    EXPECT_EQ(a.frame.Star.X, 3 + k);
    EXPECT_EQ(a.frame.Star.Y, 4 + k);
  }
  EXPECT_FALSE(*(*video)->Next(a));
  EXPECT_FALSE(*(*files)->Next(b));
  EXPECT_TRUE((*video)->Warnings().empty());
}

TEST(FrameSource, FramesStraightFromAnAviKeepTheirNumbersAcrossADroppedFrame) {
  TempFolder dir;
  const std::string video = dir / "d.avi";
  Ffmpeg(
      "-f lavfi -i testsrc=size=32x24:rate=10 -frames:v 6 -vf 'select=not(eq(n\\,3))' "
      "-fps_mode passthrough -c:v rawvideo -pix_fmt bgr24 " +
      Quote(video));
  RecordingProgress progress;
  const VideoResult converted = ConvertVideo(video, dir / "d", VideoFormat::Orv, progress);
  ASSERT_TRUE(converted.ok) << converted.message;
  auto fromVideo = Open({video});
  auto fromFiles = Open(converted.files);
  ASSERT_TRUE(fromVideo.ok()) << DebugText(fromVideo.error());
  ASSERT_TRUE(fromFiles.ok());
  EXPECT_EQ((*fromVideo)->Count(), 7);
  SourceFrame a, b;
  std::vector<int64_t> numbers;
  while (*(*fromVideo)->Next(a)) {
    ASSERT_TRUE(*(*fromFiles)->Next(b));
    numbers.push_back(a.number);
    EXPECT_EQ(b.name, FrameFileName(dir / "d", a.number, ".orv"));
    ExpectSameFrame(a, b);
  }
  EXPECT_EQ(numbers, (std::vector<int64_t>{0, 1, 2, 4, 5, 6}));
  ASSERT_EQ((*fromVideo)->Warnings().size(), 1u);
  EXPECT_EQ((*fromVideo)->Warnings()[0].code, ErrorCode::VideoFrameMissing);
  EXPECT_EQ((*fromVideo)->Warnings()[0].values, (std::vector<double>{3, 7}));
}

TEST(FrameSource, RangesAreRead) {
  EXPECT_EQ(ParseFrameRange("0-9")->last, 9);
  EXPECT_EQ(ParseFrameRange("12")->first, 12);
  EXPECT_EQ(ParseFrameRange("12")->last, 12);
  EXPECT_EQ(ParseFrameRange("3-")->first, 3);
  EXPECT_LT(ParseFrameRange("3-")->last, 0);
  for (const char* bad : {"", "-3", "5-2", "a-b", "1-2-3", "1.5", " 2"}) {
    const Result<FrameRange> r = ParseFrameRange(bad);
    ASSERT_FALSE(r.ok()) << bad;
    EXPECT_EQ(r.error().code, ErrorCode::BadFrameRange);
    EXPECT_EQ(r.error().text, bad);
  }
}

// An MJPEG AVI whose every picture is zeros: packets there, nothing decodable.
std::string UndecodableAvi(const TempFolder& dir) {
  const std::string path = dir / "zero.avi";
  Ffmpeg("-f lavfi -i testsrc=size=64x64:rate=10 -frames:v 3 -c:v mjpeg -pix_fmt yuvj420p " +
         Quote(path));
  std::vector<uint8_t> bytes = ReadBytes(path);
  for (size_t i = 0; i + 10 < bytes.size(); ++i) {
    if (bytes[i] != '0' || bytes[i + 1] != '0' || bytes[i + 2] != 'd' || bytes[i + 3] != 'c')
      continue;
    const size_t size = bytes[i + 4] | (bytes[i + 5] << 8) | (bytes[i + 6] << 16);
    if (i + 8 + size <= bytes.size() && bytes[i + 8] == 0xFF && bytes[i + 9] == 0xD8)
      std::fill(bytes.begin() + static_cast<long>(i + 8),
                bytes.begin() + static_cast<long>(i + 8 + size), 0);
  }
  WriteBytes(path, bytes);
  return path;
}

TEST(FrameSource, RefusesWhatItCannotGive) {
  TempFolder dir;
  WriteSpotSer(dir / "small.ser", 3, 32, 32);
  // A range beyond the video: frames 2 to 5 of frames 0 to 2.
  auto outside = Open({dir / "small.ser"}, "2-5");
  ASSERT_FALSE(outside.ok());
  EXPECT_EQ(outside.error().code, ErrorCode::FrameRange);
  EXPECT_EQ(outside.error().values, (std::vector<double>{2, 5, 2}));
  // Frames smaller than 64 x 64 where the measurement needs that much.
  auto small = Open({dir / "small.ser"}, "", 64);
  ASSERT_FALSE(small.ok());
  EXPECT_EQ(small.error().code, ErrorCode::FrameTooSmall);
  EXPECT_EQ(small.error().values, (std::vector<double>{0, 32, 32, 64}));
  // A truncated SER: the last frame cut short.
  std::vector<uint8_t> bytes = ReadBytes(dir / "small.ser");
  bytes.resize(178 + 3 * 32 * 32 * 2 - 100);
  WriteBytes(dir / "cut.ser", bytes);
  auto cut = Open({dir / "cut.ser"});
  ASSERT_FALSE(cut.ok());
  EXPECT_EQ(cut.error().code, ErrorCode::SerTruncated);
  EXPECT_EQ(cut.error().path, dir / "cut.ser");
  // A video of which no frame can be decoded: each packet reported, then the failure.
  auto zero = Open({UndecodableAvi(dir)});
  ASSERT_TRUE(zero.ok()) << DebugText(zero.error());
  SourceFrame f;
  const Result<bool> next = (*zero)->Next(f);
  ASSERT_FALSE(next.ok());
  EXPECT_EQ(next.error().code, ErrorCode::VideoNoFrame) << DebugText(next.error());
  // A list whose file is smaller than the minimum, found when it is reached.
  OTrame tiny = test::MakeFrame(8, 8, 5);
  ASSERT_TRUE(tiny.SaveOrv(0, 0, 7, 7, dir / "tiny.orv").ok);
  auto list = Open({dir / "tiny.orv"}, "", 64);
  ASSERT_TRUE(list.ok());
  const Result<bool> tinyNext = (*list)->Next(f);
  ASSERT_FALSE(tinyNext.ok());
  EXPECT_EQ(tinyNext.error().code, ErrorCode::FrameTooSmall);
  EXPECT_EQ(tinyNext.error().path, dir / "tiny.orv");
}

}  // namespace
}  // namespace orvek::videotest
