// orvek-cli series verbs: bestof, align, stack, composite and bias.

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "cli/Cli.h"
#include "cli/SeriesOptions.h"
#include "core/Rounding.h"
#include "core/Utils.h"
#include "series/BestOf.h"
#include "series/Stacking.h"
#include "wording/Wording.h"

namespace orvek::cli {

namespace {

std::string FolderArgument(const Args& args) {
  if (!args.Has("--out")) throw UsageError("--out DIR is required");
  std::string dir = args.Value("--out");
  if (dir.empty()) throw UsageError("--out: empty folder name");
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  if (!std::filesystem::is_directory(dir, ec))
    throw CommandError(dir + ": not a folder and cannot be created");
  if (dir.back() != '/') dir += '/';
  return dir;
}

const std::vector<std::string>& Files(const Args& args) {
  if (args.Positional().empty()) throw UsageError("at least one FILE expected");
  return args.Positional();
}

void ScoreNumber(Json& j, Extended score) {
  if (score <= kUnreadableScore || !std::isfinite(score)) {
    j.Null();
  } else {
    j.Number(static_cast<double>(score));
  }
}

void WarningsArray(Json& j, const std::vector<std::string>& warnings) {
  j.Key("warnings").BeginArray();
  for (const std::string& w : warnings) j.String(w);
  j.EndArray();
}

std::string Text(Extended v) {
  return FormatGeneral(static_cast<double>(v));
}

// ---- bestof ------------------------------------------------------------------------------

int BestOf(const std::vector<std::string>& raw, WorkerPool& pool) {
  Args args(raw, {"--json"}, WithSeriesOptions({"--mode"}));
  const std::vector<std::string>& files = Files(args);
  const std::string modeText = args.Value("--mode", "sn");
  BestOfMode mode = BestOfMode::SignalToNoise;
  if (modeText == "max") {
    mode = BestOfMode::Max;
  } else if (modeText != "sn") {
    throw UsageError("--mode must be sn or max, not " + modeText);
  }
  const SeriesLoad load = MakeSeriesLoad(args, pool);
  CliSeriesObserver observer("bestof");

  std::vector<SeriesItem> ordered;
  std::vector<Extended> scores;
  std::vector<std::string> warnings;
  if (files.size() < 2) {
    // Nothing to order; the score of the single frame is still worth printing.
    LoadedFrame loaded;
    const LoadResult read = LoadAndMeasure(files[0], load.context, loaded);
    if (!read.ok())
      throw CommandError(files[0] + ": " +
                         (read.status == LoadStatus::UnknownExtension
                              ? std::string("not an image file")
                              : Describe(read.AsStatus())));
    ordered = TickedItems(files);
    scores.push_back(Score(loaded, mode));
  } else {
    const BestOfResult r = SortBestOf(TickedItems(files), mode, load.context, observer);
    if (static_cast<int>(r.warnings.size()) == static_cast<int>(files.size()))
      throw CommandError("no frame could be read");
    ordered = r.items;
    scores = r.scores;
    warnings = r.warnings;
  }

  if (args.Flag("--json")) {
    Json j;
    j.BeginObject();
    j.FieldStr("mode", modeText);
    j.Key("files").BeginArray();
    for (size_t i = 0; i < ordered.size(); ++i) {
      j.BeginObject();
      j.FieldStr("file", ordered[i].path);
      j.Key("score");
      ScoreNumber(j, scores[i]);
      j.EndObject();
    }
    j.EndArray();
    WarningsArray(j, warnings);
    j.EndObject();
    Print(j.Text());
  } else {
    for (size_t i = 0; i < ordered.size(); ++i) {
      const bool readable = scores[i] > kUnreadableScore;
      Print((readable ? Text(scores[i]) : std::string("-")) + "\t" + ordered[i].path);
    }
  }
  return 0;
}

// ---- align -------------------------------------------------------------------------------

int IntegerOf(double v, const std::string& option) {
  if (v != std::floor(v) || std::fabs(v) > 1e9)
    throw UsageError(option + ": whole pixels expected");
  return static_cast<int>(v);
}

AlignSettings ReadAlignSettings(const Args& args) {
  AlignSettings settings;
  if (!args.Has("--size")) throw UsageError("--size S is required");
  const long long size = args.Integer("--size", 128);
  if (size < 1 || size > 65536)
    throw UsageError("--size: 1 to 65536 pixels, got " + args.Value("--size"));
  settings.size = static_cast<int>(size);
  double a = 0, b = 0;
  if (args.Pair("--offset", a, b)) {
    settings.offsetX = IntegerOf(a, "--offset");
    settings.offsetY = IntegerOf(b, "--offset");
  }
  if (args.Pair("--fixed", a, b)) {
    if (args.Has("--offset"))
      throw UsageError("--fixed gives the crop centre itself; --offset does not apply to it");
    settings.subPixel = false;
    settings.cropX = IntegerOf(a, "--fixed");
    settings.cropY = IntegerOf(b, "--fixed");
  }
  return settings;
}

// A folder of the user's loses only crops, never other files.
AlignOutput CliAlignOutput(const std::string& dir) {
  AlignOutput out;
  out.folder = dir;
  out.clearMask = "*.orva";
  out.listMask = "*.orva";
  return out;
}

AddOutput CliAddOutput(const std::string& dir) {
  AddOutput out;
  out.folder = dir;
  out.clearMask = "ad*.orvc";
  return out;
}

void CropsArray(Json& j, const AlignResult& r) {
  j.Key("crops").BeginArray();
  for (const AlignedFrame& f : r.frames) {
    j.BeginObject();
    j.FieldStr("file", f.source);
    j.FieldStr("crop", f.output);
    j.Field("x", static_cast<double>(f.x));
    j.Field("y", static_cast<double>(f.y));
    j.FieldBool("subpixel", f.resampled);
    j.FieldInt("left", f.window.left);
    j.FieldInt("top", f.window.top);
    j.FieldInt("right", f.window.right);
    j.FieldInt("bottom", f.window.bottom);
    j.EndObject();
  }
  j.EndArray();
}

int Align(const std::vector<std::string>& raw, WorkerPool& pool) {
  Args args(raw, {"--json"}, WithSeriesOptions({"--size", "--offset", "--fixed", "--out"}));
  const std::vector<std::string>& files = Files(args);
  const AlignSettings settings = ReadAlignSettings(args);
  const std::string dir = FolderArgument(args);
  const SeriesLoad load = MakeSeriesLoad(args, pool);
  CliSeriesObserver observer("align");
  const AlignResult r =
      AlignList(TickedItems(files), settings, load.context, CliAlignOutput(dir), observer);
  if (!r.status) throw CommandError(Describe(r.status));
  if (args.Flag("--json")) {
    Json j;
    j.BeginObject();
    j.FieldStr("folder", dir);
    j.FieldInt("size", settings.size);
    CropsArray(j, r);
    WarningsArray(j, r.warnings);
    j.EndObject();
    Print(j.Text());
  } else {
    for (const AlignedFrame& f : r.frames) Print(Text(f.x) + " " + Text(f.y) + "\t" + f.output);
  }
  if (r.frames.empty()) throw CommandError("no crop written");
  return 0;
}

// ---- stack -------------------------------------------------------------------------------

void PrintAdd(const Args& args, const AddResult& add, Json* open) {
  if (open != nullptr) {
    Json& j = *open;
    j.FieldStr("composite", add.compositePath);
    j.FieldInt("frames", add.frames);
    j.Key("skipped").BeginArray();
    for (const std::string& s : add.skipped) j.String(s);
    j.EndArray();
    WarningsArray(j, add.warnings);
  }
}

int Stack(const std::vector<std::string>& raw, WorkerPool& pool) {
  Args args(raw, {"--json"}, WithSeriesOptions({"--out"}));
  const std::vector<std::string>& files = Files(args);
  const std::string dir = FolderArgument(args);
  const SeriesLoad load = MakeSeriesLoad(args, pool);
  CliSeriesObserver observer("stack");
  const AddResult add = AddList(TickedItems(files), load.context, CliAddOutput(dir), observer);
  if (!add.status) throw CommandError(Describe(add.status));
  if (args.Flag("--json")) {
    Json j;
    j.BeginObject();
    PrintAdd(args, add, &j);
    j.EndObject();
    Print(j.Text());
  } else {
    Print(add.compositePath);
    Print(std::to_string(add.frames));
  }
  return 0;
}

// ---- composite ---------------------------------------------------------------------------

int CompositeVerb(const std::vector<std::string>& raw, WorkerPool& pool) {
  Args args(raw, {"--json"}, WithSeriesOptions({"--size", "--offset", "--out"}));
  const std::vector<std::string>& files = Files(args);
  const AlignSettings settings = ReadAlignSettings(args);
  const std::string dir = FolderArgument(args);
  const SeriesLoad load = MakeSeriesLoad(args, pool);
  CliSeriesObserver observer("composite");
  const CompositeResult r = Composite(TickedItems(files), settings, load.context,
                                      CliAlignOutput(dir), CliAddOutput(dir), observer);
  if (!r.status) throw CommandError(Describe(r.status));
  if (args.Flag("--json")) {
    Json j;
    j.BeginObject();
    PrintAdd(args, r.add, &j);
    CropsArray(j, r.align);
    j.Key("order").BeginArray();
    for (size_t i = 0; i < r.bestOf.items.size(); ++i) {
      j.BeginObject();
      j.FieldStr("file", r.bestOf.items[i].path);
      j.Key("score");
      if (i < r.bestOf.scores.size()) {
        ScoreNumber(j, r.bestOf.scores[i]);
      } else {
        j.Null();
      }
      j.EndObject();
    }
    j.EndArray();
    j.Key("align_warnings").BeginArray();
    for (const std::string& w : r.align.warnings) j.String(w);
    j.EndArray();
    j.EndObject();
    Print(j.Text());
  } else {
    Print(r.add.compositePath);
    Print(std::to_string(r.add.frames));
  }
  return 0;
}

// ---- bias --------------------------------------------------------------------------------

int Bias(const std::vector<std::string>& raw, WorkerPool& pool) {
  Args args(raw, {"--json"}, {"--out"});
  const std::vector<std::string>& files = Files(args);
  if (!args.Has("--out")) throw UsageError("--out FILE is required");
  const std::string out = args.Value("--out");
  if (!IsOrvExtension(UpperExtension(out)))
    throw UsageError("--out: the bias frame is written as ORV: give a name ending in .orvc");
  FitsOptions fits;
  const IniFile ini(SettingsPath());
  fits.swapVert = ini.ReadString("PARAMS", "FitsSwapV", "0") == "1";
  fits.swapHoriz = ini.ReadString("PARAMS", "FitsSwapH", "0") == "1";
  CliSeriesObserver observer("bias");
  const BiasResult r = MakeBias(files, fits, out, observer);
  if (!r.status) throw CommandError(Describe(r.status));
  if (args.Flag("--json")) {
    Json j;
    j.BeginObject();
    j.FieldStr("bias", r.path);
    j.FieldInt("frames", r.frames);
    j.FieldInt("width", r.bias.Width());
    j.FieldInt("height", r.bias.Height());
    j.EndObject();
    Print(j.Text());
  } else {
    Print(r.path);
  }
  return 0;
}

}  // namespace

ORVEK_CLI_VERB(bestof, "bestof",
               "bestof [--mode sn|max] FILE... [--bias FILE] [--half P] [--framing auto|manual] "
               "[--json]",
               BestOf);
ORVEK_CLI_VERB(align, "align",
               "align --size S [--offset DX,DY] [--fixed X,Y] --out DIR FILE... [--bias FILE] "
               "[--half P] [--framing auto|manual] [--json]",
               Align);
ORVEK_CLI_VERB(stack, "stack",
               "stack --out DIR FILE... [--bias FILE] [--half P] [--framing auto|manual] [--json]",
               Stack);
ORVEK_CLI_VERB(composite, "composite",
               "composite --size S [--offset DX,DY] --out DIR FILE... [--bias FILE] [--half P] "
               "[--framing auto|manual] [--json]",
               CompositeVerb);
ORVEK_CLI_VERB(bias, "bias", "bias --out FILE.orvc FILE... [--json]", Bias);

}  // namespace orvek::cli
