// orvek-cli reduce: AutoOrvek over a series of frames, the measurement table's
// recomputation, optionally the rejection, the three log files, the observation's summary
// (epoch, standard errors, nights) and its export for publication.

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "cli/Cli.h"
#include "cli/TableRun.h"
#include "core/IniFile.h"
#include "core/ObsTime.h"
#include "core/Rounding.h"
#include "core/Utils.h"
#include "measure/Export.h"
#include "measure/LogComposer.h"
#include "measure/Observation.h"
#include "measure/ReductionTable.h"
#include "wording/ReductionWords.h"
#include "wording/Wording.h"

namespace orvek::cli {

namespace {

constexpr const char* kUsage =
    "reduce FILE... [--a X,Y --b X,Y] [--half-a P] [--half-b P] [--delta D] [--epsilon E] "
    "[--orient ns|sn,ew|we] [--pixel L,H] [--binning] [--time ISO] [--reject] "
    "[--delta-sd S] [--epsilon-sd S] [--json] "
    "[--report-dir DIR --system NAME --date TEXT [--place TEXT]] "
    "[--export FILE --format wds|jdso|csv [--pair NAME] [--mags MA,MB] [--aperture-cm A] "
    "[--method C|Cl|S] [--observer CODE]] [--wds ID] [--notes TEXT] [--overwrite]";

std::string JoinPath(const std::string& dir, const std::string& name) {
  return (std::filesystem::path(dir) / name).string();
}

double D(Extended v) {
  return static_cast<double>(v);
}

void DeclareReduce(Verb& v) {
  v.Files({"FILE..."});
  DeclareTableOptions(v, true);
  v.Flag("--reject")
      .Option("--delta-sd", "S")
      .Option("--epsilon-sd", "S")
      .JsonOutput()
      .Option("--report-dir", "DIR")
      .Option("--system", "NAME")
      .Option("--date", "TEXT")
      .Option("--place", "TEXT")
      .Option("--wds", "ID")
      .Option("--notes", "TEXT")
      .Option("--export", "FILE")
      .Option("--format", "wds|jdso|csv")
      .Option("--pair", "NAME")
      .Option("--mags", "MA,MB")
      .Option("--aperture-cm", "A")
      .Option("--method", "C|Cl|S")
      .Option("--observer", "CODE")
      .Overwrite();
}

/// The observer's details of an export, as the command line gives them.
ExportDetails DetailsOf(const Verb& args) {
  ExportDetails d;
  d.pair = args.Value("--pair");
  d.wds = args.Value("--wds");
  if (args.Has("--mags")) {
    double a = 0, b = 0;
    if (!ParsePair(args.Value("--mags"), a, b))
      throw UsageError("NotAPair", Error().Field("--mags").Text(args.Value("--mags")));
    d.magA = a;
    d.magB = b;
  }
  if (args.Has("--aperture-cm")) d.apertureCm = args.Real("--aperture-cm", 0);
  d.method = args.Value("--method");
  d.observer = args.Value("--observer");
  d.notes = args.Value("--notes");
  return d;
}

Json StatsJson(const SeriesStats& s) {
  return {{"epoch", OptionalNumber(s.epoch)},
          {"n", s.n},
          {"theta", Number(s.thetaDeg)},
          {"rho", Number(s.rhoArcsec)},
          {"theta_sd", OptionalNumber(s.thetaSdDeg)},
          {"rho_sd", OptionalNumber(s.rhoSdArcsec)}};
}

Json SummaryJson(const ObservationSummary& summary, bool withErrors) {
  const SeriesStats& all = summary.all;
  Json j = {{"epoch", OptionalNumber(all.epoch)},
            {"n", all.n},
            {"theta_sd", OptionalNumber(all.thetaSdDeg)},
            {"rho_sd", OptionalNumber(all.rhoSdArcsec)},
            {"theta_sem", OptionalNumber(all.thetaSemDeg)},
            {"rho_sem", OptionalNumber(all.rhoSemArcsec)}};
  Json nights = Json::array();
  for (const SeriesStats& night : summary.nights) nights.push_back(StatsJson(night));
  j["nights"] = nights;
  if (withErrors) {
    j["theta_err"] = OptionalNumber(summary.thetaErrDeg);
    j["rho_err"] = OptionalNumber(summary.rhoErrArcsec);
  }
  return j;
}

int Reduce(Verb& args) {
  const bool report = args.Has("--report-dir");
  const bool exporting = args.Has("--export");
  if (report && (!args.Has("--system") || !args.Has("--date")))
    throw UsageError("Needs", Error().Field("--report-dir").Text("--system --date"));
  if (!report) {
    for (const char* option : {"--system", "--date", "--place"}) {
      if (args.Has(option)) throw UsageError("Needs", Error().Field(option).Text("--report-dir"));
    }
  }
  if (exporting != args.Has("--format"))
    throw UsageError("Together", Error().Field("--export").Text("--format"));
  if (!exporting) {
    for (const char* option : {"--pair", "--mags", "--aperture-cm", "--method", "--observer"}) {
      if (args.Has(option)) throw UsageError("Needs", Error().Field(option).Text("--export"));
    }
  }
  if (!report && !exporting) {
    for (const char* option : {"--wds", "--notes"}) {
      if (args.Has(option))
        throw UsageError("Needs", Error().Field(option).Text("--report-dir | --export"));
    }
  }
  std::optional<ExportFormat> format;
  ExportDetails details;
  std::string exportFile;
  OutputFolder exportFolder;
  if (exporting) {
    format = ExportFormatNamed(args.Choice("--format", {"wds", "jdso", "csv"}, "csv"));
    details = DetailsOf(args);
    exportFile = args.Value("--export");
    exportFolder = args.FileFolder(exportFile);
    // Refused before any frame is read when the file is there already.
    Check(MayWrite(exportFolder, exportFile));
  }
  CalibrationUncertainty uncertainty;
  if (args.Has("--delta-sd")) uncertainty.deltaSdDeg = args.Real("--delta-sd", 0);
  if (args.Has("--epsilon-sd")) uncertainty.epsilonSd = args.Real("--epsilon-sd", 0);
  std::vector<std::string> reportFiles;
  OutputFolder reportFolder;
  if (report) {
    reportFolder = args.OutFolder("--report-dir");
    for (const char* name : LogComposer::kProposedNames) reportFiles.push_back(name);
    // The three report files are refused at once when one is there already.
    Check(MayWriteAll(reportFolder, reportFiles));
  }

  const std::string settingsPath = SettingsPath();
  ReductionTable table(settingsPath);
  const TableRun run = RunTable(args, table, "reduce");

  RejectReport rejected;
  if (args.IsSet("--reject")) {
    rejected = table.RejectOutliers();
    Check(rejected.status);
    Check(rejected.recompute);
  }

  // The table's values: its rows as measured pairs, the reduction as its cells show it and
  // unrounded for the statistics.
  const Result<std::vector<MeasuredPair>> pairs = table.Pairs();
  if (!pairs) throw CommandError(pairs.error());
  const Result<Reduction> shown = table.ShownReduction();
  if (!shown) throw CommandError(shown.error());
  const Result<Reduction> exact = table.ComputeReduction();
  if (!exact) throw CommandError(exact.error());
  const Result<Calibration> calibration = table.CurrentCalibration();
  if (!calibration) throw CommandError(calibration.error());
  uncertainty.epsilon = run.epsilonGiven;
  const Result<std::vector<ObservedRow>> rowsObserved = ObservedRows(*pairs, *exact);
  if (!rowsObserved) throw CommandError(rowsObserved.error());
  const std::vector<ObservedRow>& observed = *rowsObserved;
  const Result<ObservationSummary> summary = Summarize(observed, uncertainty);
  if (!summary) throw CommandError(summary.error());
  const bool withErrors = uncertainty.deltaSdDeg || uncertainty.epsilonSd;

  const int n = table.DataRows();
  if (args.IsSet("--json")) {
    Json rows = Json::array();
    for (size_t i = 0; i < pairs->size(); ++i) {
      const MeasuredPair& p = (*pairs)[i];
      const ReducedPair& v = shown->pairs[i];
      rows.push_back({{"xA", Number(D(p.xA))},
                      {"yA", Number(D(p.yA))},
                      {"intA", Number(D(p.intA))},
                      {"xB", Number(D(p.xB))},
                      {"yB", Number(D(p.yB))},
                      {"intB", Number(D(p.intB))},
                      {"image", FileNameOf(p.frame)},
                      {"nA", Number(static_cast<double>(p.nA))},
                      {"nB", Number(static_cast<double>(p.nB))},
                      {"bin", Number(static_cast<double>(p.bin))},
                      {"theta", Number(D(v.thetaDeg))},
                      {"rho", Number(D(v.rho))},
                      {"dm", v.dM ? Number(D(*v.dM)) : Json(nullptr)},
                      {"rThe", Number(D(v.rThetaDeg))},
                      {"rRho", Number(D(v.rRho))},
                      {"time_utc", TimeJson(p.time)},
                      {"epoch", OptionalNumber(observed[i].epoch)}});
    }
    Json j = Json::object();
    j["rows"] = rows;
    j["mean"] = {{"theta", Number(shown->meanThetaDeg)},
                 {"rho", Number(D(shown->meanRho))},
                 {"sigma_theta", Number(D(shown->sigmaThetaDeg))},
                 {"sigma_rho", Number(D(shown->sigmaRho))},
                 {"dm", shown->dM ? Number(D(*shown->dM)) : Json(nullptr)},
                 {"count", n}};
    j["summary"] = SummaryJson(*summary, withErrors);
    j["calibration"] = {{"delta", Number(D(calibration->deltaDeg))},
                        {"epsilon", Number(D(calibration->epsilonArcsecPerPx))},
                        {"orient_v", table.OrientV()},
                        {"orient_h", table.OrientH()},
                        {"lpix", Number(D(calibration->pixelWidth))},
                        {"hpix", Number(D(calibration->pixelHeight))},
                        {"binning", table.Bin2x()}};
    const AutoOrvekSettings& captured = run.settings;
    j["captured"] = {{"a", {Number(D(captured.capturedAX)), Number(D(captured.capturedAY))}},
                     {"b", {Number(D(captured.capturedBX)), Number(D(captured.capturedBY))}},
                     {"half_a", run.halfA},
                     {"half_b", run.halfB}};
    j["skipped"] = run.result.skipped;
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
    if (summary->all.epoch) Print("epoch = " + FormatFixed(*summary->all.epoch, 3));
    if (args.IsSet("--reject"))
      Print(
          RejectionSummary(rejected.removed, static_cast<int>(rejected.rows.size()), settingsPath));
  }

  if (exporting) {
    const std::vector<ExportFrame> frames = ExportFrames(*pairs, *shown, observed);
    const Result<std::string> text = FormatExport(*format, frames, *summary, details);
    if (!text) throw CommandError(text.error());
    Check(PrepareOutput(exportFolder));
    Check(ReplaceFile(exportFile, text->data(), text->size()));
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
