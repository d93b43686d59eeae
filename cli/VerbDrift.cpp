// orvek-cli drift and drift-trail: the orientation offset Delta from a drifting star.

#include <string>
#include <vector>

#include "cli/Cli.h"
#include "cli/SeriesOptions.h"
#include "core/Rounding.h"
#include "core/Utils.h"
#include "measure/ReductionTable.h"
#include "series/Drift.h"
#include "wording/Wording.h"

namespace orvek::cli {

namespace {

DriftOrientation ReadOrientation(const Args& args) {
  DriftOrientation o;
  if (args.Has("--orient") && !ParseDriftOrientation(args.Value("--orient"), o))
    throw UsageError("--orient: expected ns|sn,ew|we, got " + args.Value("--orient"));
  return o;
}

// The table as its window starts: cameras, then the stored parameters; nothing is written
// to the settings file.
void PrepareTable(ReductionTable& table) {
  table.LoadCameras();
  if (RecomputeResult r = table.ApplySelectedCamera(); !r.status)
    throw CommandError(Describe(r.status));
  table.LoadParams();
  table.RAZ();
}

void PrintDrift(const Args& args, const DriftLine& line, int points, const FeedResult& fed,
                const std::string& image, int columns) {
  Extended delta = 0;
  const bool numeric = ParseNumber(fed.delta, delta);
  if (args.Flag("--json")) {
    Json j;
    j.BeginObject();
    j.Field("a", static_cast<double>(line.a));
    j.Field("b", static_cast<double>(line.b));
    j.FieldInt("points", points);
    j.Key("delta");
    if (numeric) {
      j.Number(static_cast<double>(delta));
    } else {
      j.Null();
    }
    j.FieldStr("delta_text", fed.delta);
    j.Key("east")
        .BeginArray()
        .Number(static_cast<double>(fed.ends.east.x))
        .Number(static_cast<double>(fed.ends.east.y))
        .EndArray();
    j.Key("west")
        .BeginArray()
        .Number(static_cast<double>(fed.ends.west.x))
        .Number(static_cast<double>(fed.ends.west.y))
        .EndArray();
    if (!image.empty()) j.FieldStr("image", image);
    if (columns >= 0) j.FieldInt("columns", columns);
    j.EndObject();
    Print(j.Text());
  } else {
    Print("a=" + FormatGeneral(static_cast<double>(line.a)));
    Print("b=" + FormatGeneral(static_cast<double>(line.b)));
    Print("points=" + std::to_string(points));
    Print("delta=" + fed.delta);
  }
}

int Drift(const std::vector<std::string>& raw, WorkerPool& pool) {
  Args args(raw, {"--json"}, WithSeriesOptions({"--orient", "--image"}));
  if (args.Positional().empty()) throw UsageError("at least one FILE expected");
  const DriftOrientation orientation = ReadOrientation(args);
  const SeriesLoad load = MakeSeriesLoad(args, pool);
  const std::string image = args.Value("--image", WorkFolder("tempc") + "drift.orvc");
  if (!IsOrvExtension(UpperExtension(image)))
    throw UsageError("--image: the synthetic image is written as ORV: give a name ending in .orvc");

  CliSeriesObserver observer("drift");
  const SyntheticDriftResult r =
      SyntheticDrift(TickedItems(args.Positional()), load.context, image, observer);
  if (!r.status) throw CommandError(Describe(r.status));

  ReductionTable table(SettingsPath());
  PrepareTable(table);
  const FeedResult fed = FeedCalibration(table, r.line, orientation.eastLeft, orientation.northUp,
                                         r.lastX, r.shown.star.point, r.imagePath);
  if (!fed.status) throw CommandError(Describe(fed.status));
  PrintDrift(args, r.line, static_cast<int>(r.points.size()), fed, r.imagePath, -1);
  return 0;
}

int DriftTrailVerb(const std::vector<std::string>& raw, WorkerPool& pool) {
  Args args(raw, {"--json"}, WithSeriesOptions({"--orient", "--a", "--b"}));
  if (args.Positional().size() != 1) throw UsageError("exactly one FILE expected");
  if (!args.Has("--a") || !args.Has("--b")) throw UsageError("--a X,Y and --b X,Y are required");
  double ax = 0, ay = 0, bx = 0, by = 0;
  args.Pair("--a", ax, ay);
  args.Pair("--b", bx, by);
  const DriftOrientation orientation = ReadOrientation(args);
  const SeriesLoad load = MakeSeriesLoad(args, pool);

  const std::string& file = args.Positional()[0];
  LoadedFrame loaded;
  const LoadResult read = LoadAndMeasure(file, load.context, loaded);
  if (!read.ok())
    throw CommandError(file + ": " +
                       (read.status == LoadStatus::UnknownExtension
                            ? std::string("not an image file")
                            : Describe(read.AsStatus())));
  const DriftTrailResult r =
      DriftTrail(loaded.frame, Point(ax, ay), Point(bx, by), load.context.measure);
  if (!r.status) throw CommandError(Describe(r.status));

  ReductionTable table(SettingsPath());
  PrepareTable(table);
  const FeedResult fed = FeedCalibration(table, r.line, orientation.eastLeft, orientation.northUp,
                                         r.lastX, r.current, file);
  if (!fed.status) throw CommandError(Describe(fed.status));
  PrintDrift(args, r.line, static_cast<int>(r.points.size()), fed, "", r.columns);
  return 0;
}

}  // namespace

ORVEK_CLI_VERB(drift, "drift",
               "drift FILE... [--orient ns|sn,ew|we] [--image FILE.orvc] [--bias FILE] [--half P] "
               "[--framing auto|manual] [--json]",
               Drift);
ORVEK_CLI_VERB(drift_trail, "drift-trail",
               "drift-trail FILE --a X,Y --b X,Y [--orient ns|sn,ew|we] [--bias FILE] [--half P] "
               "[--framing auto|manual] [--json]",
               DriftTrailVerb);

}  // namespace orvek::cli
