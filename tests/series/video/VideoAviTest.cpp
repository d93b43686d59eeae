// Videos read through FFmpeg: AVI files made by the ffmpeg tool from frames of known
// content, cut into numbered BMP (or ORV) files and read back by the tests' own parsers.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "VideoTestSupport.h"
#include "core/OTrame.h"
#include "series/VideoImport.h"

namespace orvek::videotest {
namespace {

constexpr int kW = 32;
constexpr int kH = 24;
constexpr int kSide = 6;

// Frame k: a square of kSide pixels whose top-left corner moves with k, on a dark ground.
int SquareX(int k) {
  return 4 + 7 * k;
}
int SquareY(int k) {
  return 3 + 5 * k;
}
bool InSquare(int k, int x, int y) {
  return x >= SquareX(k) && x < SquareX(k) + kSide && y >= SquareY(k) && y < SquareY(k) + kSide;
}
// Distance in pixels (chessboard) from (x, y) to the square's outline, for codecs whose
// errors gather at edges.
int EdgeDistance(int k, int x, int y) {
  const int dx = std::min(std::abs(x - SquareX(k)), std::abs(x - (SquareX(k) + kSide - 1)));
  const int dy = std::min(std::abs(y - SquareY(k)), std::abs(y - (SquareY(k) + kSide - 1)));
  const bool insideX = x >= SquareX(k) && x < SquareX(k) + kSide;
  const bool insideY = y >= SquareY(k) && y < SquareY(k) + kSide;
  if (insideX && insideY) return std::min(dx, dy);
  if (insideX) return dy;
  if (insideY) return dx;
  return std::max(dx, dy);
}

struct Colour {
  int b, g, r;
};
constexpr Colour kGround{30, 40, 50};
constexpr Colour kSquare{60, 120, 220};
constexpr int kGreyGround = 30;
constexpr int kGreySquare = 220;

// Raw frames for ffmpeg's rawvideo input: bgr24 (colour) or gray (one byte per pixel).
std::string WriteRawFrames(const TempFolder& dir, int frames, bool colour) {
  std::vector<uint8_t> raw;
  for (int k = 0; k < frames; ++k) {
    for (int y = 0; y < kH; ++y) {
      for (int x = 0; x < kW; ++x) {
        if (colour) {
          const Colour c = InSquare(k, x, y) ? kSquare : kGround;
          raw.push_back(static_cast<uint8_t>(c.b));
          raw.push_back(static_cast<uint8_t>(c.g));
          raw.push_back(static_cast<uint8_t>(c.r));
        } else {
          raw.push_back(static_cast<uint8_t>(InSquare(k, x, y) ? kGreySquare : kGreyGround));
        }
      }
    }
  }
  const std::string path = dir / (colour ? "frames.bgr" : "frames.gray");
  WriteBytes(path, raw);
  return path;
}

// Makes an AVI (or another container, by the extension of `name`) of 3 frames.
std::string MakeVideo(const TempFolder& dir, const std::string& name, bool colour,
                      const std::string& codecArgs, int frames = 3) {
  const std::string raw = WriteRawFrames(dir, frames, colour);
  const std::string out = dir / name;
  Ffmpeg(std::string("-f rawvideo -pix_fmt ") + (colour ? "bgr24" : "gray") + " -s " +
         std::to_string(kW) + "x" + std::to_string(kH) + " -r 10 -i " + Quote(raw) + " " +
         codecArgs + " " + Quote(out));
  return out;
}

struct CodecCase {
  const char* label;
  const char* args;  // encoder arguments of the ffmpeg tool
  bool colour;       // colour frames (else grey)
  int tolerance;     // largest error per channel away from the square's outline
  int edgeMargin;    // pixels this close to the outline are not compared
};

void PrintTo(const CodecCase& c, std::ostream* os) {
  *os << c.label;
}

class AviCodecTest : public ::testing::TestWithParam<CodecCase> {};

// Tolerances: raw and FFV1 are lossless, so exact. YUV 4:2:0 of grey frames keeps the
// luma (limited-range round trip: at most 1 level per conversion, 2 in all) and grey
// chroma. MJPEG at quality 2 keeps 8x8 block errors of a few levels away from the edges;
// the bound 16 leaves the square (220) and the ground (30) far apart.
INSTANTIATE_TEST_SUITE_P(
    Codecs, AviCodecTest,
    ::testing::Values(CodecCase{"raw_bgr24", "-c:v rawvideo -pix_fmt bgr24", true, 0, 0},
                      CodecCase{"raw_gray_y800", "-c:v rawvideo -pix_fmt gray", false, 0, 0},
                      CodecCase{"raw_yuv420p", "-c:v rawvideo -pix_fmt yuv420p", false, 2, 0},
                      CodecCase{"mjpeg", "-c:v mjpeg -q:v 2 -pix_fmt yuvj420p", false, 16, 2},
                      CodecCase{"ffv1_colour", "-c:v ffv1", true, 0, 0},
                      CodecCase{"ffv1_grey", "-c:v ffv1 -pix_fmt gray", false, 0, 0}),
    [](const ::testing::TestParamInfo<CodecCase>& info) { return std::string(info.param.label); });

TEST_P(AviCodecTest, ThreeFramesGiveThreeNumberedBmpFilesWithTheirContent) {
  const CodecCase& c = GetParam();
  TempFolder dir;
  const std::string video = MakeVideo(dir, "jup.avi", c.colour, c.args);
  RecordingProgress progress;
  const VideoResult r = ConvertVideo(video, dir / "jup", VideoFormat::Auto, progress);

  EXPECT_TRUE(r.ok) << r.message << " / " << r.detail;
  EXPECT_EQ(r.error, VideoError::None) << r.message;
  EXPECT_EQ(r.total, 3);
  EXPECT_EQ(r.framesRead, 3);
  EXPECT_EQ(r.framesWritten, 3);
  EXPECT_EQ(r.failedWrites, 0);
  const std::vector<std::string> expectedFiles{dir / "jup0000.bmp", dir / "jup0001.bmp",
                                               dir / "jup0002.bmp"};
  EXPECT_EQ(r.files, expectedFiles);
  EXPECT_EQ(progress.texts, (std::vector<std::string>{"0/3", "1/3", "2/3", "3/3"}));
  EXPECT_FALSE(Exists(dir / "jup0003.bmp"));

  for (int k = 0; k < 3; ++k) {
    SCOPED_TRACE("frame " + std::to_string(k));
    const Bmp bmp = ReadBmpFile(expectedFiles[k]);
    ASSERT_EQ(bmp.bitsPerPixel, 24);
    ASSERT_EQ(bmp.width, kW);
    ASSERT_EQ(bmp.height, kH);
    int compared = 0;
    for (int y = 0; y < kH; ++y) {
      for (int x = 0; x < kW; ++x) {
        if (c.edgeMargin > 0 && EdgeDistance(k, x, y) < c.edgeMargin) continue;
        Colour want;
        if (c.colour) {
          want = InSquare(k, x, y) ? kSquare : kGround;
        } else {
          const int g = InSquare(k, x, y) ? kGreySquare : kGreyGround;
          want = {g, g, g};
        }
        ASSERT_NEAR(bmp.B(x, y), want.b, c.tolerance) << "x=" << x << " y=" << y;
        ASSERT_NEAR(bmp.G(x, y), want.g, c.tolerance) << "x=" << x << " y=" << y;
        ASSERT_NEAR(bmp.R(x, y), want.r, c.tolerance) << "x=" << x << " y=" << y;
        ++compared;
      }
    }
    EXPECT_GT(compared, kW * kH / 2);
  }
}

// A capture of 7 frames in which frame 3 was dropped: the AVI holds an empty chunk in its
// place (the muxer writes one for the gap in the time stamps), the Matroska file a gap in its
// time stamps. Frame k is a flat grey of 20 + 30 k; the container records the recording's
// start, 2023-09-07 22:22:39 UTC, at 10 frames a second.
struct DropCase {
  const char* label;
  const char* name;
  const char* codecArgs;
};

void PrintTo(const DropCase& c, std::ostream* os) {
  *os << c.label;
}

class DroppedFrame : public ::testing::TestWithParam<DropCase> {};

INSTANTIATE_TEST_SUITE_P(
    Containers, DroppedFrame,
    ::testing::Values(DropCase{"avi_empty_chunk", "drop.avi",
                               "-c:v rawvideo -pix_fmt gray -metadata date=2023-09-07T22:22:39"},
                      DropCase{"mkv_time_gap", "drop.mkv",
                               "-c:v ffv1 -pix_fmt gray "
                               "-metadata creation_time=2023-09-07T22:22:39.000000Z"}),
    [](const ::testing::TestParamInfo<DropCase>& info) { return std::string(info.param.label); });

TEST_P(DroppedFrame, LeavesItsNumberUnusedAndIsReported) {
  const DropCase& c = GetParam();
  TempFolder dir;
  std::vector<uint8_t> raw;
  for (int k = 0; k < 7; ++k) raw.insert(raw.end(), kW * kH, static_cast<uint8_t>(20 + 30 * k));
  WriteBytes(dir / "frames.gray", raw);
  const std::string video = dir / c.name;
  Ffmpeg("-f rawvideo -pix_fmt gray -s " + std::to_string(kW) + "x" + std::to_string(kH) +
         " -r 10 -i " + Quote(dir / "frames.gray") +
         " -vf 'select=not(eq(n\\,3))' -fps_mode passthrough -frames:v 6 " + c.codecArgs + " " +
         Quote(video));

  RecordingProgress progress;
  const VideoResult r = ConvertVideo(video, dir / "d", VideoFormat::Fits, progress);
  EXPECT_EQ(r.error, VideoError::None) << r.message;
  EXPECT_EQ(r.total, 7);
  EXPECT_EQ(r.framesWritten, 6);
  EXPECT_EQ(r.files,
            (std::vector<std::string>{dir / "d0000.fits", dir / "d0001.fits", dir / "d0002.fits",
                                      dir / "d0004.fits", dir / "d0005.fits", dir / "d0006.fits"}));
  EXPECT_EQ(r.missing, std::vector<int64_t>{3});
  ASSERT_EQ(progress.warnings.size(), 1u);
  EXPECT_EQ(progress.warnings[0].code, ErrorCode::VideoFrameMissing);
  EXPECT_EQ(progress.warnings[0].path, video);
  EXPECT_EQ(progress.warnings[0].values, (std::vector<double>{3, 7}));
  EXPECT_EQ(progress.texts,
            (std::vector<std::string>{"0/7", "1/7", "2/7", "3/7", "4/7", "5/7", "6/7", "7/7"}));
  const UtcTime start{2023, 9, 7, 22, 22, 39};
  for (const std::string& file : r.files) {
    const int k = std::stoi(file.substr(file.size() - 9, 4));
    OTrame frame;
    ASSERT_TRUE(frame.LoadFile(file).ok()) << file;
    EXPECT_EQ(frame.Px(5, 5), 20 + 30 * k) << file;
    // The file's time: the recording's start plus the frame's time in the video.
    ASSERT_TRUE(frame.Time.has_value()) << file;
    EXPECT_NEAR(*SecondsBetween(start, frame.Time->utc), 0.1 * k, 0.0005) << file;
  }
}

TEST(VideoAvi, PalettedFramesMatchTheFfmpegToolsOwnDecoding) {
  // 8-bit frames with a colour table: the expected pixels are those the ffmpeg program
  // itself decodes to B, G, R bytes from the same file.
  TempFolder dir;
  const std::string video = MakeVideo(dir, "pal.avi", true, "-c:v rawvideo -pix_fmt pal8");
  const std::string reference = dir / "pal.bgr";
  Ffmpeg("-i " + Quote(video) + " -f rawvideo -pix_fmt bgr24 " + Quote(reference));
  const std::vector<uint8_t> expected = ReadBytes(reference);
  ASSERT_EQ(expected.size(), static_cast<size_t>(3 * kW * kH * 3));
  RecordingProgress progress;
  const VideoResult r = ConvertVideo(video, dir / "pal", VideoFormat::Bmp, progress);
  ASSERT_TRUE(r.ok) << r.message;
  ASSERT_EQ(r.files.size(), 3u);
  for (int k = 0; k < 3; ++k) {
    const Bmp bmp = ReadBmpFile(r.files[k]);
    ASSERT_EQ(bmp.width, kW);
    ASSERT_EQ(bmp.height, kH);
    const std::vector<uint8_t> frame(expected.begin() + k * kW * kH * 3,
                                     expected.begin() + (k + 1) * kW * kH * 3);
    EXPECT_EQ(bmp.bgr, frame) << "frame " << k;
  }
}

TEST(VideoNames, FrameNumbersTakeFourDigitsThenFive) {
  // "%.4d": at least four digits, zeros in front.
  EXPECT_EQ(FrameFileName("jup", 0, ".bmp"), "jup0000.bmp");
  EXPECT_EQ(FrameFileName("jup", 7, ".bmp"), "jup0007.bmp");
  EXPECT_EQ(FrameFileName("jup", 9999, ".bmp"), "jup9999.bmp");
  EXPECT_EQ(FrameFileName("jup", 10000, ".bmp"), "jup10000.bmp");
  EXPECT_EQ(FrameFileName("jup", 123456, ".orv"), "jup123456.orv");
  EXPECT_EQ(FrameFileName("/obs/m57.bmp", 1, ".bmp"), "/obs/m57.bmp0001.bmp");
  EXPECT_EQ(ProgressText(0, 3), "0/3");
  EXPECT_EQ(ProgressText(10001, 10001), "10001/10001");
}

TEST(VideoAvi, BaseNameWithAnExtensionIsKeptAsTyped) {
  TempFolder dir;
  const std::string video = MakeVideo(dir, "m57.avi", false, "-c:v rawvideo -pix_fmt gray");
  RecordingProgress progress;
  const VideoResult r = ConvertVideo(video, dir / "m57.bmp", VideoFormat::Bmp, progress);
  ASSERT_TRUE(r.ok) << r.message;
  EXPECT_EQ(r.files, (std::vector<std::string>{dir / "m57.bmp0000.bmp", dir / "m57.bmp0001.bmp",
                                               dir / "m57.bmp0002.bmp"}));
  for (const std::string& f : r.files) EXPECT_TRUE(Exists(f)) << f;
}

TEST(VideoAvi, ContainerWithoutFrameCountIsCountedForTheProgress) {
  // Matroska declares no frame count: the total comes from counting the packets.
  TempFolder dir;
  const std::string video = MakeVideo(dir, "jup.mkv", false, "-c:v ffv1 -pix_fmt gray");
  RecordingProgress progress;
  const VideoResult r = ConvertVideo(video, dir / "jup", VideoFormat::Auto, progress);
  ASSERT_TRUE(r.ok) << r.message;
  EXPECT_EQ(r.total, 3);
  EXPECT_EQ(r.framesWritten, 3);
  EXPECT_EQ(progress.texts, (std::vector<std::string>{"0/3", "1/3", "2/3", "3/3"}));
}

TEST(VideoAvi, GreyVideoToOrvKeepsTheGreyLevels) {
  TempFolder dir;
  const std::string video = MakeVideo(dir, "g.avi", false, "-c:v rawvideo -pix_fmt gray");
  RecordingProgress progress;
  const VideoResult r = ConvertVideo(video, dir / "g", VideoFormat::Orv, progress);
  ASSERT_TRUE(r.ok) << r.message;
  ASSERT_EQ(r.files.size(), 3u);
  EXPECT_EQ(r.files[2], dir / "g0002.orv");
  for (int k = 0; k < 3; ++k) {
    const Orv orv = ReadOrvFile(r.files[k]);
    ASSERT_EQ(orv.width, kW);
    ASSERT_EQ(orv.height, kH);
    for (int x = 0; x < kW; ++x) {
      for (int y = 0; y < kH; ++y) {
        ASSERT_EQ(orv.At(x, y), InSquare(k, x, y) ? kGreySquare : kGreyGround)
            << "frame " << k << " x=" << x << " y=" << y;
      }
    }
  }
}

TEST(VideoAvi, ColourVideoToOrvSumsTheThreeChannels) {
  TempFolder dir;
  const std::string video = MakeVideo(dir, "c.avi", true, "-c:v rawvideo -pix_fmt bgr24");
  RecordingProgress progress;
  const VideoResult r = ConvertVideo(video, dir / "c", VideoFormat::Orv, progress);
  ASSERT_TRUE(r.ok) << r.message;
  const Orv orv = ReadOrvFile(r.files[1]);
  ASSERT_EQ(orv.width, kW);
  // 60 + 120 + 220 = 400 in the square, 30 + 40 + 50 = 120 on the ground.
  EXPECT_EQ(orv.At(SquareX(1), SquareY(1)), 400);
  EXPECT_EQ(orv.At(SquareX(1) + kSide - 1, SquareY(1) + kSide - 1), 400);
  EXPECT_EQ(orv.At(0, 0), 120);
  EXPECT_EQ(orv.At(kW - 1, kH - 1), 120);
}

// Resident memory in kB, from /proc/self/status.
long ResidentKb() {
  std::ifstream in("/proc/self/status");
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
  }
  return -1;
}

class MemoryProbe : public RecordingProgress {
 public:
  bool Step(int64_t done, int64_t total, const std::string& text) override {
    if (done == 1000) atThousand = ResidentKb();
    if (done == total) atEnd = ResidentKb();
    last = text;
    ++calls;
    return true;
  }
  long atThousand = -1;
  long atEnd = -1;
  std::string last;
  int64_t calls = 0;
};

TEST(VideoAvi, TenThousandAndOneFramesUseFiveDigitsAndDoNotGrowMemory) {
  TempFolder dir;
  const std::string video = dir / "long.avi";
  Ffmpeg("-f lavfi -i testsrc=size=48x48:rate=25 -frames:v 10001 -c:v rawvideo -pix_fmt bgr24 " +
         Quote(video));
  MemoryProbe probe;
  const VideoResult r = ConvertVideo(video, dir / "long", VideoFormat::Bmp, probe);
  ASSERT_TRUE(r.ok) << r.message;
  EXPECT_EQ(r.error, VideoError::None) << r.message;
  EXPECT_EQ(r.total, 10001);
  EXPECT_EQ(r.framesWritten, 10001);
  EXPECT_EQ(probe.calls, 10002);
  EXPECT_EQ(probe.last, "10001/10001");
  EXPECT_EQ(r.files.back(), dir / "long10000.bmp");
  EXPECT_TRUE(Exists(dir / "long9999.bmp"));
  EXPECT_TRUE(Exists(dir / "long10000.bmp"));
  EXPECT_FALSE(Exists(dir / "long10001.bmp"));
  const Bmp last = ReadBmpFile(dir / "long10000.bmp");
  EXPECT_EQ(last.width, 48);
  // Keeping one 48x48 picture per frame would add 9001 x 6912 bytes (about 60 MB) between
  // frame 1000 and the end; the names of the files written add well under 2 MB.
#if defined(__SANITIZE_ADDRESS__)
  // AddressSanitizer keeps freed blocks in quarantine, so resident memory grows by design;
  // its leak checker watches this build instead.
#else
  ASSERT_GT(probe.atThousand, 0);
  ASSERT_GT(probe.atEnd, 0);
  EXPECT_LT(probe.atEnd - probe.atThousand, 8 * 1024) << "kB grown over 9001 frames";
#endif
}

TEST(VideoAvi, FramesThatCannotBeWrittenAreCountedAndReported) {
  TempFolder dir;
  const std::string video = MakeVideo(dir, "jup.avi", false, "-c:v rawvideo -pix_fmt gray");
  RecordingProgress progress;
  const VideoResult r = ConvertVideo(video, dir / "no-such-folder/jup", VideoFormat::Bmp, progress);
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.error, VideoError::WriteFailures);
  EXPECT_EQ(r.framesRead, 3);
  EXPECT_EQ(r.framesWritten, 0);
  EXPECT_EQ(r.failedWrites, 3);
  EXPECT_TRUE(r.files.empty());
  EXPECT_EQ(progress.warnings.size(), 3u);
  EXPECT_EQ(r.failure.code, ErrorCode::VideoWriteFailures);
  EXPECT_EQ(r.failure.values, (std::vector<double>{3, 3}));
  EXPECT_EQ(r.failure.path, dir / "no-such-folder/jup0000.bmp");
  EXPECT_EQ(progress.texts, (std::vector<std::string>{"0/3", "1/3", "2/3", "3/3"}));
}

