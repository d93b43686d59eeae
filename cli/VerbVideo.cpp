// orvek-cli video: cuts a video (anything FFmpeg decodes, or SER) into numbered frame files.

#include <cstdio>
#include <string>
#include <vector>

#include "cli/Cli.h"
#include "series/VideoImport.h"

namespace orvek::cli {

namespace {

// Reports the frames not written on stderr as they happen, in the interface language; never
// stops.
class CliVideoProgress : public VideoProgress {
 public:
  explicit CliVideoProgress(const CliWords& words) : m_words(words) {}
  void Warning(const Error& problem) override { Note("video", m_words.Describe(problem)); }
  void Warning(const std::string& text) override { Note("video", text); }

 private:
  const CliWords& m_words;
};

void DeclareVideo(Verb& v) {
  v.Files({"VIDEO", "BASENAME"})
      .Option("--format", "bmp|orv|fits|auto")
      .Option("--ser-byte-order", "header|little|big")
      .Overwrite()
      .JsonOutput();
}

int RunVideo(Verb& v) {
  VideoOptions options;
  const std::string format = v.Choice("--format", {"auto", "bmp", "orv", "fits"}, "auto");
  options.format = format == "bmp"    ? VideoFormat::Bmp
                   : format == "orv"  ? VideoFormat::Orv
                   : format == "fits" ? VideoFormat::Fits
                                      : VideoFormat::Auto;
  // Frame files already there are refused unless --overwrite.
  options.overwrite = v.IsSet("--overwrite");
  const std::string order = v.Choice("--ser-byte-order", {"header", "little", "big"}, "header");
  options.serByteOrder = order == "little" ? SerByteOrder::Little
                         : order == "big"  ? SerByteOrder::Big
                                           : SerByteOrder::FromHeader;

  CliVideoProgress progress(v.Words());
  const VideoResult r = ConvertVideo(v.Positional()[0], v.Positional()[1], options, progress);

  // The counts are printed whatever happened (scripts read what was written); any
  // shortfall then makes the exit status 1 with its message on stderr.
  if (v.IsSet("--json")) {
    PrintJson({{"frames", r.framesWritten},
               {"files", r.files},
               {"failed_writes", r.failedWrites},
               {"total", r.total}});
  } else {
    Print(std::to_string(r.framesWritten));
  }
  // The video's name goes first: the design's words of some failures do not name it.
  if (r.error != VideoError::None) {
    throw CommandError::Said("VideoFailed",
                             Error().Path(v.Positional()[0]).Text(v.Words().Describe(r.failure)));
  }
  return 0;
}

}  // namespace

ORVEK_CLI_VERB(video, "video",
               "video VIDEO BASENAME [--format bmp|orv|fits] [--ser-byte-order header|little|big] "
               "[--overwrite] [--json]",
               DeclareVideo, RunVideo);

}  // namespace orvek::cli
