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
#include "wording/ReductionWords.h"
#include "wording/Wording.h"

namespace orvek::cli {

namespace {

constexpr const char* kUsage =
    "reduce FILE... [--a X,Y --b X,Y] [--half-a P] [--half-b P] [--delta D] [--epsilon E] "
    "[--orient ns|sn,ew|we] [--pixel L,H] [--binning] [--reject] [--json] "
    "[--report-dir DIR --system NAME --date TEXT [--place TEXT] [--wds ID] [--notes TEXT]] "
    "[--overwrite]";

void CheckTable(const RecomputeResult& r) {
  Check(r.status);
}

/// A grid cell as a JSON number when it is one (the same digits as the cell), else null.
Json CellNumber(const std::string& cell) {
  Extended v;
  return ParseNumber(cell, v) ? Number(static_cast<double>(v)) : Json(nullptr);
}

std::string JoinPath(const std::string& dir, const std::string& name) {
  return (std::filesystem::path(dir) / name).string();
}

void DeclareReduce(Verb& v) {
  v.Files({"FILE..."})
      .Option("--a", "X,Y")
      .Option("--b", "X,Y")
      .Option("--half-a", "P")
      .Option("--half-b", "P")
      .Option("--delta", "D")
      .Option("--epsilon", "E")
      .Option("--orient", "ns|sn,ew|we")
      .Option("--pixel", "L,H")
      .Flag("--binning")
      .Flag("--reject")
      .JsonOutput()
      .Option("--report-dir", "DIR")
      .Option("--system", "NAME")
      .Option("--date", "TEXT")
      .Option("--place", "TEXT")
      .Option("--wds", "ID")
      .Option("--notes", "TEXT")
      .Overwrite();
}

int Reduce(Verb& args) {
  const std::vector<std::string>& files = args.Positional();
  if (args.Has("--a") != args.Has("--b"))
    throw UsageError("Together", Error().Field("--a").Text("--b"));
  const bool report = args.Has("--report-dir");
  if (report && (!args.Has("--system") || !args.Has("--date")))
    throw UsageError("Needs", Error().Field("--report-dir").Text("--system --date"));
  if (!report) {
    for (const char* option : {"--system", "--date", "--place", "--wds", "--notes"}) {
      if (args.Has(option)) throw UsageError("Needs", Error().Field(option).Text("--report-dir"));
    }
  }
  std::vector<std::string> reportFiles;
  OutputFolder reportFolder;
  if (report) {
    reportFolder = args.OutFolder("--report-dir");
    for (const char* name : LogComposer::kProposedNames) reportFiles.push_back(name);
    // The three report files are refused at once when one is there already.
    Check(MayWriteAll(reportFolder, reportFiles));
  }

  // The calibration as the table window starts with it: cameras, then the stored parameters.
  // Nothing is written to the settings file.
  const std::string settingsPath = SettingsPath();
  ReductionTable table(settingsPath);
  table.LoadCameras();
  CheckTable(table.ApplySelectedCamera());
  const MainWindowParams stored = table.LoadParams();
  CheckTable(table.RAZ());

  const int halfA = static_cast<int>(args.Integer("--half-a", stored.halfSize, 1, 30));
  const int halfB = static_cast<int>(args.Integer("--half-b", stored.halfSize, 1, 30));

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
  if (args.IsSet("--binning")) CheckTable(table.SetBinning(true));

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
    if (!lr.ok()) throw CommandError(ReadFailure(files[0], lr));
    const StarPair pair = FindBrightestPair(loaded.frame, first.measure, halfA, halfB);
    if (!pair.found)
      throw CommandError::Said("NoPair",
                               Error().Path(files[0]).Detail(args.Words().Describe(pair.error)));
    run.capturedAX = pair.a.point.X;
    run.capturedAY = pair.a.point.Y;
    run.capturedBX = pair.b.point.X;
    run.capturedBY = pair.b.point.Y;
  }

  struct WarnObserver : SeriesObserver {
    explicit WarnObserver(const CliWords& w) : words(w) {}
    void Warning(const std::string& text) override {
      Note("reduce", words.Text("Skipped", Error().Text(text)));
    }
    void Problem(const Error& error) override { Warning(words.Describe(error)); }
    const CliWords& words;
  } observer(args.Words());
  const AutoOrvekResult result = RunAutoOrvek(files, table, run, observer);
  if (result.rows == 0) throw CommandError(Error(ErrorCode::NoFrameUsable));
  Check(result.recompute);

