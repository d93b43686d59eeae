#include "cli/TableRun.h"

#include "core/Utils.h"
#include "measure/FrameLoader.h"
#include "wording/Wording.h"

namespace orvek::cli {

namespace {

void CheckTable(const RecomputeResult& r) {
  Check(r.status);
}

}  // namespace

void DeclareTableOptions(Verb& v, bool scale) {
  v.Option("--a", "X,Y").Option("--b", "X,Y").Option("--half-a", "P").Option("--half-b", "P");
  if (scale) v.Option("--delta", "D").Option("--epsilon", "E");
  v.Option("--orient", "ns|sn,ew|we").Option("--pixel", "L,H").Flag("--binning");
  v.Option("--time", "ISO");
}

std::optional<FrameTime> UserTime(const Verb& args) {
  if (!args.Has("--time")) return std::nullopt;
  const Result<UtcTime> utc = ParseIsoTime(args.Value("--time"));
  if (!utc) throw UsageError("NotATime", Error().Field("--time").Text(args.Value("--time")));
  FrameTime t;
  t.utc = *utc;
  t.source = TimeSource::User;
  return t;
}

TableRun RunTable(Verb& args, ReductionTable& table, const std::string& verb) {
  const std::vector<std::string>& files = args.Positional();
  if (args.Has("--a") != args.Has("--b"))
    throw UsageError("Together", Error().Field("--a").Text("--b"));
  const std::optional<FrameTime> userTime = UserTime(args);

  TableRun out;
  out.settingsPath = table.SettingsPath();
  // The calibration as the table window starts with it: cameras, then the stored parameters.
  // Nothing is written to the settings file.
  table.LoadCameras();
  CheckTable(table.ApplySelectedCamera());
  const MainWindowParams stored = table.LoadParams();
  CheckTable(table.RAZ());

  out.halfA = static_cast<int>(args.Integer("--half-a", stored.halfSize, 1, 30));
  out.halfB = static_cast<int>(args.Integer("--half-b", stored.halfSize, 1, 30));

  if (args.Has("--delta")) {
    args.Real("--delta", 0);
    CheckTable(table.EditField(ReductionField::txtDelta, args.Value("--delta")));
  }
  if (args.Has("--epsilon")) {
    args.Real("--epsilon", 0);
    CheckTable(table.EditField(ReductionField::txtEps, args.Value("--epsilon")));
  }
  std::string vertical, horizontal;
  if (args.Orientation(vertical, horizontal)) {
    table.SetOrientation(vertical, horizontal);
    CheckTable(table.ShowOrientation());
  }
  if (args.Has("--pixel")) {
    const std::string p = args.Value("--pixel");
    double l = 0, h = 0;
    if (!ParsePair(p, l, h) || l <= 0 || h <= 0)
      throw UsageError("Positive", Error().Field("--pixel").Text(p));
    const auto comma = p.find(',');
    CheckTable(table.EditField(ReductionField::LPix, Trim(p.substr(0, comma))));
    CheckTable(table.EditField(ReductionField::HPix, Trim(p.substr(comma + 1))));
  }
  const Result<Calibration> given = table.CurrentCalibration();
  if (!given) throw CommandError(given.error());
  out.epsilonGiven = static_cast<double>(given->epsilonArcsecPerPx);
  if (args.IsSet("--binning")) CheckTable(table.SetBinning(true));

  AutoOrvekSettings& run = out.settings;
  run.context.fits.swapVert = stored.fitsSwapV;
  run.context.fits.swapHoriz = stored.fitsSwapH;
  run.sizeA = out.halfA;
  run.sizeB = out.halfB;
  // After B has been captured the main window's half-size is SizeB.
  run.context.measure.half = out.halfB;

  double ax = 0, ay = 0, bx = 0, by = 0;
  if (args.Pair("--a", ax, ay) && args.Pair("--b", bx, by)) {
    run.capturedAX = ax;
    run.capturedAY = ay;
    run.capturedBX = bx;
    run.capturedBY = by;
  } else {
    LoadContext first = run.context;
    first.measure.half = out.halfA;
    LoadedFrame loaded;
    const LoadResult lr = LoadAndMeasure(files[0], first, loaded);
    if (!lr.ok()) throw CommandError(ReadFailure(files[0], lr));
    const StarPair pair = FindBrightestPair(loaded.frame, first.measure, out.halfA, out.halfB);
    if (!pair.found)
      throw CommandError::Said("NoPair",
                               Error().Path(files[0]).Detail(args.Words().Describe(pair.error)));
    run.capturedAX = pair.a.point.X;
    run.capturedAY = pair.a.point.Y;
    run.capturedBX = pair.b.point.X;
    run.capturedBY = pair.b.point.Y;
  }

  struct WarnObserver : SeriesObserver {
    WarnObserver(const CliWords& w, std::string v) : words(w), verb(std::move(v)) {}
    void Warning(const std::string& text) override {
      Note(verb, words.Text("Skipped", Error().Text(text)));
    }
    void Problem(const Error& error) override { Warning(words.Describe(error)); }
    const CliWords& words;
    std::string verb;
  } observer(args.Words(), verb);
  out.result = RunAutoOrvek(files, table, run, observer);
  if (out.result.rows == 0) throw CommandError(Error(ErrorCode::NoFrameUsable));
  Check(out.result.recompute);
  if (userTime) {
    for (int r = 1; r <= table.DataRows(); ++r) {
      if (!table.RowTime(r)) table.SetRowTime(r, userTime);
    }
  }
  return out;
}

Json TimeJson(const std::optional<FrameTime>& time) {
  return time ? Json(FormatIsoTime(time->utc)) : Json(nullptr);
}

std::optional<double> EpochOf(const std::optional<FrameTime>& time) {
  if (!time) return std::nullopt;
  const Result<double> epoch = BesselianEpoch(time->utc);
  if (!epoch) throw CommandError(epoch.error());
  return *epoch;
}

Json OptionalNumber(const std::optional<double>& v) {
  return v ? Number(*v) : Json(nullptr);
}

}  // namespace orvek::cli
