// orvek-cli reduce: AutoOrvek over a series of frames, the measurement table's
// recomputation, optionally the rejection, and the three log files.

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "cli/Cli.h"
#include "core/IniFile.h"
#include "core/Rounding.h"
#include "core/Utils.h"
#include "measure/AutoOrvek.h"
#include "measure/FrameLoader.h"
#include "measure/LogComposer.h"
#include "measure/ReductionTable.h"
#include "wording/Wording.h"

namespace orvek::cli {

namespace {

constexpr const char* kUsage =
    "reduce FILE... [--a X,Y --b X,Y] [--half-a P] [--half-b P] [--delta D] [--epsilon E] "
    "[--orient ns|sn,ew|we] [--pixel L,H] [--binning] [--reject] [--json] "
    "[--report-dir DIR --system NAME --date TEXT [--place TEXT] [--wds ID] [--notes TEXT]]";

int HalfSize(const Args& args, const std::string& name, int fallback) {
  const long long v = args.Integer(name, fallback);
  if (v < 1 || v > 30)
    throw UsageError(name + ": the half-size is 1 to 30, got " + args.Value(name));
  return static_cast<int>(v);
}

void Check(const RecomputeResult& r) {
  if (!r.status) throw CommandError(Describe(r.status));
}

/// A grid cell as a JSON number when it is one (the same digits as the cell), else null.
void CellNumber(Json& j, const std::string& key, const std::string& cell) {
  Extended v;
  j.Key(key);
  if (ParseNumber(cell, v)) {
    j.Number(static_cast<double>(v));
  } else {
    j.Null();
  }
}

std::string JoinPath(const std::string& dir, const std::string& name) {
  return (std::filesystem::path(dir) / name).string();
}

int Reduce(const std::vector<std::string>& raw, WorkerPool& pool) {
  Args args(raw, {"--binning", "--reject", "--json"},
            {"--a", "--b", "--half-a", "--half-b", "--delta", "--epsilon", "--orient", "--pixel",
             "--report-dir", "--system", "--date", "--place", "--wds", "--notes"});
  const std::vector<std::string>& files = args.Positional();
  if (files.empty()) throw UsageError("at least one FILE expected");
  if (args.Has("--a") != args.Has("--b")) throw UsageError("--a and --b go together");
  const bool report = args.Has("--report-dir");
  if (report && (!args.Has("--system") || !args.Has("--date")))
    throw UsageError("--report-dir needs --system and --date");
  if (!report && (args.Has("--system") || args.Has("--date") || args.Has("--place") ||
                  args.Has("--wds") || args.Has("--notes")))
    throw UsageError("--system, --date, --place, --wds and --notes need --report-dir");

  // The calibration as the table window starts with it: cameras, then the stored parameters.
  // Nothing is written to the settings file.
  const std::string settingsPath = SettingsPath();
  ReductionTable table(settingsPath);
  table.LoadCameras();
  Check(table.ApplySelectedCamera());
  const MainWindowParams stored = table.LoadParams();
  Check(table.RAZ());

  const int halfA = HalfSize(args, "--half-a", stored.halfSize);
  const int halfB = HalfSize(args, "--half-b", stored.halfSize);

  double number = 0;
  if (args.Has("--delta")) {
    if (!ParseReal(args.Value("--delta"), number))
      throw UsageError("--delta: not a number: " + args.Value("--delta"));
    Check(table.EditField(ReductionField::txtDelta, args.Value("--delta")));
  }
  if (args.Has("--epsilon")) {
    if (!ParseReal(args.Value("--epsilon"), number))
      throw UsageError("--epsilon: not a number: " + args.Value("--epsilon"));
    Check(table.EditField(ReductionField::txtEps, args.Value("--epsilon")));
  }
  if (args.Has("--orient")) {
    const std::string o = args.Value("--orient");
    const auto comma = o.find(',');
    const std::string v = comma == std::string::npos ? o : o.substr(0, comma);
    const std::string h = comma == std::string::npos ? "" : o.substr(comma + 1);
    if ((v != "ns" && v != "sn") || (h != "ew" && h != "we"))
      throw UsageError("--orient: expected ns|sn,ew|we, got " + o);
    table.SetOrientation(v, h);
    Check(table.ShowOrientation());
  }
  if (args.Has("--pixel")) {
    const std::string p = args.Value("--pixel");
    double l = 0, h = 0;
    if (!ParsePair(p, l, h) || l <= 0 || h <= 0)
      throw UsageError("--pixel: expected two positive sizes L,H, got " + p);
    const auto comma = p.find(',');
    Check(table.EditField(ReductionField::LPix, Trim(p.substr(0, comma))));
    Check(table.EditField(ReductionField::HPix, Trim(p.substr(comma + 1))));
  }
  if (args.Flag("--binning")) Check(table.SetBinning(true));

  AutoOrvekSettings run;
  run.context.fits.swapVert = stored.fitsSwapV;
  run.context.fits.swapHoriz = stored.fitsSwapH;
  run.sizeA = halfA;
  run.sizeB = halfB;
  // After B has been captured the main window's half-size is SizeB.
  run.context.measure.half = halfB;

  double ax = 0, ay = 0, bx = 0, by = 0;
  if (args.Pair("--a", ax, ay) && args.Pair("--b", bx, by)) {
    run.capturedAX = ax;
    run.capturedAY = ay;
    run.capturedBX = bx;
    run.capturedBY = by;
  } else {
    LoadContext first = run.context;
    first.measure.half = halfA;
    LoadedFrame loaded;
    const LoadResult lr = LoadAndMeasure(files[0], first, loaded);
    if (!lr.ok())
      throw CommandError(files[0] + ": " +
                         (lr.status == LoadStatus::UnknownExtension
                              ? std::string("not an image file")
                              : Describe(lr.AsStatus())));
    const StarPair pair = FindBrightestPair(loaded.frame, first.measure, halfA, halfB);
    if (!pair.found) throw CommandError(files[0] + ": " + pair.message + "; give --a and --b");
    run.capturedAX = pair.a.point.X;
    run.capturedAY = pair.a.point.Y;
    run.capturedBX = pair.b.point.X;
    run.capturedBY = pair.b.point.Y;
  }

  struct WarnObserver : SeriesObserver {
    void Warning(const std::string& text) override {
      std::fprintf(stderr, "orvek-cli reduce: skipped %s\n", text.c_str());
    }
  } observer;
  const AutoOrvekResult result = RunAutoOrvek(files, table, run, observer);
  if (result.rows == 0) throw CommandError("no frame could be measured");
  if (!result.recompute) throw CommandError(Describe(result.recompute));

  RejectReport rejected;
  if (args.Flag("--reject")) {
    rejected = table.RejectOutliers();
    if (!rejected.status) throw CommandError(Describe(rejected.status));
    if (!rejected.recompute) throw CommandError(Describe(rejected.recompute));
  }

  const int n = table.DataRows();
  if (args.Flag("--json")) {
    Json j;
    j.BeginObject();
    j.Key("rows").BeginArray();
    for (int r = 1; r <= n; ++r) {
      const bool hasResult = r < table.ResultRowCount();
      auto res = [&](int col) { return hasResult ? table.ResultCell(r, col) : std::string(); };
      j.BeginObject();
      CellNumber(j, "xA", table.Cell(r, kColXA));
      CellNumber(j, "yA", table.Cell(r, kColYA));
      CellNumber(j, "intA", table.Cell(r, kColIntA));
      CellNumber(j, "xB", table.Cell(r, kColXB));
      CellNumber(j, "yB", table.Cell(r, kColYB));
      CellNumber(j, "intB", table.Cell(r, kColIntB));
      j.FieldStr("image", table.Cell(r, kColImage));
      CellNumber(j, "nA", table.Cell(r, kColNA));
      CellNumber(j, "nB", table.Cell(r, kColNB));
      CellNumber(j, "bin", table.Cell(r, kColBin));
      CellNumber(j, "theta", res(kResTheta));
      CellNumber(j, "rho", res(kResRho));
      CellNumber(j, "dm", res(kResDm));
      CellNumber(j, "rThe", res(kResRThe));
      CellNumber(j, "rRho", res(kResRRho));
      j.EndObject();
    }
    j.EndArray();
    j.Key("mean").BeginObject();
    CellNumber(j, "theta", table.Field(ReductionField::txtTheta));
    CellNumber(j, "rho", table.Field(ReductionField::txtRho));
    CellNumber(j, "sigma_theta", table.Field(ReductionField::sigTh));
    CellNumber(j, "sigma_rho", table.Field(ReductionField::sigRh));
    CellNumber(j, "dm", table.Field(ReductionField::txtDm));
    j.FieldInt("count", n);
    j.EndObject();
    j.Key("calibration").BeginObject();
    CellNumber(j, "delta", table.Field(ReductionField::txtDelta));
    CellNumber(j, "epsilon", table.Field(ReductionField::txtEps));
    j.FieldStr("orient_v", table.OrientV());
    j.FieldStr("orient_h", table.OrientH());
    CellNumber(j, "lpix", table.Field(ReductionField::LPix));
    CellNumber(j, "hpix", table.Field(ReductionField::HPix));
    j.FieldBool("binning", table.Bin2x());
    j.EndObject();
    j.Key("captured").BeginObject();
    j.Key("a")
        .BeginArray()
        .Number(static_cast<double>(run.capturedAX))
        .Number(static_cast<double>(run.capturedAY))
        .EndArray();
    j.Key("b")
        .BeginArray()
        .Number(static_cast<double>(run.capturedBX))
        .Number(static_cast<double>(run.capturedBY))
        .EndArray();
    j.FieldInt("half_a", halfA);
    j.FieldInt("half_b", halfB);
    j.EndObject();
    j.Key("skipped").BeginArray();
    for (const std::string& s : result.skipped) j.String(s);
    j.EndArray();
    if (args.Flag("--reject")) {
      j.Key("rejected").BeginArray();
      for (const RowRejection& v : rejected.rows) {
        if (v.reasons.empty()) continue;
        j.BeginObject().FieldInt("row", v.row).FieldStr("image", v.image);
        j.Key("reasons").BeginArray();
        for (const std::string& reason : v.reasons) j.String(reason);
        j.EndArray().EndObject();
      }
      j.EndArray();
    }
    j.EndObject();
    Print(j.Text());
  } else {
    for (const auto& row : table.RawRows()) Print(LogComposer::DumpRow(row));
    Print("");
    for (const auto& row : table.ResultRows()) Print(LogComposer::DumpRow(row));
    Print("");
    Print("theta = " + table.Field(ReductionField::txtTheta) + "  (sigma " +
          table.Field(ReductionField::sigTh) + ")");
    Print("rho   = " + table.Field(ReductionField::txtRho) + "  (sigma " +
          table.Field(ReductionField::sigRh) + ")");
    Print("dM    = " + table.Field(ReductionField::txtDm));
    Print("n     = " + std::to_string(n));
    if (args.Flag("--reject")) Print(rejected.StatusText());
  }

  if (report) {
    const std::string dir = args.Value("--report-dir");
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    LogComposer log;
    log.LoadTexts(IniFile(settingsPath));
    log.RefreshCamera(table);  // as when the log window is shown
    log.fields.lSys = args.Value("--system");
    log.fields.lDat = args.Value("--date");
    log.fields.lLie = args.Value("--place");
    log.fields.WDSid = args.Value("--wds");
    log.fields.lnot = args.Value("--notes");
    const Status added = log.AddToLog(table);
    if (!added) throw CommandError(Describe(added));
    const LogSaveResult saved = log.Save({JoinPath(dir, LogComposer::kProposedNames[0]),
                                          JoinPath(dir, LogComposer::kProposedNames[1]),
                                          JoinPath(dir, LogComposer::kProposedNames[2])});
    for (const Status& file : saved.files)
      if (!file) throw CommandError(Describe(file));
    if (!saved.allWritten) throw CommandError(saved.Summary());
  }
  return 0;
}

}  // namespace

ORVEK_CLI_VERB(reduce, "reduce", kUsage, Reduce);

}  // namespace orvek::cli
