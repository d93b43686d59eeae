#pragma once
// Internal to the video import: naming, writing and counting the frame files of one
// conversion, and reporting its progress. Shared by the FFmpeg and the SER readers.

#include <cstdint>
#include <string>

#include "core/OTrame.h"
#include "core/Raster.h"
#include "series/VideoImport.h"

namespace orvek::video_detail {

class FrameOutput {
 public:
  FrameOutput(std::string baseName, VideoProgress& progress, VideoResult& result)
      : m_baseName(std::move(baseName)), m_progress(progress), m_result(result) {}

  /// Sets the total and shows "0/total". False when the user stopped.
  bool Begin(int64_t total);
  /// Writes the current frame, numbered by the frames read so far, then counts it as read
  /// and shows the progress. False when the user stopped.
  bool WriteBmp(const Raster& raster);
  bool WriteOrv(const OTrame& frame);

  /// Fills error and message for the end of the conversion: `error` when the reading stopped
  /// on a failure (None when the video simply ended), with its message and detail.
  void Finish(VideoError error, const std::string& message, const std::string& detail);

 private:
  bool Written(const Status& status, const std::string& name);

  std::string m_baseName;
  VideoProgress& m_progress;
  VideoResult& m_result;
  bool m_cancelled = false;
  std::string m_firstWriteError;
};

/// The FFmpeg reading of a video (any container and codec FFmpeg decodes).
void ConvertWithFfmpeg(const std::string& path, VideoFormat format, FrameOutput& out,
                       VideoResult& result);

}  // namespace orvek::video_detail