  RejectReport rejected;
  if (args.IsSet("--reject")) {
    rejected = table.RejectOutliers();
    Check(rejected.status);
    Check(rejected.recompute);
  }

  const int n = table.DataRows();
  if (args.IsSet("--json")) {
    Json rows = Json::array();
    for (int r = 1; r <= n; ++r) {
      const bool hasResult = r < table.ResultRowCount();
      auto res = [&](int col) { return hasResult ? table.ResultCell(r, col) : std::string(); };
      rows.push_back({{"xA", CellNumber(table.Cell(r, kColXA))},
                      {"yA", CellNumber(table.Cell(r, kColYA))},
                      {"intA", CellNumber(table.Cell(r, kColIntA))},
                      {"xB", CellNumber(table.Cell(r, kColXB))},
                      {"yB", CellNumber(table.Cell(r, kColYB))},
                      {"intB", CellNumber(table.Cell(r, kColIntB))},
                      {"image", table.Cell(r, kColImage)},
                      {"nA", CellNumber(table.Cell(r, kColNA))},
                      {"nB", CellNumber(table.Cell(r, kColNB))},
                      {"bin", CellNumber(table.Cell(r, kColBin))},
                      {"theta", CellNumber(res(kResTheta))},
                      {"rho", CellNumber(res(kResRho))},
                      {"dm", CellNumber(res(kResDm))},
                      {"rThe", CellNumber(res(kResRThe))},
                      {"rRho", CellNumber(res(kResRRho))}});
    }
    Json j = Json::object();
    j["rows"] = rows;
    j["mean"] = {{"theta", CellNumber(table.Field(ReductionField::txtTheta))},
                 {"rho", CellNumber(table.Field(ReductionField::txtRho))},
                 {"sigma_theta", CellNumber(table.Field(ReductionField::sigTh))},
                 {"sigma_rho", CellNumber(table.Field(ReductionField::sigRh))},
                 {"dm", CellNumber(table.Field(ReductionField::txtDm))},
                 {"count", n}};
    j["calibration"] = {{"delta", CellNumber(table.Field(ReductionField::txtDelta))},
                        {"epsilon", CellNumber(table.Field(ReductionField::txtEps))},
                        {"orient_v", table.OrientV()},
                        {"orient_h", table.OrientH()},
                        {"lpix", CellNumber(table.Field(ReductionField::LPix))},
                        {"hpix", CellNumber(table.Field(ReductionField::HPix))},
                        {"binning", table.Bin2x()}};
    j["captured"] = {{"a",
                      {Number(static_cast<double>(run.capturedAX)),
                       Number(static_cast<double>(run.capturedAY))}},
                     {"b",
                      {Number(static_cast<double>(run.capturedBX)),
                       Number(static_cast<double>(run.capturedBY))}},
                     {"half_a", halfA},
                     {"half_b", halfB}};
    j["skipped"] = result.skipped;
    if (args.IsSet("--reject")) {
      Json list = Json::array();
      for (const RowRejection& v : rejected.rows) {
        if (v.reasons.empty()) continue;
        list.push_back({{"row", v.row}, {"image", v.image}, {"reasons", v.reasons}});
      }
      j["rejected"] = list;
    }
    PrintJson(j);
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
    if (args.IsSet("--reject"))
      Print(
          RejectionSummary(rejected.removed, static_cast<int>(rejected.rows.size()), settingsPath));
  }

  if (report) {
    const std::string dir = reportFolder.dir;
    Check(PrepareOutput(reportFolder));
    LogComposer log;
    log.LoadTexts(IniFile(settingsPath));
    log.RefreshCamera(table);  // as when the log window is shown
    log.fields.lSys = args.Value("--system");
    log.fields.lDat = args.Value("--date");
    log.fields.lLie = args.Value("--place");
    log.fields.WDSid = args.Value("--wds");
    log.fields.lnot = args.Value("--notes");
    Check(log.AddToLog(table));
    const LogSaveResult saved = log.Save({JoinPath(dir, LogComposer::kProposedNames[0]),
                                          JoinPath(dir, LogComposer::kProposedNames[1]),
                                          JoinPath(dir, LogComposer::kProposedNames[2])});
    if (!saved.allWritten) throw CommandError(saved.Failure());
  }
  return 0;
}

}  // namespace

ORVEK_CLI_VERB(reduce, "reduce", kUsage, DeclareReduce, Reduce);

}  // namespace orvek::cli
