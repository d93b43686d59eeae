#pragma once
// Cutting a video into numbered frame files that the image list loads as a series.
//
// Any video the FFmpeg libraries decode (AVI with uncompressed, Y800/GREY, YUV, MJPEG,
// FFV1 frames, and the other containers and codecs FFmpeg knows) becomes 24-bit BMP files;
// SER videos of astronomy capture programs are read by Orvek's own reader (SerReader.h) and
// become BMP files (8-bit samples) or ORV files (deeper samples, without loss). Either can
// become FITS files instead, without loss, carrying each frame's time (DATE-OBS, EXPTIME).
//
// Files are named base name + frame number formatted "%.4d" + ".bmp" (".orv", ".fits"), with
// the base name exactly as given (an extension included: "m57.bmp" gives "m57.bmp0000.bmp");
// frame numbers start at 0 and take five digits from 10000 on. The number of a file is the
// number of its frame in the video: a frame the capture program dropped (an empty chunk of
// an AVI, a gap in the time stamps) leaves its number unused and is reported by number.
//
// The folder is the user's: a file that is already there is not replaced unless the options
// say so (then the new one is written beside it and renamed over it); nothing else in the
// folder is touched.
//
// The conversion runs on the caller's thread and calls VideoProgress::Step before the first
// frame and after every frame of the video, so a window repaints its progress text and
// processes its pending events there. One frame buffer is reused for the whole video: memory
// does not grow with the number of frames (only the list of written names does).

#include <cstdint>
#include <string>
#include <vector>

#include "core/Error.h"
#include "series/SerReader.h"

namespace orvek {

/// Format of the frame files.
enum class VideoFormat {
  Auto,  ///< BMP, except ORV for SER videos with samples deeper than 8 bits
  Bmp,   ///< 24-bit BMP
  Orv,   ///< ORV (extended values, lossless for every sample depth)
  Fits,  ///< FITS, lossless (16-bit samples, 32-bit for wider sums), with DATE-OBS and EXPTIME
};

/// Why a conversion stopped short or wrote nothing: the kind of VideoResult::failure.
enum class VideoError {
  None,           ///< every frame of the video was written
  BadFormat,      ///< not a video FFmpeg reads, or no decoder for it (VideoBadFormat)
  NoMemory,       ///< out of memory while opening or decoding (VideoNoMemory)
  ReadError,      ///< the file could not be read to its end (VideoReadError, FileRead)
  OpenError,      ///< the file could not be opened: missing, not permitted (VideoOpenError)
  MalformedSer,   ///< a SER file whose header or trailer does not describe its content
  NoVideo,        ///< the file holds no video stream (VideoNoStream)
  NoFrame,        ///< the video holds no frame that could be decoded (VideoNoFrame)
  DecodeError,    ///< a frame could not be converted; the frames before it were written
  WriteFailures,  ///< some frame files could not be written (counted in failedWrites)
  Cancelled,      ///< VideoProgress::Step returned false (VideoStopped)
  OutputExists,   ///< a frame file is already there and may not be replaced (FileExists)
};

/// Receives the progress of a conversion. The AVI window implements it to show the text,
/// repaint and process its pending events (and may offer a STOP).
class VideoProgress {
 public:
  virtual ~VideoProgress() = default;
  /// Called with done = 0 before the first frame, then after each frame number of the video
  /// with done = that number + 1, up to the number of frames (so a video of 3 frames gives
  /// "0/3", "1/3", "2/3", "3/3"). `text` is done + "/" + total.
  /// Return false to stop the conversion after the frames already written.
  virtual bool Step(int64_t done, int64_t total, const std::string& text) { return true; }
  /// A frame was not written, and the conversion goes on: missing from the video
  /// (VideoFrameMissing), not decodable (VideoDecode), or its file not written (FileWrite,
  /// DiskFull, FileExists). The default passes the developer's rendering to the text form.
  virtual void Warning(const Error& problem) { Warning(DebugText(problem)); }
  /// The same as a plain text, for callers that do not word failures yet.
  virtual void Warning(const std::string& text) {}
};

/// Conversion settings beyond the output format.
struct VideoOptions {
  VideoFormat format = VideoFormat::Auto;
  SerByteOrder serByteOrder = SerByteOrder::FromHeader;  ///< byte order of 16-bit SER samples
  bool overwrite = false;  ///< replace frame files that are already there
};

struct VideoResult {
  bool ok = false;  ///< at least one frame file was written
  VideoError error = VideoError::None;
  Error failure;              ///< why the conversion stopped short (code None when error is None)
  std::string message;        ///< DebugText(failure), for callers that do not word failures yet
  std::string detail;         ///< failure.detail: the system's or the library's own words
  int64_t total = 0;          ///< frame count shown in the progress text
  int64_t framesRead = 0;     ///< frames decoded
  int64_t framesWritten = 0;  ///< frame files written
  int64_t failedWrites = 0;   ///< frames decoded whose file could not be written
  std::vector<int64_t> missing;    ///< numbers of the video's frames that could not be had
  std::vector<std::string> files;  ///< the files written, in frame order
};

/// base name + index formatted "%.4d" + extension ("jup", 7, ".bmp" -> "jup0007.bmp").
std::string FrameFileName(const std::string& baseName, int64_t index, const std::string& extension);
/// The progress text: done + "/" + total ("2/3").
std::string ProgressText(int64_t done, int64_t total);

/// Converts the video at `path` into frame files named from `baseName` (see above).
/// Before anything is written, a frame file that is already there stops the conversion
/// (OutputExists) unless options.overwrite. Frames that cannot be written are skipped and
/// counted; the frames written before a failure stay. The total shown is the frame count the
/// container declares, or when it declares none the frames its packets' times number.
VideoResult ConvertVideo(const std::string& path, const std::string& baseName,
                         const VideoOptions& options, VideoProgress& progress);
inline VideoResult ConvertVideo(const std::string& path, const std::string& baseName,
                                VideoFormat format, VideoProgress& progress) {
  VideoOptions options;
  options.format = format;
  return ConvertVideo(path, baseName, options, progress);
}

}  // namespace orvek
