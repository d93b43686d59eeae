#pragma once
// Frames one after another from a list of image files or straight from a video (SER, or
// anything the FFmpeg libraries decode), each with its number in the source and its time.
// A video is decoded frame by frame into buffers that serve the whole video: no frame files
// are written, and memory holds one frame (plus the decoder's own) whatever the video's
// length.
//
// Frame numbers are 0-based, as the video import numbers its files ("jup0000.bmp" is frame
// 0): a range FIRST-LAST of a video takes the frames that the import would have written as
// FIRST to LAST; a range of a list takes its items FIRST to LAST (0 = the first file).

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/OTrame.h"
#include "core/Result.h"
#include "series/SerReader.h"

namespace orvek {

/// Source frame numbers FIRST to LAST, both included, 0-based; last < 0 runs to the end.
struct FrameRange {
  int64_t first = 0;
  int64_t last = -1;
};
/// Parses "FIRST-LAST", "FIRST-" (to the end) or "N" (one frame): whole numbers >= 0 with
/// FIRST <= LAST. BadFrameRange (text = the text given) otherwise.
Result<FrameRange> ParseFrameRange(std::string_view text);

struct FrameSourceOptions {
  FrameRange range;
  /// Frames narrower or lower than this many pixels are refused (FrameTooSmall); 0 = any.
  int32_t minSide = 0;
  FitsOptions fits;                                      ///< for the FITS files of a list
  SerByteOrder serByteOrder = SerByteOrder::FromHeader;  ///< for 16-bit SER samples
};

/// A frame as a source gives it.
struct SourceFrame {
  /// Pixels, statistics and star as OTrame::LoadFile gives them (a video frame holds the
  /// values its lossless import gives: grey samples as decoded, colour samples summed);
  /// `frame.Time` is the frame's time when its file or video records one.
  OTrame frame;
  int64_t number = 0;  ///< number in the source: the video's frame number, or the list index
  std::string name;    ///< the file it came from (the video for a video's frames)
};

class FrameSource {
 public:
  virtual ~FrameSource() = default;
  /// Frames the range covers: LAST - FIRST + 1 (a video's dropped frames included).
  virtual int64_t Count() const = 0;
  /// Loads the next frame of the range into `out`, reusing its buffers: true with a frame,
  /// false after the last. Failures: a file of a list that does not load (its loader's
  /// error), a frame smaller than the minimum (FrameTooSmall: v1 number, v2 width,
  /// v3 height, v4 minimum), a video that cannot be read on (its decoder's error), and a
  /// video of which no frame in the range could be decoded (VideoNoFrame).
  virtual Result<bool> Next(SourceFrame& out) = 0;
  /// Frames of the range that could not be had from a video, in order: dropped by the
  /// capture (VideoFrameMissing: v1 number, v2 frames of the video) or not decodable
  /// (VideoDecode: v1 number).
  const std::vector<Error>& Warnings() const { return m_warnings; }

 protected:
  std::vector<Error> m_warnings;
};

/// True when `path` is read as a video: a SER file (by its content or its ".ser"
/// extension) or any file whose extension is not one of the image formats (BMP, FITS, ORV).
bool IsVideoInput(const std::string& path);

/// A source over one video (`inputs` = a single path that IsVideoInput) or over the image
/// files of `inputs` in their order. The video is opened and checked at once: its open
/// failures (VideoOpenError, VideoBadFormat, SerBadHeader, SerTruncated, SerTrailerShort,
/// VideoNoStream, ...), a range beyond its frames (FrameRange: v1 FIRST, v2 LAST,
/// v3 last frame number), frames that the header declares smaller than the minimum
/// (FrameTooSmall). A list is checked for its range (FrameRange, path empty) and opens its
/// files one at a time in Next.
Result<std::unique_ptr<FrameSource>> OpenFrameSource(const std::vector<std::string>& inputs,
                                                     const FrameSourceOptions& options);

}  // namespace orvek
