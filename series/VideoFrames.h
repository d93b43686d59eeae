#pragma once
// The frames of a video given to the series commands by name, without frame files: frame k
// is named as the video import would name its file (FrameFileName of the video's path without
// its extension, k, and ".bmp", or ".orv" for a SER video deeper than 8 bits), and
// OTrame::LoadFile reads it through the provider as it would read that file. Frames are
// decoded in the order asked, a few kept for the readers that run ahead: memory holds a few
// frames whatever the video's length.

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/FrameProvider.h"
#include "core/Result.h"
#include "series/FrameSource.h"

namespace orvek {

class VideoFrames : public FrameProvider {
 public:
  /// Opens the video `path` over options.range and decodes its first frame, so that a video
  /// with nothing to give fails here: the failures of OpenFrameSource and its first Next
  /// (VideoNoFrame, FrameTooSmall...).
  static Result<std::unique_ptr<VideoFrames>> Open(const std::string& path,
                                                   const FrameSourceOptions& options);

  /// The names of the frames of the range, in order.
  const std::vector<std::string>& Names() const { return m_names; }
  bool Provides(const std::string& name) const override;
  /// A frame the video does not hold fails with VideoFrameMissing (path = the video, v1 its
  /// number), one that cannot be decoded with the decoder's failure.
  Status Read(const std::string& name, OTrame& frame) override;
  /// Frames of the range the video could not give, as far as it has been read.
  std::vector<Error> Warnings() const;

 private:
  VideoFrames(std::string path, FrameSourceOptions options, std::unique_ptr<FrameSource> source);
  Result<void> Restart(int64_t first);
  void Keep(int64_t number, const OTrame& frame);

  std::string m_path;
  FrameSourceOptions m_options;
  int64_t m_last = 0;
  std::vector<std::string> m_names;
  std::unordered_map<std::string, int64_t> m_numbers;
  mutable std::mutex m_mutex;
  std::unique_ptr<FrameSource> m_source;
  int64_t m_next = 0;  // the smallest number the source can still give
  SourceFrame m_decoded;
  std::map<int64_t, OTrame> m_kept;  // frames decoded before they were asked for
  std::vector<Error> m_warnings;
};

}  // namespace orvek
