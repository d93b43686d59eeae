// SER videos written by the tests byte by byte, read by SerReader and converted to BMP or
// ORV frames; malformed headers refused with messages naming the file and the numbers.

#include <gtest/gtest.h>

#include "VideoTestSupport.h"
#include "core/OTrame.h"
#include "series/FrameSource.h"
#include "series/SerReader.h"
#include "series/VideoImport.h"

namespace orvek::videotest {
namespace {

// Sample of frame k at (x, y), plane p: distinct for every position so that a swapped
// row, column, plane or frame shows, and spanning the high byte for 16-bit samples.
uint16_t Sample16(int k, int x, int y, int p) {
  return static_cast<uint16_t>(1000 * k + 300 * y + 17 * x + 5 * p + 1 +
                               (y == 1 && x == 2 ? 60000 : 0));
}
uint16_t Sample8(int k, int x, int y, int p) {
  return static_cast<uint16_t>((40 * k + 30 * y + 7 * x + 3 * p + 1) % 256);
}

std::vector<uint16_t> Frames(int frames, int w, int h, int planes, bool wide) {
  std::vector<uint16_t> s;
  for (int k = 0; k < frames; ++k) {
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        for (int p = 0; p < planes; ++p)
          s.push_back(wide ? Sample16(k, x, y, p) : Sample8(k, x, y, p));
      }
    }
  }
  return s;
}

SerSpec Spec(int colorId, int depth, int w, int h, int frames, int littleEndianField = 0) {
  SerSpec s;
  s.colorId = colorId;
  s.depth = depth;
  s.width = w;
  s.height = h;
  s.frameCount = frames;
  s.littleEndian = littleEndianField;
  return s;
}

VideoResult Convert(const std::string& path, const std::string& base, VideoFormat format,
                    RecordingProgress& progress, SerByteOrder order = SerByteOrder::FromHeader) {
  VideoOptions options;
  options.format = format;
  options.serByteOrder = order;
  return ConvertVideo(path, base, options, progress);
}

TEST(SerVideo, EightBitMonoGoesToGreyBmp) {
  TempFolder dir;
  WriteSer(dir / "jup.ser", Spec(0, 8, 5, 4, 3), Frames(3, 5, 4, 1, false), 1, false);
  RecordingProgress progress;
  const VideoResult r = Convert(dir / "jup.ser", dir / "jup", VideoFormat::Auto, progress);
  ASSERT_TRUE(r.ok) << r.message;
  EXPECT_EQ(r.error, VideoError::None);
  EXPECT_EQ(r.total, 3);
  EXPECT_EQ(r.framesWritten, 3);
  EXPECT_EQ(r.files, (std::vector<std::string>{dir / "jup0000.bmp", dir / "jup0001.bmp",
                                               dir / "jup0002.bmp"}));
  EXPECT_EQ(progress.texts, (std::vector<std::string>{"0/3", "1/3", "2/3", "3/3"}));
  for (int k = 0; k < 3; ++k) {
    const Bmp bmp = ReadBmpFile(r.files[k]);
    ASSERT_EQ(bmp.width, 5);
    ASSERT_EQ(bmp.height, 4);
    for (int y = 0; y < 4; ++y) {
      for (int x = 0; x < 5; ++x) {
        const int g = Sample8(k, x, y, 0);
        ASSERT_EQ(bmp.B(x, y), g);
        ASSERT_EQ(bmp.G(x, y), g);
        ASSERT_EQ(bmp.R(x, y), g);
      }
    }
  }
}

TEST(SerVideo, EightBitMonoToOrvKeepsTheValues) {
  TempFolder dir;
  WriteSer(dir / "a.ser", Spec(0, 8, 3, 2, 2), Frames(2, 3, 2, 1, false), 1, false);
  RecordingProgress progress;
  const VideoResult r = Convert(dir / "a.ser", dir / "a", VideoFormat::Orv, progress);
  ASSERT_TRUE(r.ok) << r.message;
  EXPECT_EQ(r.files[1], dir / "a0001.orv");
  const Orv orv = ReadOrvFile(r.files[1]);
  ASSERT_EQ(orv.width, 3);
  ASSERT_EQ(orv.height, 2);
  for (int x = 0; x < 3; ++x) {
    for (int y = 0; y < 2; ++y) EXPECT_EQ(orv.At(x, y), Sample8(1, x, y, 0));
  }
}