TEST(VideoAvi, FilesAlreadyThereAreReplacedOnlyWhenAskedTo) {
  TempFolder dir;
  const std::string video = MakeVideo(dir, "jup.avi", false, "-c:v rawvideo -pix_fmt gray");
  const std::vector<uint8_t> users{'m', 'i', 'n', 'e'};
  WriteBytes(dir / "jup0001.bmp", users);
  RecordingProgress progress;
  VideoResult r = ConvertVideo(video, dir / "jup", VideoFormat::Bmp, progress);
  // Refused before anything is written; the user's file is as it was.
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.error, VideoError::OutputExists);
  EXPECT_EQ(r.failure.code, ErrorCode::FileExists);
  EXPECT_EQ(r.failure.path, dir / "jup0001.bmp");
  EXPECT_TRUE(progress.texts.empty());
  EXPECT_FALSE(Exists(dir / "jup0000.bmp"));
  EXPECT_EQ(ReadBytes(dir / "jup0001.bmp"), users);

  // Told to replace: frame 1 takes the place of the file; a folder in the way of frame 2 is
  // not replaced, and that frame alone is reported.
  std::filesystem::create_directory(dir / "jup0002.bmp");
  VideoOptions options;
  options.format = VideoFormat::Bmp;
  options.overwrite = true;
  r = ConvertVideo(video, dir / "jup", options, progress);
  EXPECT_TRUE(r.ok);
  EXPECT_EQ(r.error, VideoError::WriteFailures);
  EXPECT_EQ(r.files, (std::vector<std::string>{dir / "jup0000.bmp", dir / "jup0001.bmp"}));
  ASSERT_EQ(progress.warnings.size(), 1u);
  EXPECT_EQ(progress.warnings[0].code, ErrorCode::FileWrite);
  EXPECT_EQ(progress.warnings[0].path, dir / "jup0002.bmp");
  EXPECT_EQ(ReadBmpFile(dir / "jup0001.bmp").G(SquareX(1), SquareY(1)), kGreySquare);
  // No temporary file is left beside them.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()),
                          std::filesystem::directory_iterator{}),
            6);  // home, frames.gray, jup.avi, jup0000.bmp, jup0001.bmp, jup0002.bmp
}

