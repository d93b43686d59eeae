// orvek-cli video: cuts a video (anything FFmpeg decodes, or SER) into numbered frame files.

#include <cstdio>
#include <string>
#include <vector>

#include "cli/Cli.h"
#include "series/VideoImport.h"

namespace orvek::cli {

namespace {

// Reports write failures on stderr as they happen; never stops.
class CliVideoProgress : public VideoProgress {
 public:
  void Warning(const std::string& text) override { Note("video", text); }
};

void DeclareVideo(Verb& v) {
  v.Files({"VIDEO", "BASENAME"})
      .Option("--format", "bmp|orv|auto")
      .Option("--ser-byte-order", "header|little|big")
      .JsonOutput();
}

int RunVideo(Verb& v) {
  VideoOptions options;
  const std::string format = v.Choice("--format", {"auto", "bmp", "orv"}, "auto");
  options.format = format == "bmp"   ? VideoFormat::Bmp
                   : format == "orv" ? VideoFormat::Orv
                                     : VideoFormat::Auto;
  const std::string order = v.Choice("--ser-byte-order", {"header", "little", "big"}, "header");
  options.serByteOrder = order == "little" ? SerByteOrder::Little
                         : order == "big"  ? SerByteOrder::Big
                                           : SerByteOrder::FromHeader;

  CliVideoProgress progress;
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
  if (r.error != VideoError::None) {
    std::string text = r.message;
    if (!r.detail.empty() && r.detail != r.message) text += " (" + r.detail + ")";
    throw CommandError(Status::Error(text));
  }
  return 0;
}

}  // namespace

ORVEK_CLI_VERB(video, "video",
               "video VIDEO BASENAME [--format bmp|orv] [--ser-byte-order header|little|big] "
               "[--json]",
               DeclareVideo, RunVideo);

}  // namespace orvek::cli