struct ByteOrderCase {
  const char* label;
  int32_t field;       // the LittleEndian header field
  bool bigEndianData;  // how the samples are really stored
  SerByteOrder order;  // what the caller asks for
};

class SerSixteenBit : public ::testing::TestWithParam<ByteOrderCase> {};

// Capture programs write the field as 0 for little-endian samples and 1 for big-endian.
INSTANTIATE_TEST_SUITE_P(
    ByteOrders, SerSixteenBit,
    ::testing::Values(ByteOrderCase{"field0_little", 0, false, SerByteOrder::FromHeader},
                      ByteOrderCase{"field1_big", 1, true, SerByteOrder::FromHeader},
                      ByteOrderCase{"field1_forced_little", 1, false, SerByteOrder::Little},
                      ByteOrderCase{"field0_forced_big", 0, true, SerByteOrder::Big}),
    [](const ::testing::TestParamInfo<ByteOrderCase>& info) {
      return std::string(info.param.label);
    });

TEST_P(SerSixteenBit, MonoGoesToOrvWithoutLoss) {
  const ByteOrderCase& c = GetParam();
  TempFolder dir;
  WriteSer(dir / "m.ser", Spec(0, 16, 4, 3, 3, c.field), Frames(3, 4, 3, 1, true), 2,
           c.bigEndianData);
  RecordingProgress progress;
  const VideoResult r = Convert(dir / "m.ser", dir / "m", VideoFormat::Auto, progress, c.order);
  ASSERT_TRUE(r.ok) << r.message;
  EXPECT_EQ(r.files,
            (std::vector<std::string>{dir / "m0000.orv", dir / "m0001.orv", dir / "m0002.orv"}));
  EXPECT_EQ(progress.texts, (std::vector<std::string>{"0/3", "1/3", "2/3", "3/3"}));
  for (int k = 0; k < 3; ++k) {
    const Orv orv = ReadOrvFile(r.files[k]);
    ASSERT_EQ(orv.width, 4);
    ASSERT_EQ(orv.height, 3);
    for (int x = 0; x < 4; ++x) {
      for (int y = 0; y < 3; ++y) {
        ASSERT_EQ(orv.At(x, y), Sample16(k, x, y, 0)) << "frame " << k << " x=" << x << " y=" << y;
      }
    }
  }
  // The sample at (2, 1) of frame 2 is 2000 + 300 + 34 + 1 + 60000 = 62335.
  EXPECT_EQ(ReadOrvFile(r.files[2]).At(2, 1), 62335);
}

TEST(SerVideo, OrvFramesLoadInOrvekAsTheSamples) {
  // The frames go on through Orvek's own reader, as the image list will load them.
  TempFolder dir;
  WriteSer(dir / "l.ser", Spec(0, 16, 5, 4, 2), Frames(2, 5, 4, 1, true), 2, false);
  RecordingProgress progress;
  const VideoResult r = Convert(dir / "l.ser", dir / "l", VideoFormat::Auto, progress);
  ASSERT_TRUE(r.ok) << r.message;
  OTrame frame;
  const Status s = frame.ReadOrv(dir / "l0001.orv", nullptr);
  ASSERT_TRUE(s.ok) << s.message;
  ASSERT_EQ(frame.Width(), 5);
  ASSERT_EQ(frame.Height(), 4);
  for (int x = 0; x < 5; ++x) {
    for (int y = 0; y < 4; ++y) EXPECT_EQ(frame.Px(x, y), Sample16(1, x, y, 0));
  }
}

TEST(SerVideo, TwelveBitSamplesAreKeptAsStored) {
  TempFolder dir;
  const std::vector<uint16_t> samples{0, 1, 4095, 2748, 0x0ABC, 100};
  WriteSer(dir / "d12.ser", Spec(0, 12, 3, 2, 1), samples, 2, false);
  RecordingProgress progress;
  const VideoResult r = Convert(dir / "d12.ser", dir / "d", VideoFormat::Auto, progress);
  ASSERT_TRUE(r.ok) << r.message;
  ASSERT_EQ(r.files, (std::vector<std::string>{dir / "d0000.orv"}));
  const Orv orv = ReadOrvFile(r.files[0]);
  EXPECT_EQ(orv.At(0, 0), 0);
  EXPECT_EQ(orv.At(2, 0), 4095);
  EXPECT_EQ(orv.At(0, 1), 2748);
  EXPECT_EQ(orv.At(1, 1), 0x0ABC);
  EXPECT_EQ(orv.At(2, 1), 100);
}

