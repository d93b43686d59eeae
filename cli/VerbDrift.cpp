// orvek-cli drift and drift-trail: the orientation offset Delta from a drifting star.

#include <string>
#include <vector>

#include "cli/Cli.h"
#include "cli/SeriesFrames.h"
#include "cli/SeriesOptions.h"
#include "core/Rounding.h"
#include "core/Utils.h"
#include "measure/ReductionTable.h"
#include "series/Drift.h"
#include "wording/Wording.h"

namespace orvek::cli {

namespace {

DriftOrientation ReadOrientation(const Verb& v) {
  DriftOrientation o;
  if (v.Has("--orient") && !ParseDriftOrientation(v.Value("--orient"), o))
    throw UsageError("NotOneOf",
                     Error().Field("--orient").Text(v.Value("--orient")).Detail("ns|sn,ew|we"));
  return o;
}

// The table as its window starts: cameras, then the stored parameters; nothing is written
// to the settings file.
void PrepareTable(ReductionTable& table) {
  table.LoadCameras();
  Check(table.ApplySelectedCamera().status);
  table.LoadParams();
  table.RAZ();
}

void PrintDrift(const Verb& v, const DriftLine& line, int points, const FeedResult& fed,
                const std::string& image, int columns) {
  if (v.IsSet("--json")) {
    Json j = {{"a", Number(static_cast<double>(line.a))},
              {"b", Number(static_cast<double>(line.b))},
              {"points", points},
              {"delta", fed.deltaDeg ? Number(*fed.deltaDeg) : Json(nullptr)},
              {"delta_text", fed.delta}};
    j["east"] = {Number(static_cast<double>(fed.ends.east.x)),
                 Number(static_cast<double>(fed.ends.east.y))};
    j["west"] = {Number(static_cast<double>(fed.ends.west.x)),
                 Number(static_cast<double>(fed.ends.west.y))};
    if (!image.empty()) j["image"] = image;
    if (columns >= 0) j["columns"] = columns;
    PrintJson(j);
  } else {
    Print("a=" + FormatGeneral(static_cast<double>(line.a)));
    Print("b=" + FormatGeneral(static_cast<double>(line.b)));
    Print("points=" + std::to_string(points));
    Print("delta=" + fed.delta);
  }
}

void DeclareDrift(Verb& v) {
  v.Files({"FILE..."})
      .Option("--orient", "ns|sn,ew|we")
      .Option("--image", "FILE.orvc")
      .Overwrite()
      .JsonOutput();
  SeriesLoadOptions(v);
  SeriesFrameOptions(v);
}

int Drift(Verb& v) {
  const DriftOrientation orientation = ReadOrientation(v);
  // Without --image the synthetic image goes to the program's working folder, as the
  // window's does.
  OutputFolder out = WorkingOutput("tempc");
  std::string name = "drift.orvc";
  if (v.Has("--image")) {
    const std::string image = v.OrvFile("--image");
    out = v.FileFolder(image);
    name = FileNameOf(image);
  }
  SeriesLoad load = MakeSeriesLoad(v);
  const SeriesFrames frames = SeriesFramesOf(v);
  load.context.frames = frames.Provider();

  CliSeriesObserver observer(v, "drift");
  const SyntheticDriftResult r =
      SyntheticDrift(TickedItems(frames.files), load.context, out, name, observer);
  Check(r.status);

  ReductionTable table(SettingsPath());
  PrepareTable(table);
  const FeedResult fed = FeedCalibration(table, r.line, orientation.eastLeft, orientation.northUp,
                                         r.lastX, r.shown.star.point, r.imagePath);
  Check(fed.status);
  PrintDrift(v, r.line, static_cast<int>(r.points.size()), fed, r.imagePath, -1);
  return 0;
}

void DeclareDriftTrail(Verb& v) {
  v.Files({"FILE"})
      .Option("--orient", "ns|sn,ew|we")
      .Option("--a", "X,Y")
      .Option("--b", "X,Y")
      .JsonOutput();
  SeriesLoadOptions(v);
}

int DriftTrailVerb(Verb& v) {
  const Verb::XY a = v.RequiredPair("--a");
  const Verb::XY b = v.RequiredPair("--b");
  const DriftOrientation orientation = ReadOrientation(v);
  const SeriesLoad load = MakeSeriesLoad(v);

  const std::string& file = v.Positional()[0];
  LoadedFrame loaded;
  const LoadResult read = LoadAndMeasure(file, load.context, loaded);
  if (!read.ok()) throw CommandError(ReadFailure(file, read));
  const DriftTrailResult r =
      DriftTrail(loaded.frame, Point(a.x, a.y), Point(b.x, b.y), load.context.measure);
  Check(r.status);

  ReductionTable table(SettingsPath());
  PrepareTable(table);
  const FeedResult fed = FeedCalibration(table, r.line, orientation.eastLeft, orientation.northUp,
                                         r.lastX, r.current, file);
  Check(fed.status);
  PrintDrift(v, r.line, static_cast<int>(r.points.size()), fed, "", r.columns);
  return 0;
}

}  // namespace

ORVEK_CLI_VERB(drift, "drift",
               "drift FILE...|VIDEO [--frames FIRST-LAST] [--orient ns|sn,ew|we] [--image "
               "FILE.orvc] [--bias FILE] [--half P] "
               "[--framing auto|manual] [--overwrite] [--json]",
               DeclareDrift, Drift);
ORVEK_CLI_VERB(drift_trail, "drift-trail",
               "drift-trail FILE --a X,Y --b X,Y [--orient ns|sn,ew|we] [--bias FILE] [--half P] "
               "[--framing auto|manual] [--json]",
               DeclareDriftTrail, DriftTrailVerb);

}  // namespace orvek::cli