TEST(VideoAvi, StoppingFromTheProgressKeepsTheFramesWritten) {
  TempFolder dir;
  const std::string video = MakeVideo(dir, "jup.avi", false, "-c:v rawvideo -pix_fmt gray");
  RecordingProgress progress;
  progress.stopAfter = 1;
  const VideoResult r = ConvertVideo(video, dir / "jup", VideoFormat::Bmp, progress);
  EXPECT_TRUE(r.ok);
  EXPECT_EQ(r.error, VideoError::Cancelled);
  EXPECT_EQ(r.framesWritten, 1);
  EXPECT_EQ(progress.texts, (std::vector<std::string>{"0/3", "1/3"}));
  EXPECT_FALSE(Exists(dir / "jup0001.bmp"));
}

TEST(VideoOpenFailures, MissingFileIsAnOpenError) {
  TempFolder dir;
  RecordingProgress progress;
  const VideoResult r = ConvertVideo(dir / "absent.avi", dir / "x", VideoFormat::Auto, progress);
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.error, VideoError::OpenError);
  EXPECT_EQ(r.failure.code, ErrorCode::VideoOpenError);
  EXPECT_EQ(r.failure.path, dir / "absent.avi");
  EXPECT_TRUE(progress.texts.empty());
  EXPECT_EQ(r.framesWritten, 0);
}