TEST(SerVideo, DeepSamplesForcedToBmpKeepTheirTopEightBits) {
  TempFolder dir;
  // 12 bits: v >> 4 (4095 -> 255, 0x0ABC -> 0xAB); 16 bits: v >> 8.
  WriteSer(dir / "d12.ser", Spec(0, 12, 3, 1, 1), {4095, 0x0ABC, 15}, 2, false);
  WriteSer(dir / "d16.ser", Spec(0, 16, 2, 1, 1), {0x1234, 0xFFFF}, 2, false);
  RecordingProgress progress;
  VideoResult r = Convert(dir / "d12.ser", dir / "a", VideoFormat::Bmp, progress);
  ASSERT_TRUE(r.ok) << r.message;
  Bmp bmp = ReadBmpFile(dir / "a0000.bmp");
  EXPECT_EQ(bmp.G(0, 0), 255);
  EXPECT_EQ(bmp.G(1, 0), 0xAB);
  EXPECT_EQ(bmp.G(2, 0), 0);
  r = Convert(dir / "d16.ser", dir / "b", VideoFormat::Bmp, progress);
  ASSERT_TRUE(r.ok) << r.message;
  bmp = ReadBmpFile(dir / "b0000.bmp");
  EXPECT_EQ(bmp.R(0, 0), 0x12);
  EXPECT_EQ(bmp.B(1, 0), 0xFF);
}

TEST(SerVideo, RgbAndBgrEightBitKeepTheirColours) {
  TempFolder dir;
  // One frame of 2 x 1: a red-ish pixel then a blue-ish one, in file plane order.
  WriteSer(dir / "rgb.ser", Spec(100, 8, 2, 1, 1), {200, 100, 10, 5, 50, 250}, 1, false);
  WriteSer(dir / "bgr.ser", Spec(101, 8, 2, 1, 1), {200, 100, 10, 5, 50, 250}, 1, false);
  RecordingProgress progress;
  ASSERT_TRUE(Convert(dir / "rgb.ser", dir / "rgb", VideoFormat::Auto, progress).ok);
  ASSERT_TRUE(Convert(dir / "bgr.ser", dir / "bgr", VideoFormat::Auto, progress).ok);
  const Bmp rgb = ReadBmpFile(dir / "rgb0000.bmp");
  EXPECT_EQ(rgb.R(0, 0), 200);
  EXPECT_EQ(rgb.G(0, 0), 100);
  EXPECT_EQ(rgb.B(0, 0), 10);
  EXPECT_EQ(rgb.R(1, 0), 5);
  EXPECT_EQ(rgb.B(1, 0), 250);
  const Bmp bgr = ReadBmpFile(dir / "bgr0000.bmp");
  EXPECT_EQ(bgr.B(0, 0), 200);
  EXPECT_EQ(bgr.G(0, 0), 100);
  EXPECT_EQ(bgr.R(0, 0), 10);
  EXPECT_EQ(bgr.R(1, 0), 250);
}

TEST(SerVideo, SixteenBitColourGoesToOrvAsTheSumOfItsPlanes) {
  TempFolder dir;
  WriteSer(dir / "c.ser", Spec(100, 16, 3, 2, 2), Frames(2, 3, 2, 3, true), 2, false);
  RecordingProgress progress;
  const VideoResult r = Convert(dir / "c.ser", dir / "c", VideoFormat::Auto, progress);
  ASSERT_TRUE(r.ok) << r.message;
  const Orv orv = ReadOrvFile(dir / "c0001.orv");
  ASSERT_EQ(orv.width, 3);
  for (int x = 0; x < 3; ++x) {
    for (int y = 0; y < 2; ++y) {
      const long double sum = static_cast<long double>(Sample16(1, x, y, 0)) +
                              Sample16(1, x, y, 1) + Sample16(1, x, y, 2);
      EXPECT_EQ(orv.At(x, y), sum) << "x=" << x << " y=" << y;
    }
  }
  // (2, 1) of frame 1: 3 x (1000 + 300 + 34 + 1 + 60000) + 5 x (0 + 1 + 2) = 184 020, above
  // 16 bits, kept exactly.
  EXPECT_EQ(orv.At(2, 1), 184020);
}

