#pragma once
// The frames a series verb works on: the image files given, or the frames of a single video
// given in their place (SER, AVI...), read straight from it without frame files; with
// --frames FIRST-LAST, only those (numbered from 0 as the video import numbers its files,
// or the items of the list).

#include <memory>
#include <string>
#include <vector>

#include "cli/Cli.h"
#include "series/VideoFrames.h"

namespace orvek::cli {

/// Declares --frames and --ser-byte-order.
void SeriesFrameOptions(Verb& verb);

/// The range and SER byte order of --frames and --ser-byte-order, with the stored FITS options.
FrameSourceOptions FrameOptionsOf(const Verb& verb);

struct SeriesFrames {
  /// The frames' names: the files of the list, or the names the video import would give the
  /// video's frames (read through `video`, never from files).
  std::vector<std::string> files;
  std::unique_ptr<VideoFrames> video;  ///< the video, when one was given
  FrameProvider* Provider() const { return video.get(); }
};

/// The frames of the verb's files and options. A video that cannot be read, holds no frame
/// that decodes, or a range outside the video or the list ends the verb (exit status 1)
/// before anything is written.
SeriesFrames SeriesFramesOf(const Verb& verb);

}  // namespace orvek::cli
