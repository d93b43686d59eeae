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
  void Warning(const std::string& text) override {
    std::fprintf(stderr, "orvek-cli video: %s\n", text.c_str());
  }
};

int RunVideo(const std::vector<std::string>& argv, WorkerPool& pool) {
  Args args(argv, {"--json"}, {"--format", "--ser-byte-order"});
  if (args.Positional().size() != 2) throw UsageError("expected VIDEO and BASENAME");
  VideoOptions options;
  const std::string format = args.Value("--format", "auto");
  if (format == "auto") {
    options.format = VideoFormat::Auto;
  } else if (format == "bmp") {
    options.format = VideoFormat::Bmp;
  } else if (format == "orv") {
    options.format = VideoFormat::Orv;
  } else {
    throw UsageError("--format must be bmp, orv or auto, not " + format);
  }
  const std::string order = args.Value("--ser-byte-order", "header");
  if (order == "header") {
    options.serByteOrder = SerByteOrder::FromHeader;
  } else if (order == "little") {
    options.serByteOrder = SerByteOrder::Little;
  } else if (order == "big") {
    options.serByteOrder = SerByteOrder::Big;
  } else {
    throw UsageError("--ser-byte-order must be header, little or big, not " + order);
  }

  CliVideoProgress progress;
  const VideoResult r = ConvertVideo(args.Positional()[0], args.Positional()[1], options, progress);

  // The counts are printed whatever happened (scripts read what was written); any
  // shortfall then makes the exit status 1 with its message on stderr.
  {
    if (args.Flag("--json")) {
      Json j;
      j.BeginObject();
      j.FieldInt("frames", r.framesWritten);
      j.Key("files").BeginArray();
      for (const std::string& f : r.files) j.String(f);
      j.EndArray();
      j.FieldInt("failed_writes", r.failedWrites);
      j.FieldInt("total", r.total);
      j.EndObject();
      Print(j.Text());
    } else {
      Print(std::to_string(r.framesWritten));
    }
  }
  if (r.error != VideoError::None) {
    std::string text = r.message;
    if (!r.detail.empty() && r.detail != r.message) text += " (" + r.detail + ")";
    throw CommandError(text);
  }
  return 0;
}

}  // namespace

ORVEK_CLI_VERB(video, "video",
               "video VIDEO BASENAME [--format bmp|orv] [--ser-byte-order header|little|big] "
               "[--json]",
               RunVideo);

}  // namespace orvek::cli