TEST(VideoOpenFailures, FolderIsAnOpenError) {
  TempFolder dir;
  RecordingProgress progress;
  const VideoResult r = ConvertVideo(dir.Path(), dir / "x", VideoFormat::Auto, progress);
  EXPECT_EQ(r.failure.code, ErrorCode::VideoOpenError);
}

TEST(VideoOpenFailures, TextFileCouldNotBeRead) {
  TempFolder dir;
  const std::string path = dir / "notes.avi";
  const std::string text = "These are observing notes, not a video.\n";
  WriteBytes(path, std::vector<uint8_t>(text.begin(), text.end()));
  RecordingProgress progress;
  const VideoResult r = ConvertVideo(path, dir / "x", VideoFormat::Auto, progress);
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.error, VideoError::BadFormat);
  EXPECT_EQ(r.failure.code, ErrorCode::VideoBadFormat);
  EXPECT_TRUE(progress.texts.empty());
  EXPECT_FALSE(Exists(dir / "x0000.bmp"));
}

TEST(VideoOpenFailures, EmptyFileCouldNotBeRead) {
  TempFolder dir;
  WriteBytes(dir / "empty.avi", {});
  RecordingProgress progress;
  const VideoResult r = ConvertVideo(dir / "empty.avi", dir / "x", VideoFormat::Auto, progress);
  EXPECT_EQ(r.failure.code, ErrorCode::VideoBadFormat);
}