TEST(SerVideo, BayerFramesStayRawValues) {
  TempFolder dir;
  WriteSer(dir / "b.ser", Spec(8, 16, 4, 2, 1), Frames(1, 4, 2, 1, true), 2, false);
  RecordingProgress progress;
  const VideoResult r = Convert(dir / "b.ser", dir / "b", VideoFormat::Auto, progress);
  ASSERT_TRUE(r.ok) << r.message;
  const Orv orv = ReadOrvFile(dir / "b0000.orv");
  for (int x = 0; x < 4; ++x) {
    for (int y = 0; y < 2; ++y) EXPECT_EQ(orv.At(x, y), Sample16(0, x, y, 0));
  }
}

// 100 ns ticks of 2023-09-07T22:22:39.131697 UTC, as Python's datetime counts them from
// 0001-01-01 (tests/time/make_time_fixtures.py).
constexpr int64_t kTicks = 638297221591316970LL;
constexpr int64_t kTicksPer15Ms = 150000;

TEST(SerVideo, TimestampTrailerIsReadAndChangesNothingElse) {
  TempFolder dir;
  const std::vector<int64_t> stamps{kTicks, kTicks + kTicksPer15Ms, kTicks + 2 * kTicksPer15Ms};
  WriteSer(dir / "t.ser", Spec(0, 16, 2, 2, 3), Frames(3, 2, 2, 1, true), 2, false, stamps);
  // Without a trailer, the header's UTC date stands for every frame.
  SerSpec header = Spec(0, 16, 2, 2, 3);
  header.dateTimeUtc = kTicks;
  WriteSer(dir / "n.ser", header, Frames(3, 2, 2, 1, true), 2, false);

  SerReader with;
  ASSERT_TRUE(with.Open(dir / "t.ser").ok);
  EXPECT_TRUE(with.Header().hasTimestamps);
  std::vector<int64_t> read;
  ASSERT_TRUE(with.ReadTimestamps(read).ok);
  EXPECT_EQ(read, stamps);
  SerReader without;
  ASSERT_TRUE(without.Open(dir / "n.ser").ok);
  EXPECT_FALSE(without.Header().hasTimestamps);
  ASSERT_TRUE(without.ReadTimestamps(read).ok);
  EXPECT_TRUE(read.empty());

  RecordingProgress progress;
  ASSERT_TRUE(Convert(dir / "t.ser", dir / "t", VideoFormat::Auto, progress).ok);
  ASSERT_TRUE(Convert(dir / "n.ser", dir / "n", VideoFormat::Auto, progress).ok);
  for (int k = 0; k < 3; ++k) {
    const std::string suffix = "000" + std::to_string(k) + ".orv";
    EXPECT_EQ(ReadBytes(dir / ("t" + suffix)), ReadBytes(dir / ("n" + suffix)));
  }
  // The frames' times: each stamp, or the header's date marked approximate.
  const UtcTime first{2023, 9, 7, 22, 22, 39.131697};
  for (const char* name : {"t.ser", "n.ser"}) {
    auto source = OpenFrameSource({dir / name}, FrameSourceOptions{});
    ASSERT_TRUE(source.ok());
    SourceFrame f;
    for (int k = 0; k < 3; ++k) {
      ASSERT_TRUE(*(*source)->Next(f));
      ASSERT_TRUE(f.frame.Time.has_value());
      const bool stamped = name[0] == 't';
      EXPECT_EQ(f.frame.Time->approximate, !stamped);
      EXPECT_NEAR(*SecondsBetween(first, f.frame.Time->utc), stamped ? 0.015 * k : 0, 1e-6);
    }
  }
}

