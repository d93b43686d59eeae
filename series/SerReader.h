#pragma once
// Reading SER videos, the format of astronomy capture programs: a 178-byte header that
// begins with "LUCAM-RECORDER", then FrameCount frames of ImageWidth x ImageHeight pixels
// (rows top first, pixels left to right, colour planes interleaved per pixel), then an
// optional trailer of FrameCount 64-bit timestamps.
//
// Header layout (integers little-endian whatever the byte order of the pixel data):
//   0 FileID[14]  14 LuID  18 ColorID  22 LittleEndian  26 ImageWidth  30 ImageHeight
//   34 PixelDepthPerPlane  38 FrameCount  42 Observer[40]  82 Instrument[40]
//   122 Telescope[40]  162 DateTime (int64)  170 DateTime_UTC (int64)
//
// Byte order of 16-bit samples: capture programs write LittleEndian = 0 for little-endian
// samples and 1 for big-endian ones, the reverse of what the field's name suggests; that
// is the files that exist, so it is the meaning used here (0 -> little, any other value ->
// big). A caller that knows better can force either order.

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "core/Status.h"

namespace orvek {

inline constexpr int kSerHeaderBytes = 178;
inline constexpr char kSerFileId[] = "LUCAM-RECORDER";  // 14 characters, no terminator in files

/// Colour layouts of the ColorID field.
enum class SerColorId : int32_t {
  Mono = 0,
  BayerRggb = 8,
  BayerGrbg = 9,
  BayerGbrg = 10,
  BayerBggr = 11,
  BayerCyym = 16,
  BayerYcmy = 17,
  BayerYmcy = 18,
  BayerMyyc = 19,
  Rgb = 100,
  Bgr = 101,
};

/// How the byte order of 16-bit samples is chosen.
enum class SerByteOrder {
  FromHeader,  ///< the LittleEndian field as capture programs write it (0 = little-endian)
  Little,      ///< forced little-endian
  Big,         ///< forced big-endian
};

struct SerHeader {
  int32_t luId = 0;
  int32_t colorId = 0;
  int32_t littleEndianField = 0;  ///< the raw LittleEndian field
  int32_t width = 0;              ///< ImageWidth, pixels
  int32_t height = 0;             ///< ImageHeight, pixels
  int32_t depth = 0;              ///< PixelDepthPerPlane, bits (1..16)
  int32_t frameCount = 0;
  std::string observer;  ///< trailing NULs and blanks removed
  std::string instrument;
  std::string telescope;
  int64_t dateTime = 0;     ///< local time, 100 ns ticks since 0001-01-01
  int64_t dateTimeUtc = 0;  ///< the same in UTC

  // Derived by ParseSerHeader:
  int planes = 1;          ///< 3 for RGB and BGR, else 1
  int bytesPerSample = 1;  ///< 1 for depths up to 8, else 2
  int64_t frameBytes = 0;  ///< width x height x planes x bytesPerSample
  bool bigEndianData = false;
  bool hasTimestamps = false;  ///< the file holds the trailer of frameCount timestamps
  int64_t trailerBytes = 0;    ///< bytes after the last frame
  int64_t fileSize = 0;

  bool IsColour() const { return planes == 3; }
  bool IsBayer() const { return colorId >= 8 && colorId <= 19; }
};

/// True when the bytes begin with "LUCAM-RECORDER".
bool HasSerFileId(const uint8_t* data, size_t size);
/// True when the file exists and begins with "LUCAM-RECORDER".
bool IsSerFile(const std::string& path);

/// Parses and checks the header. `data` holds the first `size` bytes of the file (at least
/// the header), `fileSize` its full length; `name` is the failure's path. Refuses a header
/// cut short or with a wrong FileID (SerBadHeader, field "FileID"; text = the file's size
/// when it is shorter than a header), sizes of zero or beyond the readers' limits, depths
/// outside 1..16, unknown colour layouts, negative frame counts (SerBadHeader with the
/// field's name and value), and frame counts that the file's data cannot hold
/// (SerTruncated: v1 FrameCount, v2 whole frames present, v3 bytes per frame).
Status ParseSerHeader(const uint8_t* data, size_t size, int64_t fileSize, const std::string& name,
                      SerByteOrder order, SerHeader& out);

/// Reads a SER file frame by frame with one frame buffer, never past the file's data.
class SerReader {
 public:
  SerReader() = default;
  ~SerReader();
  SerReader(const SerReader&) = delete;
  SerReader& operator=(const SerReader&) = delete;

  /// Opens the file and checks its header.
  Status Open(const std::string& path, SerByteOrder order = SerByteOrder::FromHeader);
  void Close();
  const SerHeader& Header() const { return m_header; }

  /// Reads frame `index` (0-based) into `samples`: width x height x planes values, row y
  /// top first, x inner, planes interleaved in file order; each value as stored (16-bit
  /// samples in the file's byte order, 8-bit ones widened). `samples` is resized only when
  /// its size differs, so one buffer serves a whole video.
  Status ReadFrame(int64_t index, std::vector<uint16_t>& samples);

  /// The timestamps of the trailer (100 ns ticks, UTC); empty when the file has none.
  /// A trailer that holds some bytes but fewer than 8 per frame is refused
  /// (SerTrailerShort: v1 whole time stamps present, v2 FrameCount).
  Status ReadTimestamps(std::vector<int64_t>& out);

 private:
  Status ReadAt(int64_t offset, size_t count, uint8_t* to);

  std::FILE* m_file = nullptr;
  std::string m_path;
  SerHeader m_header;
  std::vector<uint8_t> m_raw;
};

}  // namespace orvek