TEST(VideoOpenFailures, SoundWithoutPicturesWritesNothing) {
  TempFolder dir;
  const std::string path = dir / "tone.wav";
  Ffmpeg("-f lavfi -i sine=frequency=440:duration=0.2 " + Quote(path));
  RecordingProgress progress;
  const VideoResult r = ConvertVideo(path, dir / "x", VideoFormat::Auto, progress);
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.error, VideoError::NoVideo);
  EXPECT_EQ(r.failure.code, ErrorCode::VideoNoStream);
  EXPECT_EQ(r.failure.path, path);
  EXPECT_TRUE(progress.texts.empty());
  EXPECT_EQ(r.framesWritten, 0);
}

TEST(VideoOpenFailures, VideoCutInsideAFrameKeepsTheWholeFrames) {
  // A raw grey AVI of 3 frames of 768 bytes, cut 100 bytes into the last frame's data.
  TempFolder dir;
  const std::string video = MakeVideo(dir, "cut.avi", false, "-c:v rawvideo -pix_fmt gray");
  std::vector<uint8_t> bytes = ReadBytes(video);
  // Frame data chunks are "00db" or "00dc" followed by the size; find the third one.
  size_t found = 0;
  size_t third = std::string::npos;
  for (size_t i = 0; i + 8 <= bytes.size(); ++i) {
    if (bytes[i] == '0' && bytes[i + 1] == '0' && bytes[i + 2] == 'd' &&
        (bytes[i + 3] == 'b' || bytes[i + 3] == 'c') && bytes[i + 4] == kW * kH % 256 &&
        bytes[i + 5] == kW * kH / 256) {
      if (++found == 3) {
        third = i;
        break;
      }
    }
  }
  ASSERT_NE(third, std::string::npos);
  bytes.resize(third + 8 + 100);
  WriteBytes(video, bytes);
  RecordingProgress progress;
  const VideoResult r = ConvertVideo(video, dir / "cut", VideoFormat::Bmp, progress);
  EXPECT_TRUE(r.ok) << r.message;
  EXPECT_EQ(r.framesWritten, 2);
  EXPECT_TRUE(Exists(dir / "cut0001.bmp"));
  EXPECT_FALSE(Exists(dir / "cut0002.bmp"));
  // The file ends inside the third frame: a read error.
  EXPECT_EQ(r.error, VideoError::ReadError) << r.message;
  EXPECT_EQ(r.failure.code, ErrorCode::VideoReadError);
}

}  // namespace
}  // namespace orvek::videotest