TEST(SerVideo, TimeStampsGoToFitsAndReadBackToTheMillisecond) {
  TempFolder dir;
  const std::vector<int64_t> stamps{kTicks, kTicks + kTicksPer15Ms, kTicks + 2 * kTicksPer15Ms};
  WriteSer(dir / "t.ser", Spec(0, 16, 4, 3, 3), Frames(3, 4, 3, 1, true), 2, false, stamps);
  RecordingProgress progress;
  const VideoResult r = Convert(dir / "t.ser", dir / "t", VideoFormat::Fits, progress);
  ASSERT_TRUE(r.ok) << r.message;
  ASSERT_EQ(r.files,
            (std::vector<std::string>{dir / "t0000.fits", dir / "t0001.fits", dir / "t0002.fits"}));
  const UtcTime first{2023, 9, 7, 22, 22, 39.131697};
  for (int k = 0; k < 3; ++k) {
    OTrame frame;
    ASSERT_TRUE(frame.LoadFile(r.files[k]).ok());
    ASSERT_TRUE(frame.Time.has_value());
    EXPECT_NEAR(*SecondsBetween(first, frame.Time->utc), 0.015 * k, 0.0005 + 1e-9);
    for (int x = 0; x < 4; ++x) {
      for (int y = 0; y < 3; ++y) ASSERT_EQ(frame.Px(x, y), Sample16(k, x, y, 0));
    }
  }
  // The file as astropy, an independent FITS reader, sees it: the start of frame 2 (39.161697
  // to the millisecond) and its sample at (2, 1), 2000 + 300 + 34 + 1 + 60000.
  const std::string out = dir / "astropy.txt";
  ASSERT_EQ(
      videotest::Run("/usr/bin/python3 -c \"from astropy.io import fits; h = fits.open('" +
                     r.files[2] + "'); print(h[0].header['DATE-OBS'], int(h[0].data[1][2]))\" > " +
                     Quote(out) + " 2>/dev/null"),
      0);
  const std::vector<uint8_t> said = ReadBytes(out);
  EXPECT_EQ(std::string(said.begin(), said.end()), "2023-09-07T22:22:39.162 62335\n");
}

TEST(SerVideo, HeaderFieldsAreRead) {
  TempFolder dir;
  SerSpec spec = Spec(9, 10, 6, 5, 2, 1);
  spec.luId = 42;
  spec.observer = "Observer Name";
  spec.instrument = "ZWO";
  spec.telescope = "C14";
  spec.dateTime = 0x0102030405060708LL;
  spec.dateTimeUtc = -5;
  WriteSer(dir / "h.ser", spec, Frames(2, 6, 5, 1, true), 2, true);
  SerReader reader;
  const Status s = reader.Open(dir / "h.ser");
  ASSERT_TRUE(s.ok) << s.message;
  const SerHeader& h = reader.Header();
  EXPECT_EQ(h.luId, 42);
  EXPECT_EQ(h.colorId, 9);
  EXPECT_TRUE(h.IsBayer());
  EXPECT_EQ(h.littleEndianField, 1);
  EXPECT_TRUE(h.bigEndianData);
  EXPECT_EQ(h.width, 6);
  EXPECT_EQ(h.height, 5);
  EXPECT_EQ(h.depth, 10);
  EXPECT_EQ(h.frameCount, 2);
  EXPECT_EQ(h.observer, "Observer Name");
  EXPECT_EQ(h.instrument, "ZWO");
  EXPECT_EQ(h.telescope, "C14");
  EXPECT_EQ(h.dateTime, 0x0102030405060708LL);
  EXPECT_EQ(h.dateTimeUtc, -5);
  EXPECT_EQ(h.bytesPerSample, 2);
  EXPECT_EQ(h.frameBytes, 6 * 5 * 2);
  std::vector<uint16_t> frame;
  ASSERT_TRUE(reader.ReadFrame(1, frame).ok);
  ASSERT_EQ(frame.size(), 30u);
  EXPECT_EQ(frame[1 * 6 + 2], Sample16(1, 2, 1, 0));
  EXPECT_FALSE(reader.ReadFrame(2, frame).ok);
  EXPECT_FALSE(reader.ReadFrame(-1, frame).ok);
}

TEST(SerVideo, SerContentIsRecognisedWhateverTheExtension) {
  TempFolder dir;
  WriteSer(dir / "capture.avi", Spec(0, 8, 2, 2, 2), Frames(2, 2, 2, 1, false), 1, false);
  RecordingProgress progress;
  const VideoResult r = Convert(dir / "capture.avi", dir / "cap", VideoFormat::Auto, progress);
  ASSERT_TRUE(r.ok) << r.message;
  EXPECT_EQ(r.framesWritten, 2);
}

TEST(SerVideo, NoFrameWritesNothing) {
  TempFolder dir;
  WriteSer(dir / "z.ser", Spec(0, 8, 2, 2, 0), {}, 1, false);
  RecordingProgress progress;
  const VideoResult r = Convert(dir / "z.ser", dir / "z", VideoFormat::Auto, progress);
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.error, VideoError::NoFrame);
  EXPECT_EQ(r.failure.code, ErrorCode::VideoNoFrame);
  EXPECT_EQ(r.failure.path, dir / "z.ser");
  EXPECT_FALSE(Exists(dir / "z0000.bmp"));
}

