// orvek-cli info, convert and measure: one frame read, written or measured.

#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "cli/Cli.h"
#include "cli/CliFrames.h"
#include "core/BmpWriter.h"
#include "core/OTrame.h"
#include "core/ObsTime.h"
#include "core/Rounding.h"
#include "core/Utils.h"
#include "measure/Measurement.h"
#include "measure/OMat.h"
#include "wording/Wording.h"

namespace orvek::cli {

namespace {

void DeclareSwap(Verb& v) {
  v.Flag("--swap-v").Flag("--swap-h");
}

FitsOptions SwapOptions(const Verb& v) {
  FitsOptions fits;
  fits.swapVert = v.IsSet("--swap-v");
  fits.swapHoriz = v.IsSet("--swap-h");
  return fits;
}

// The frame of the verb's first file, with the --bias frame subtracted when one is given.
OTrame LoadWithBias(const Verb& v, const FitsOptions& fits, LoadResult* result = nullptr) {
  OTrame bias;
  if (v.Has("--bias")) LoadFrameOrFail(bias, v.Value("--bias"), nullptr, fits);
  OTrame frame;
  LoadFrameOrFail(frame, v.Positional()[0], v.Has("--bias") ? &bias : nullptr, fits, result);
  return frame;
}

double D(Extended v) {
  return static_cast<double>(v);
}

void DeclareInfo(Verb& v) {
  v.Files({"FILE"}).Option("--bias", "FILE").JsonOutput();
  DeclareSwap(v);
}

int Info(Verb& v) {
  LoadResult result;
  const OTrame frame = LoadWithBias(v, SwapOptions(v), &result);
  if (v.IsSet("--json")) {
    Json j = {{"format", frame.FormatText},        {"width", frame.Width()},
              {"height", frame.Height()},          {"max", Number(D(frame.MaxValue))},
              {"min", Number(D(frame.MinValue))},  {"median", Number(D(frame.Median))},
              {"mean", Number(D(frame.Mean))},     {"sigma", Number(D(frame.Sigma))},
              {"bias_applied", result.biasApplied}};
    j["star"] = {{"x", Number(D(frame.Star.X))},
                 {"y", Number(D(frame.Star.Y))},
                 {"value", Number(D(frame.Star.Value))},
                 {"count", frame.Star.Count}};
    const std::optional<FrameTime>& time = frame.Time;
    j["time_utc"] = time ? Json(FormatIsoTime(time->utc)) : Json(nullptr);
    j["exposure_s"] = time && time->exposureS ? Number(*time->exposureS) : Json(nullptr);
    j["time_source"] = time ? Json(TimeSourceKey(time->source)) : Json(nullptr);
    PrintJson(j);
  } else {
    Print(frame.FormatText + "  " + std::to_string(frame.Width()) + " x " +
          std::to_string(frame.Height()) + " pixels");
    Print("Max/Min : " + FormatGeneral(D(frame.MaxValue)) + " / " +
          FormatGeneral(D(frame.MinValue)));
    Print("Moy / Sig : " + FormatGeneral(D(frame.Mean)) + " / " + FormatGeneral(D(frame.Sigma)));
    Print("Med : " + FormatGeneral(D(frame.Median)));
    Print("Star : (" + FormatGeneral(D(frame.Star.X)) + ", " + FormatGeneral(D(frame.Star.Y)) +
          ") score " + FormatGeneral(D(frame.Star.Value)) + ", " +
          std::to_string(frame.Star.Count) + " pixels");
    if (result.biasApplied) Print("Bias subtracted");
  }
  // A time keyword that could not be read: the frame is used without a time.
  if (frame.TimeProblem.code != ErrorCode::None)
    Note("info", v.Words().Text("Warning", Error().Text(v.Words().Describe(frame.TimeProblem))));
  return 0;
}

void DeclareConvert(Verb& v) {
  v.Files({"IN", "OUT"})
      .Option("--mode", "0|1|2")
      .Option("--low", "L")
      .Option("--high", "H")
      .Option("--bias", "FILE")
      .Overwrite();
  DeclareSwap(v);
}

int Convert(Verb& v) {
  const OTrame frame = LoadWithBias(v, SwapOptions(v));
  const std::string& out = v.Positional()[1];
  const std::string ext = UpperExtension(out);
  const double low = v.Real("--low", D(frame.MinValue));
  const double high = v.Real("--high", D(frame.MaxValue));
  const bool fits = ext == ".FIT" || ext == ".FITS" || ext == ".FTS";
  if (!fits && !IsOrvExtension(ext) && ext != ".BMP")
    throw UsageError("Extension", Error().Field("OUT").Text(".fit .fits .fts .orv* .bmp"));
  const int mode = fits ? static_cast<int>(v.Integer("--mode", 1, 0, 2)) : 1;
  const OutputFolder folder = v.FileFolder(out);
  Check(MayWrite(folder, out));
  Check(PrepareOutput(folder));
  if (fits) {
    Check(frame.SaveFits(out, mode, low, high));
  } else if (IsOrvExtension(ext)) {
    Check(frame.SaveOrv(0, 0, frame.LastX, frame.LastY, out));
  } else {
    Check(WriteBmp24(out, frame.Render(false, false, 10, low, high)));
  }
  return 0;
}

void DeclareMeasure(Verb& v) {
  v.Files({"FILE"})
      .Option("--at", "X,Y")
      .Option("--half", "P")
      .Option("--framing", "auto|manual")
      .Option("--method", "none|half|background")
      .Option("--connected", "yes|no")
      .Option("--bias", "FILE")
      .JsonOutput();
  DeclareSwap(v);
}

int Measure(Verb& v) {
  const Verb::XY at = v.RequiredPair("--at");
  MeasureSettings settings;
  settings.half = static_cast<int>(v.Integer("--half", 6, 1, 30));
  settings.automatic = v.Choice("--framing", {"auto", "manual"}, "auto") == "auto";
  const std::string method = v.Choice("--method", {"none", "half", "background"}, "half");
  settings.method = method == "none"   ? ThresholdMethod::None
                    : method == "half" ? ThresholdMethod::HalfHeight
                                       : ThresholdMethod::Background;
  settings.connected = v.Choice("--connected", {"yes", "no"}, "yes") == "yes";

  const OTrame frame = LoadWithBias(v, SwapOptions(v));
  OMat window;
  const MeasurePass pass = MeasureAt(frame, window, Point(at.x, at.y), settings);
  const rStarPos& p = pass.point;
  if (v.IsSet("--json")) {
    Json j = {{"x", Number(D(p.X))},
              {"y", Number(D(p.Y))},
              {"value", Number(D(p.Value))},
              {"count", p.Count},
              {"span_x", p.SpanX},
              {"span_y", p.SpanY},
              {"threshold", Number(D(pass.threshold))}};
    j["peak"] = {{"x", Number(D(window.Peak.X))},
                 {"y", Number(D(window.Peak.Y))},
                 {"value", Number(D(window.Peak.Value))}};
    j["window"] = {
        {"min", Number(D(window.Min))}, {"sum", Number(D(window.Sum))}, {"count", window.Count}};
    PrintJson(j);
  } else {
    Print("X : " + FormatFixed(D(p.X), 3) + "  Y : " + FormatFixed(D(p.Y), 3));
    Print("Value : " + FormatGeneral(D(p.Value)) + "  pixels : " + std::to_string(p.Count) +
          "  span : " + std::to_string(p.SpanX) + " x " + std::to_string(p.SpanY));
    Print("Threshold : " + FormatGeneral(D(pass.threshold)));
  }
  return 0;
}

}  // namespace

ORVEK_CLI_VERB(info, "info", "info FILE [--bias FILE] [--swap-v] [--swap-h] [--json]", DeclareInfo,
               Info);
ORVEK_CLI_VERB(convert, "convert",
               "convert IN OUT [--mode 0|1|2] [--low L] [--high H] [--bias FILE] [--swap-v] "
               "[--swap-h] [--overwrite]",
               DeclareConvert, Convert);
ORVEK_CLI_VERB(measure, "measure",
               "measure FILE --at X,Y [--half P] [--framing auto|manual] "
               "[--method none|half|background] [--connected yes|no] [--bias FILE] [--swap-v] "
               "[--swap-h] [--json]",
               DeclareMeasure, Measure);

}  // namespace orvek::cli
