// The entry of the video plugin (orvek-video-ffmpeg.so): the FFmpeg decoder, loaded by the
// programs on the first video they open, so that the verbs and commands that read no video
// do not load the FFmpeg libraries. Built into the plugin only, never into orvek_series.

#include "series/VideoDecoder.h"

/// Opens `path` with the FFmpeg decoder (OpenFfmpegDecoder of the plugin's own copy).
extern "C" __attribute__((visibility("default")))
orvek::Result<std::unique_ptr<orvek::video_detail::VideoDecoder>>
OrvekOpenFfmpegDecoder(const std::string& path) {
  return orvek::video_detail::OpenFfmpegDecoder(path);
}
