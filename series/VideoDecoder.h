#pragma once
// Internal to the video reading: a decoder gives a video's frames one after another, each
// with its number in the video and its time, into buffers that serve the whole video. Shared
// by the video import (VideoImport.cpp) and the frame source (FrameSource.cpp).

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/OTrame.h"
#include "core/ObsTime.h"
#include "core/Raster.h"
#include "core/Result.h"
#include "series/SerReader.h"

namespace orvek::video_detail {

/// What a decoder makes of a frame's pixels.
enum class Decoding {
  Bgr,     ///< B, G, R bytes (`DecodedFrame::bgr`), as a 24-bit BMP holds them
  Values,  ///< values without loss (`DecodedFrame::values`): grey samples as decoded (8 to
           ///< 16 bits), Bayer samples raw, colour samples summed over B, G and R
};

/// One frame of a video.
struct DecodedFrame {
  int64_t number = 0;  ///< 0-based number in the video; a frame the capture dropped leaves a gap
  std::optional<FrameTime> time;  ///< when the video records one (also set in values.Time)
  Raster bgr;                     ///< filled for Decoding::Bgr
  OTrame values;                  ///< filled for Decoding::Values (pixels only, no statistics)
};

class VideoDecoder {
 public:
  virtual ~VideoDecoder() = default;
  /// The frames the video declares: numbers run from 0 to Total() - 1.
  virtual int64_t Total() const = 0;
  /// Width and height of the frames when the header declares them (0 while unknown).
  virtual int32_t DeclaredWidth() const { return 0; }
  virtual int32_t DeclaredHeight() const { return 0; }
  /// True for samples deeper than 8 bits that B, G, R bytes would cut (SER of 9 to 16 bits).
  virtual bool DeepSamples() const { return false; }
  /// Decodes the next frame whose number is at least `first` into `out` (its buffers
  /// reused): true with a frame, false at the end of the video. Frames before `first` are
  /// skipped without conversion. A frame whose packet the decoder refuses is skipped and
  /// noted in `warnings` (VideoDecode, v1 = its number), which the caller empties.
  virtual Result<bool> Next(DecodedFrame& out, Decoding decoding, int64_t first) = 0;

  std::vector<Error> warnings;
};

/// Opens a SER video (its header checked, its time stamps read).
Result<std::unique_ptr<VideoDecoder>> OpenSerDecoder(const std::string& path, SerByteOrder order);
/// Opens any video the FFmpeg libraries read.
Result<std::unique_ptr<VideoDecoder>> OpenFfmpegDecoder(const std::string& path);
/// Opens `path` with the decoder its content calls for: SER (by its FileID or its ".ser"
/// extension), else FFmpeg. A file that cannot be opened at all is VideoOpenError (or
/// VideoNoMemory), whatever its kind.
Result<std::unique_ptr<VideoDecoder>> OpenVideoDecoder(const std::string& path, SerByteOrder order);

}  // namespace orvek::video_detail