TEST(SerVideo, StoppingKeepsTheFramesWritten) {
  TempFolder dir;
  WriteSer(dir / "s.ser", Spec(0, 8, 2, 2, 5), Frames(5, 2, 2, 1, false), 1, false);
  RecordingProgress progress;
  progress.stopAfter = 2;
  const VideoResult r = Convert(dir / "s.ser", dir / "s", VideoFormat::Auto, progress);
  EXPECT_TRUE(r.ok);
  EXPECT_EQ(r.error, VideoError::Cancelled);
  EXPECT_EQ(r.framesWritten, 2);
  EXPECT_FALSE(Exists(dir / "s0002.bmp"));
}

TEST(SerVideo, UnwritableFramesAreCounted) {
  TempFolder dir;
  WriteSer(dir / "u.ser", Spec(0, 16, 2, 2, 2), Frames(2, 2, 2, 1, true), 2, false);
  RecordingProgress progress;
  const VideoResult r = Convert(dir / "u.ser", dir / "missing/u", VideoFormat::Auto, progress);
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.error, VideoError::WriteFailures);
  EXPECT_EQ(r.failedWrites, 2);
  EXPECT_EQ(progress.warnings.size(), 2u);
}

// Malformed files: each row changes one thing in a valid 4 x 3 8-bit mono file of 2 frames
// and names the failure it must give: SerBadHeader with the field and its value as found, or
// SerTruncated with FrameCount, the whole frames present and the bytes of a frame.
struct Malformed {
  const char* label;
  void (*change)(SerSpec&);
  size_t dataBytes;  // bytes of frame data actually written
  ErrorCode code;
  std::string field;
  std::string text;
  std::vector<double> values;
};

void PrintTo(const Malformed& m, std::ostream* os) {
  *os << m.label;
}

class SerMalformed : public ::testing::TestWithParam<Malformed> {};

INSTANTIATE_TEST_SUITE_P(
    Headers, SerMalformed,
    ::testing::Values(
        Malformed{"wrong_file_id",
                  [](SerSpec& s) { s.fileId = "LUCAM-RECORDEX"; },
                  24,
                  ErrorCode::SerBadHeader,
                  "FileID",
                  "LUCAM-RECORDEX",
                  {}},
        Malformed{"zero_width",
                  [](SerSpec& s) { s.width = 0; },
                  24,
                  ErrorCode::SerBadHeader,
                  "ImageWidth",
                  "0",
                  {}},
        Malformed{"negative_height",
                  [](SerSpec& s) { s.height = -3; },
                  24,
                  ErrorCode::SerBadHeader,
                  "ImageHeight",
                  "-3",
                  {}},
        Malformed{"absurd_size",
                  [](SerSpec& s) { s.width = s.height = 2000000; },
                  24,
                  ErrorCode::SerBadHeader,
                  "ImageWidth x ImageHeight",
                  "2000000 x 2000000",
                  {}},
        Malformed{"depth_zero",
                  [](SerSpec& s) { s.depth = 0; },
                  24,
                  ErrorCode::SerBadHeader,
                  "PixelDepthPerPlane",
                  "0",
                  {}},
        Malformed{"depth_seventeen",
                  [](SerSpec& s) { s.depth = 17; },
                  24,
                  ErrorCode::SerBadHeader,
                  "PixelDepthPerPlane",
                  "17",
                  {}},
        Malformed{"unknown_colour",
                  [](SerSpec& s) { s.colorId = 7; },
                  24,
                  ErrorCode::SerBadHeader,
                  "ColorID",
                  "7",
                  {}},
        Malformed{"negative_count",
                  [](SerSpec& s) { s.frameCount = -1; },
                  24,
                  ErrorCode::SerBadHeader,
                  "FrameCount",
                  "-1",
                  {}},
        // 3 frames announced, 2 whole frames of 12 bytes present.
        Malformed{"count_beyond_data",
                  [](SerSpec& s) { s.frameCount = 3; },
                  24,
                  ErrorCode::SerTruncated,
                  "",
                  "",
                  {3, 2, 12}},
        // 2 frames announced, 23 data bytes: only 1 whole frame.
        Malformed{
            "last_frame_cut", [](SerSpec&) {}, 23, ErrorCode::SerTruncated, "", "", {2, 1, 12}},
        // 16-bit samples double the frame size: 24 bytes hold 1 frame of 24 bytes, not 2.
        Malformed{"depth_doubles_frame",
                  [](SerSpec& s) { s.depth = 16; },
                  24,
                  ErrorCode::SerTruncated,
                  "",
                  "",
                  {2, 1, 24}},
        // 2 whole frames, then 12 bytes of a trailer that needs 16: one time stamp of two.
        Malformed{
            "trailer_short", [](SerSpec&) {}, 36, ErrorCode::SerTrailerShort, "", "", {1, 2}}),
    [](const ::testing::TestParamInfo<Malformed>& info) { return std::string(info.param.label); });

