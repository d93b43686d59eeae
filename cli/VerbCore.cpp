// orvek-cli info, convert and measure: one frame read, written or measured.

#include <cmath>
#include <string>
#include <vector>

#include "cli/Cli.h"
#include "cli/CliFrames.h"
#include "core/BmpWriter.h"
#include "core/OTrame.h"
#include "core/Rounding.h"
#include "core/Utils.h"
#include "measure/Measurement.h"
#include "measure/OMat.h"
#include "wording/Wording.h"

namespace orvek::cli {

namespace {

FitsOptions SwapOptions(const Args& args) {
  FitsOptions fits;
  fits.swapVert = args.Flag("--swap-v");
  fits.swapHoriz = args.Flag("--swap-h");
  return fits;
}

int Info(const std::vector<std::string>& raw, WorkerPool& pool) {
  Args args(raw, {"--json", "--swap-v", "--swap-h"}, {"--bias"});
  if (args.Positional().size() != 1) throw UsageError("one FILE expected");
  const FitsOptions fits = SwapOptions(args);
  OTrame bias;
  if (args.Has("--bias")) LoadFrameOrFail(bias, args.Value("--bias"), nullptr, fits);
  OTrame frame;
  LoadResult result;
  LoadFrameOrFail(frame, args.Positional()[0], args.Has("--bias") ? &bias : nullptr, fits, &result);

  if (args.Flag("--json")) {
    Json j;
    j.BeginObject()
        .FieldStr("format", frame.FormatText)
        .FieldInt("width", frame.Width())
        .FieldInt("height", frame.Height())
        .Field("max", static_cast<double>(frame.MaxValue))
        .Field("min", static_cast<double>(frame.MinValue))
        .Field("median", static_cast<double>(frame.Median))
        .Field("mean", static_cast<double>(frame.Mean))
        .Field("sigma", static_cast<double>(frame.Sigma))
        .FieldBool("bias_applied", result.biasApplied)
        .Key("star")
        .BeginObject()
        .Field("x", static_cast<double>(frame.Star.X))
        .Field("y", static_cast<double>(frame.Star.Y))
        .Field("value", static_cast<double>(frame.Star.Value))
        .FieldInt("count", frame.Star.Count)
        .EndObject()
        .EndObject();
    Print(j.Text());
  } else {
    Print(frame.FormatText + "  " + std::to_string(frame.Width()) + " x " +
          std::to_string(frame.Height()) + " pixels");
    Print("Max/Min : " + FormatGeneral(static_cast<double>(frame.MaxValue)) + " / " +
          FormatGeneral(static_cast<double>(frame.MinValue)));
    Print("Moy / Sig : " + FormatGeneral(static_cast<double>(frame.Mean)) + " / " +
          FormatGeneral(static_cast<double>(frame.Sigma)));
    Print("Med : " + FormatGeneral(static_cast<double>(frame.Median)));
    Print("Star : (" + FormatGeneral(static_cast<double>(frame.Star.X)) + ", " +
          FormatGeneral(static_cast<double>(frame.Star.Y)) + ") score " +
          FormatGeneral(static_cast<double>(frame.Star.Value)) + ", " +
          std::to_string(frame.Star.Count) + " pixels");
    if (result.biasApplied) Print("Bias subtracted");
  }
  return 0;
}

int Convert(const std::vector<std::string>& raw, WorkerPool& pool) {
  Args args(raw, {"--swap-v", "--swap-h"}, {"--mode", "--low", "--high", "--bias"});
  if (args.Positional().size() != 2) throw UsageError("IN and OUT expected");
  const FitsOptions fits = SwapOptions(args);
  OTrame bias;
  if (args.Has("--bias")) LoadFrameOrFail(bias, args.Value("--bias"), nullptr, fits);
  OTrame frame;
  LoadFrameOrFail(frame, args.Positional()[0], args.Has("--bias") ? &bias : nullptr, fits);
  const std::string& out = args.Positional()[1];
  const std::string ext = UpperExtension(out);
  const double low = args.Real("--low", static_cast<double>(frame.MinValue));
  const double high = args.Real("--high", static_cast<double>(frame.MaxValue));
  Status written;
  if (ext == ".FIT" || ext == ".FITS" || ext == ".FTS") {
    const long long mode = args.Integer("--mode", 1);
    if (mode < 0 || mode > 2) throw UsageError("--mode must be 0, 1 or 2");
    written = frame.SaveFits(out, static_cast<int>(mode), low, high);
  } else if (IsOrvExtension(ext)) {
    written = frame.SaveOrv(0, 0, frame.LastX, frame.LastY, out);
  } else if (ext == ".BMP") {
    written = WriteBmp24(out, frame.Render(false, false, 10, low, high));
  } else {
    throw UsageError("OUT must end in .fit, .fits, .fts, .orv* or .bmp");
  }
  if (!written) throw CommandError(Describe(written));
  return 0;
}

int Measure(const std::vector<std::string>& raw, WorkerPool& pool) {
  Args args(raw, {"--json", "--swap-v", "--swap-h"},
            {"--at", "--half", "--framing", "--method", "--connected", "--bias"});
  if (args.Positional().size() != 1) throw UsageError("one FILE expected");
  double x = 0, y = 0;
  if (!args.Pair("--at", x, y)) throw UsageError("--at X,Y is required");
  MeasureSettings settings;
  const long long half = args.Integer("--half", 6);
  if (half < 1 || half > 30) throw UsageError("--half must lie between 1 and 30");
  settings.half = static_cast<int>(half);
  const std::string framing = args.Value("--framing", "auto");
  if (framing == "auto")
    settings.automatic = true;
  else if (framing == "manual")
    settings.automatic = false;
  else
    throw UsageError("--framing must be auto or manual");
  const std::string method = args.Value("--method", "half");
  if (method == "none")
    settings.method = ThresholdMethod::None;
  else if (method == "half")
    settings.method = ThresholdMethod::HalfHeight;
  else if (method == "background")
    settings.method = ThresholdMethod::Background;
  else
    throw UsageError("--method must be none, half or background");
  const std::string connected = args.Value("--connected", "yes");
  if (connected == "yes")
    settings.connected = true;
  else if (connected == "no")
    settings.connected = false;
  else
    throw UsageError("--connected must be yes or no");

  const FitsOptions fits = SwapOptions(args);
  OTrame bias;
  if (args.Has("--bias")) LoadFrameOrFail(bias, args.Value("--bias"), nullptr, fits);
  OTrame frame;
  LoadFrameOrFail(frame, args.Positional()[0], args.Has("--bias") ? &bias : nullptr, fits);
  OMat window;
  const MeasurePass pass = MeasureAt(frame, window, Point(x, y), settings);
  const rStarPos& p = pass.point;
  if (args.Flag("--json")) {
    Json j;
    j.BeginObject()
        .Field("x", static_cast<double>(p.X))
        .Field("y", static_cast<double>(p.Y))
        .Field("value", static_cast<double>(p.Value))
        .FieldInt("count", p.Count)
        .FieldInt("span_x", p.SpanX)
        .FieldInt("span_y", p.SpanY)
        .Field("threshold", static_cast<double>(pass.threshold))
        .Key("peak")
        .BeginObject()
        .Field("x", static_cast<double>(window.Peak.X))
        .Field("y", static_cast<double>(window.Peak.Y))
        .Field("value", static_cast<double>(window.Peak.Value))
        .EndObject()
        .Key("window")
        .BeginObject()
        .Field("min", static_cast<double>(window.Min))
        .Field("sum", static_cast<double>(window.Sum))
        .FieldInt("count", window.Count)
        .EndObject()
        .EndObject();
    Print(j.Text());
  } else {
    Print("X : " + FormatFixed(static_cast<double>(p.X), 3) +
          "  Y : " + FormatFixed(static_cast<double>(p.Y), 3));
    Print("Value : " + FormatGeneral(static_cast<double>(p.Value)) +
          "  pixels : " + std::to_string(p.Count) + "  span : " + std::to_string(p.SpanX) + " x " +
          std::to_string(p.SpanY));
    Print("Threshold : " + FormatGeneral(static_cast<double>(pass.threshold)));
  }
  return 0;
}

}  // namespace

ORVEK_CLI_VERB(info, "info", "info FILE [--bias FILE] [--swap-v] [--swap-h] [--json]", Info);
ORVEK_CLI_VERB(
    convert, "convert",
    "convert IN OUT [--mode 0|1|2] [--low L] [--high H] [--bias FILE] [--swap-v] [--swap-h]",
    Convert);
ORVEK_CLI_VERB(measure, "measure",
               "measure FILE --at X,Y [--half P] [--framing auto|manual] "
               "[--method none|half|background] [--connected yes|no] [--bias FILE] [--json]",
               Measure);

}  // namespace orvek::cli
