// orvek-cli series verbs: bestof, align, stack, composite and bias.
//
// The folder or file named with --out is the user's: a verb adds its new files there and
// touches nothing else; a file it would replace is refused unless --overwrite is given.

#include <cmath>
#include <string>
#include <vector>

#include "cli/Cli.h"
#include "cli/CliFrames.h"
#include "cli/SeriesFrames.h"
#include "cli/SeriesOptions.h"
#include "core/Rounding.h"
#include "core/Utils.h"
#include "series/BestOf.h"
#include "series/Stacking.h"
#include "wording/Wording.h"

namespace orvek::cli {

namespace {

Json Score(Extended score) {
  if (score <= kUnreadableScore || !std::isfinite(score)) return nullptr;
  return Number(static_cast<double>(score));
}

Json Warnings(const Verb& v, const std::vector<Error>& warnings) {
  Json list = Json::array();
  for (const Error& w : warnings) list.push_back(v.Words().DescribeForJson(w));
  return list;
}

std::string Text(Extended v) {
  return FormatGeneral(static_cast<double>(v));
}

// ---- bestof ------------------------------------------------------------------------------

void DeclareBestOf(Verb& v) {
  v.Files({"FILE..."}).Option("--mode", "sn|max").JsonOutput();
  SeriesLoadOptions(v);
  SeriesFrameOptions(v);
}

int BestOf(Verb& v) {
  const std::string modeText = v.Choice("--mode", {"sn", "max"}, "sn");
  const BestOfMode mode = modeText == "max" ? BestOfMode::Max : BestOfMode::SignalToNoise;
  SeriesLoad load = MakeSeriesLoad(v);
  const SeriesFrames frames = SeriesFramesOf(v);
  const std::vector<std::string>& files = frames.files;
  load.context.frames = frames.Provider();
  CliSeriesObserver observer(v, "bestof");

  std::vector<SeriesItem> ordered;
  std::vector<Extended> scores;
  std::vector<std::string> warnings;
  if (files.size() < 2) {
    // Nothing to order; the score of the single frame is still worth printing.
    LoadedFrame loaded;
    const LoadResult read = LoadAndMeasure(files[0], load.context, loaded);
    if (!read.ok()) throw CommandError(ReadFailure(files[0], read));
    ordered = TickedItems(files);
    scores.push_back(orvek::Score(loaded, mode));
  } else {
    const BestOfResult r = SortBestOf(TickedItems(files), mode, load.context, observer);
    if (r.warnings.size() == files.size()) throw CommandError(Error(ErrorCode::NoFrameUsable));
    ordered = r.items;
    scores = r.scores;
    warnings = r.warnings;
  }

  if (v.IsSet("--json")) {
    Json list = Json::array();
    for (size_t i = 0; i < ordered.size(); ++i)
      list.push_back({{"file", ordered[i].path}, {"score", Score(scores[i])}});
    PrintJson({{"mode", modeText}, {"files", list}, {"warnings", warnings}});
  } else {
    for (size_t i = 0; i < ordered.size(); ++i) {
      const bool readable = scores[i] > kUnreadableScore;
      Print((readable ? Text(scores[i]) : std::string("-")) + "\t" + ordered[i].path);
    }
  }
  return 0;
}

// ---- align -------------------------------------------------------------------------------

int WholePixels(double value, const std::string& option) {
  if (value != std::floor(value) || std::fabs(value) > 1e9)
    throw UsageError("WholePixels", Error().Field(option).Text(FormatGeneral(value)));
  return static_cast<int>(value);
}

AlignSettings ReadAlignSettings(const Verb& v) {
  AlignSettings settings;
  v.Required("--size");
  settings.size = static_cast<int>(v.Integer("--size", 128, 1, 65536));
  double a = 0, b = 0;
  if (v.Pair("--offset", a, b)) {
    settings.offsetX = WholePixels(a, "--offset");
    settings.offsetY = WholePixels(b, "--offset");
  }
  if (v.Pair("--fixed", a, b)) {
    if (v.Has("--offset")) throw UsageError("Excludes", Error().Field("--fixed").Text("--offset"));
    settings.subPixel = false;
    settings.cropX = WholePixels(a, "--fixed");
    settings.cropY = WholePixels(b, "--fixed");
  }
  return settings;
}

Json Crops(const AlignResult& r) {
  Json list = Json::array();
  for (const AlignedFrame& f : r.frames) {
    list.push_back({{"file", f.source},
                    {"crop", f.output},
                    {"x", Number(static_cast<double>(f.x))},
                    {"y", Number(static_cast<double>(f.y))},
                    {"subpixel", f.resampled},
                    {"left", f.window.left},
                    {"top", f.window.top},
                    {"right", f.window.right},
                    {"bottom", f.window.bottom}});
  }
  return list;
}

void DeclareAlign(Verb& v) {
  v.Files({"FILE..."})
      .Option("--size", "S")
      .Option("--offset", "DX,DY")
      .Option("--fixed", "X,Y")
      .Option("--out", "DIR")
      .Overwrite()
      .JsonOutput();
  SeriesLoadOptions(v);
  SeriesFrameOptions(v);
}

int Align(Verb& v) {
  const AlignSettings settings = ReadAlignSettings(v);
  const OutputFolder out = v.OutFolder("--out");
  SeriesLoad load = MakeSeriesLoad(v);
  const SeriesFrames frames = SeriesFramesOf(v);
  load.context.frames = frames.Provider();
  CliSeriesObserver observer(v, "align");
  const AlignResult r = AlignList(TickedItems(frames.files), settings, load.context, out, observer);
  Check(r.status);
  if (v.IsSet("--json")) {
    PrintJson({{"folder", out.dir},
               {"size", settings.size},
               {"crops", Crops(r)},
               {"warnings", Warnings(v, r.warnings)}});
  } else {
    for (const AlignedFrame& f : r.frames) Print(Text(f.x) + " " + Text(f.y) + "\t" + f.output);
  }
  if (r.frames.empty()) throw CommandError(Error(ErrorCode::NoFrameUsable));
  return 0;
}

// ---- stack -------------------------------------------------------------------------------

void AddFields(const Verb& v, const AddResult& add, Json& j) {
  j["composite"] = add.compositePath;
  j["frames"] = add.frames;
  j["skipped"] = add.skipped;
  j["warnings"] = Warnings(v, add.warnings);
}

void DeclareStack(Verb& v) {
  v.Files({"FILE..."}).Option("--out", "DIR").Overwrite().JsonOutput();
  SeriesLoadOptions(v);
  SeriesFrameOptions(v);
}

int Stack(Verb& v) {
  AddOutput out;
  out.folder = v.OutFolder("--out");
  SeriesLoad load = MakeSeriesLoad(v);
  const SeriesFrames frames = SeriesFramesOf(v);
  load.context.frames = frames.Provider();
  CliSeriesObserver observer(v, "stack");
  const AddResult add = AddList(TickedItems(frames.files), load.context, out, observer);
  Check(add.status);
  if (v.IsSet("--json")) {
    Json j = Json::object();
    AddFields(v, add, j);
    PrintJson(j);
  } else {
    Print(add.compositePath);
    Print(std::to_string(add.frames));
  }
  return 0;
}

// ---- composite ---------------------------------------------------------------------------

void DeclareComposite(Verb& v) {
  v.Files({"FILE..."})
      .Option("--size", "S")
      .Option("--offset", "DX,DY")
      .Option("--out", "DIR")
      .Overwrite()
      .JsonOutput();
  SeriesLoadOptions(v);
}

int CompositeVerb(Verb& v) {
  const AlignSettings settings = ReadAlignSettings(v);
  AddOutput add;
  add.folder = v.OutFolder("--out");
  const SeriesLoad load = MakeSeriesLoad(v);
  CliSeriesObserver observer(v, "composite");
  const CompositeResult r =
      Composite(TickedItems(v.Positional()), settings, load.context, add.folder, add, observer);
  Check(r.status);
  if (v.IsSet("--json")) {
    Json j = Json::object();
    AddFields(v, r.add, j);
    j["crops"] = Crops(r.align);
    Json order = Json::array();
    for (size_t i = 0; i < r.bestOf.items.size(); ++i) {
      order.push_back(
          {{"file", r.bestOf.items[i].path},
           {"score", i < r.bestOf.scores.size() ? Score(r.bestOf.scores[i]) : nullptr}});
    }
    j["order"] = order;
    j["align_warnings"] = Warnings(v, r.align.warnings);
    PrintJson(j);
  } else {
    Print(r.add.compositePath);
    Print(std::to_string(r.add.frames));
  }
  return 0;
}

// ---- bias --------------------------------------------------------------------------------

void DeclareBias(Verb& v) {
  v.Files({"FILE..."}).Option("--out", "FILE.orvc").Overwrite().JsonOutput();
}

int Bias(Verb& v) {
  const std::string out = v.OrvFile("--out");
  CliSeriesObserver observer(v, "bias");
  const BiasResult r =
      MakeBias(v.Positional(), StoredFitsOptions(), v.FileFolder(out), FileNameOf(out), observer);
  Check(r.status);
  if (v.IsSet("--json")) {
    PrintJson({{"bias", r.path},
               {"frames", r.frames},
               {"width", r.bias.Width()},
               {"height", r.bias.Height()}});
  } else {
    Print(r.path);
  }
  return 0;
}

}  // namespace

ORVEK_CLI_VERB(bestof, "bestof",
               "bestof [--mode sn|max] FILE...|VIDEO [--frames FIRST-LAST] [--bias FILE] [--half "
               "P] [--framing auto|manual] "
               "[--json]",
               DeclareBestOf, BestOf);
ORVEK_CLI_VERB(align, "align",
               "align --size S [--offset DX,DY] [--fixed X,Y] --out DIR FILE...|VIDEO [--frames "
               "FIRST-LAST] [--bias FILE] "
               "[--half P] [--framing auto|manual] [--overwrite] [--json]",
               DeclareAlign, Align);
ORVEK_CLI_VERB(stack, "stack",
               "stack --out DIR FILE...|VIDEO [--frames FIRST-LAST] [--bias FILE] [--half P] "
               "[--framing auto|manual] "
               "[--overwrite] [--json]",
               DeclareStack, Stack);
ORVEK_CLI_VERB(composite, "composite",
               "composite --size S [--offset DX,DY] --out DIR FILE... [--bias FILE] [--half P] "
               "[--framing auto|manual] [--overwrite] [--json]",
               DeclareComposite, CompositeVerb);
ORVEK_CLI_VERB(bias, "bias", "bias --out FILE.orvc FILE... [--overwrite] [--json]", DeclareBias,
               Bias);

}  // namespace orvek::cli