TEST_P(SerMalformed, IsRefusedWithWhatIsWrong) {
  const Malformed& m = GetParam();
  TempFolder dir;
  SerSpec spec = Spec(0, 8, 4, 3, 2);
  m.change(spec);
  std::vector<uint8_t> bytes = SerHeaderBytes(spec);
  for (size_t i = 0; i < m.dataBytes; ++i) bytes.push_back(static_cast<uint8_t>(i));
  const std::string path = dir / "bad.ser";
  WriteBytes(path, bytes);
  RecordingProgress progress;
  const VideoResult r = Convert(path, dir / "bad", VideoFormat::Auto, progress);
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.error, VideoError::MalformedSer);
  EXPECT_EQ(r.failure.code, m.code) << r.message;
  EXPECT_EQ(r.failure.path, path);
  EXPECT_EQ(r.failure.field, m.field);
  EXPECT_EQ(r.failure.text, m.text);
  EXPECT_EQ(r.failure.values, m.values);
  EXPECT_TRUE(progress.texts.empty());
  EXPECT_FALSE(Exists(dir / "bad0000.bmp"));
  EXPECT_EQ(r.framesWritten, 0);
}

TEST(SerMalformedHeader, EveryShortHeaderIsRefused) {
  // A valid header cut at every length from 0 to 177 bytes.
  const std::vector<uint8_t> full = SerHeaderBytes(Spec(0, 8, 4, 3, 0));
  for (size_t n = 0; n < full.size(); ++n) {
    SerHeader h;
    const Status s = ParseSerHeader(full.data(), n, static_cast<int64_t>(n), "cut.ser",
                                    SerByteOrder::FromHeader, h);
    EXPECT_FALSE(s.ok) << n << " bytes";
    EXPECT_EQ(s.error.code, ErrorCode::SerBadHeader);
    EXPECT_EQ(s.error.text, std::to_string(n));
  }
  SerHeader h;
  EXPECT_TRUE(
      ParseSerHeader(full.data(), full.size(), 178, "ok.ser", SerByteOrder::FromHeader, h).ok);
}

TEST(SerMalformedHeader, ShortFilesThroughTheConversion) {
  TempFolder dir;
  const std::vector<uint8_t> full = SerHeaderBytes(Spec(0, 8, 4, 3, 1));
  for (size_t n : {size_t{0}, size_t{10}, size_t{14}, size_t{100}, size_t{177}, size_t{178}}) {
    const std::string path = dir / ("short" + std::to_string(n) + ".ser");
    WriteBytes(path, std::vector<uint8_t>(full.begin(), full.begin() + static_cast<long>(n)));
    RecordingProgress progress;
    const VideoResult r = Convert(path, dir / "s", VideoFormat::Auto, progress);
    EXPECT_EQ(r.error, VideoError::MalformedSer) << n << ": " << r.message;
    // A whole header of one frame without the frame's bytes is a truncated video.
    EXPECT_EQ(r.failure.code, n < 178 ? ErrorCode::SerBadHeader : ErrorCode::SerTruncated);
    EXPECT_EQ(r.failure.path, path);
  }
}

TEST(SerMalformedHeader, MissingSerFileIsAnOpenError) {
  TempFolder dir;
  RecordingProgress progress;
  const VideoResult r = Convert(dir / "gone.ser", dir / "g", VideoFormat::Auto, progress);
  EXPECT_EQ(r.error, VideoError::OpenError);
  EXPECT_EQ(r.failure.code, ErrorCode::VideoOpenError);
}

}  // namespace
}  // namespace orvek::videotest
