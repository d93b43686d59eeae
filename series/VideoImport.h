#pragma once
// Cutting a video into numbered frame files that the image list loads as a series.
//
// Any video the FFmpeg libraries decode (AVI with uncompressed, Y800/GREY, YUV, MJPEG,
// FFV1 frames, and the other containers and codecs FFmpeg knows) becomes 24-bit BMP files;
// SER videos of astronomy capture programs are read by Orvek's own reader (SerReader.h) and
// become BMP files (8-bit samples) or ORV files (deeper samples, without loss).
//
// Files are named base name + frame number formatted "%.4d" + ".bmp" (or ".orv"), with the
// base name exactly as given (an extension included: "m57.bmp" gives "m57.bmp0000.bmp");
// frame numbers start at 0 and take five digits from 10000 on.
//
// The conversion runs on the caller's thread and calls VideoProgress::Step before the first
// frame and after every frame, so a window repaints its progress text and processes its
// pending events there. One frame buffer is reused for the whole video: memory does not
// grow with the number of frames (only the list of written names does).

#include <cstdint>
#include <string>
#include <vector>

#include "series/SerReader.h"

namespace orvek {

/// The texts of the four open failures, as the AVI window shows them.
inline constexpr char kVideoMsgBadFormat[] = "The file couldn't be read";
inline constexpr char kVideoMsgNoMemory[] =
    "The file could not be opened because of insufficient memory.";
inline constexpr char kVideoMsgReadError[] = "A disk error occurred while reading the file.";
inline constexpr char kVideoMsgOpenError[] = "A disk error occurred while opening the file.";

/// Format of the frame files.
enum class VideoFormat {
  Auto,  ///< BMP, except ORV for SER videos with samples deeper than 8 bits
  Bmp,   ///< 24-bit BMP
  Orv,   ///< ORV (extended values, lossless for every sample depth)
};

/// Why a conversion stopped short or wrote nothing.
enum class VideoError {
  None,           ///< every frame of the video was written
  BadFormat,      ///< not a video FFmpeg reads, or no decoder for it (kVideoMsgBadFormat)
  NoMemory,       ///< out of memory while opening or decoding (kVideoMsgNoMemory)
  ReadError,      ///< the file could not be read to its end (kVideoMsgReadError)
  OpenError,      ///< the file could not be opened: missing, not permitted (kVideoMsgOpenError)
  MalformedSer,   ///< a SER file whose header does not describe its content
  NoVideo,        ///< the file holds no video stream
  NoFrame,        ///< the video holds no frame that could be decoded
  DecodeError,    ///< a frame could not be decoded; the frames before it were written
  WriteFailures,  ///< some frame files could not be written (counted in failedWrites)
  Cancelled,      ///< VideoProgress::Step returned false
};

/// Receives the progress of a conversion. The AVI window implements it to show the text,
/// repaint and process its pending events (and may offer a STOP).
class VideoProgress {
 public:
  virtual ~VideoProgress() = default;
  /// Called before frame `done` is read, for done = 0 .. number of frames (so a video of
  /// 3 frames gives "0/3", "1/3", "2/3", "3/3"). `text` is done + "/" + total.
  /// Return false to stop the conversion after the frames already written.
  virtual bool Step(int64_t done, int64_t total, const std::string& text) { return true; }
  /// A frame file could not be written; the conversion goes on with the next frame.
  virtual void Warning(const std::string& text) {}
};

/// Conversion settings beyond the output format.
struct VideoOptions {
  VideoFormat format = VideoFormat::Auto;
  SerByteOrder serByteOrder = SerByteOrder::FromHeader;  ///< byte order of 16-bit SER samples
};

struct VideoResult {
  bool ok = false;  ///< at least one frame file was written
  VideoError error = VideoError::None;
  std::string message;        ///< empty when error is None; the four open failures use the
                              ///< kVideoMsg texts exactly, the others name the file and numbers
  std::string detail;         ///< the file name and the library's own words, for logs
  int64_t total = 0;          ///< frame count shown in the progress text
  int64_t framesRead = 0;     ///< frames decoded
  int64_t framesWritten = 0;  ///< frame files written
  int64_t failedWrites = 0;   ///< frames decoded whose file could not be written
  std::vector<std::string> files;  ///< the files written, in frame order
};

/// base name + index formatted "%.4d" + extension ("jup", 7, ".bmp" -> "jup0007.bmp").
std::string FrameFileName(const std::string& baseName, int64_t index, const std::string& extension);
/// The progress text: done + "/" + total ("2/3").
std::string ProgressText(int64_t done, int64_t total);

/// Converts the video at `path` into frame files named from `baseName` (see above).
/// Frames that cannot be written are skipped and counted; the frames written before a
/// failure stay. The total shown is the frame count the container declares, or when it
/// declares none the count of the video stream's packets, found by a first reading pass.
VideoResult ConvertVideo(const std::string& path, const std::string& baseName,
                         const VideoOptions& options, VideoProgress& progress);
inline VideoResult ConvertVideo(const std::string& path, const std::string& baseName,
                                VideoFormat format, VideoProgress& progress) {
  VideoOptions options;
  options.format = format;
  return ConvertVideo(path, baseName, options, progress);
}

}  // namespace orvek
