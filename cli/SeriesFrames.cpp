#include "cli/SeriesFrames.h"

#include "cli/CliFrames.h"

namespace orvek::cli {

void SeriesFrameOptions(Verb& verb) {
  verb.Option("--frames", "FIRST-LAST").Option("--ser-byte-order", "header|little|big");
}

FrameSourceOptions FrameOptionsOf(const Verb& verb) {
  FrameSourceOptions options;
  options.fits = StoredFitsOptions();
  if (verb.Has("--frames")) {
    const Result<FrameRange> range = ParseFrameRange(verb.Value("--frames"));
    if (!range) {
      throw UsageError("FrameRangeText", Error().Field("--frames").Text(verb.Value("--frames")));
    }
    options.range = *range;
  }
  const std::string order = verb.Choice("--ser-byte-order", {"header", "little", "big"}, "header");
  options.serByteOrder = order == "little" ? SerByteOrder::Little
                         : order == "big"  ? SerByteOrder::Big
                                           : SerByteOrder::FromHeader;
  return options;
}

SeriesFrames SeriesFramesOf(const Verb& verb) {
  const FrameSourceOptions options = FrameOptionsOf(verb);
  const std::vector<std::string>& given = verb.Positional();
  SeriesFrames frames;
  if (given.size() == 1 && IsVideoInput(given[0])) {
    Result<std::unique_ptr<VideoFrames>> video = VideoFrames::Open(given[0], options);
    if (!video) throw CommandError(video.error());
    frames.video = std::move(*video);
    frames.files = frames.video->Names();
    return frames;
  }
  const int64_t count = static_cast<int64_t>(given.size());
  const int64_t last = options.range.last < 0 ? count - 1 : options.range.last;
  if (options.range.first >= count || last >= count) {
    // The list is named by its first and last files, as a video is by its name.
    const std::string list = count == 1 ? given.front() : given.front() + " … " + given.back();
    throw CommandError(Error(ErrorCode::FrameRange)
                           .Path(list)
                           .Values({double(options.range.first), double(last), double(count - 1)}));
  }
  frames.files.assign(given.begin() + options.range.first, given.begin() + last + 1);
  return frames;
}

}  // namespace orvek::cli
