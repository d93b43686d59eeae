// orvek-cli fft, autocorr, crosscorr, refpower, result, dva and peak: the interferometry
// commands without the window.
//
// The series verbs run the library's commands in a private working folder (the commands empty
// their folder as the program's "tempf" is emptied) and then copy their results into --out-dir,
// so that nothing else in that folder is ever deleted.

#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "cli/Cli.h"
#include "cli/CliFrames.h"
#include "core/OTrame.h"
#include "core/Rounding.h"
#include "core/Utils.h"
#include "fourier/Interferometry.h"
#include "measure/Measurement.h"
#include "measure/OMat.h"
#include "measure/ReductionTable.h"
#include "wording/Wording.h"

namespace fs = std::filesystem;

namespace orvek::cli {

namespace {

using fourier::FourierResult;
using fourier::FourierStatus;
using fourier::SeriesInput;

std::string OutDir(const Args& args) {
  if (!args.Has("--out-dir")) throw UsageError("--out-dir DIR is required");
  std::string dir = args.Value("--out-dir");
  std::error_code ec;
  fs::create_directories(dir, ec);
  if (!fs::is_directory(dir)) throw CommandError(dir + ": cannot create the folder");
  if (dir.back() != '/') dir += '/';
  return dir;
}

// Copies the named files of the working folder into dir; returns their new paths.
std::vector<std::string> Deliver(const std::string& work, const std::vector<std::string>& names,
                                 const std::string& dir) {
  std::vector<std::string> out;
  for (const std::string& name : names) {
    std::error_code ec;
    fs::copy_file(work + name, dir + name, fs::copy_options::overwrite_existing, ec);
    if (ec) throw CommandError(dir + name + ": " + ec.message());
    out.push_back(dir + name);
  }
  return out;
}

std::vector<std::string> SeriesNames(const std::string& series) {
  std::vector<std::string> names;
  for (int d = 0; d <= 9; ++d) {
    std::string name = "S";
    name += static_cast<char>('0' + d);
    name += '_';
    name += series;
    name += ".orvc";
    names.push_back(name);
  }
  return names;
}

void Check(const FourierResult& r) {
  if (r.ok()) return;
  if (!r.message.empty()) throw CommandError(r.message);
  switch (r.status) {
    case FourierStatus::NothingTicked: throw UsageError("no image given");
    case FourierStatus::Stopped: throw CommandError("stopped");
    default: throw CommandError("failed");
  }
}

SeriesInput InputOf(const Args& args) {
  SeriesInput in;
  in.files = args.Positional();
  if (in.files.empty()) throw UsageError("at least one FILE expected");
  for (const std::string& f : in.files) {
    if (!FileExists(f)) throw CommandError(f + ": File not found");
  }
  return in;
}

int Fft(const std::vector<std::string>& raw, WorkerPool& pool) {
  Args args(raw, {"--real", "--modulus", "--autocorr", "--crosscorr", "--json"}, {"--out"});
  if (args.Positional().size() != 1) throw UsageError("one FILE expected");
  if (!args.Has("--out")) throw UsageError("--out FILE is required");
  const std::string out = args.Value("--out");
  if (!IsOrvExtension(UpperExtension(out))) throw UsageError("--out must end in .orv, .orvc, ...");
  int kinds = 0;
  fourier::SingleTransform kind = fourier::SingleTransform::RealPart;
  if (args.Flag("--real")) ++kinds;
  if (args.Flag("--modulus")) ++kinds, kind = fourier::SingleTransform::Modulus;
  if (args.Flag("--autocorr")) ++kinds, kind = fourier::SingleTransform::AutoCorrelate;
  if (args.Flag("--crosscorr")) ++kinds, kind = fourier::SingleTransform::CrossCorrelate;
  if (kinds > 1) throw UsageError("choose one of --real, --modulus, --autocorr, --crosscorr");
  const std::string in = args.Positional()[0];
  OTrame frame = LoadFrame(in);
  if (!fourier::ApplySingleTransform(frame, kind, &pool)) throw CommandError(fourier::kSizeMessage);
  const Status s = frame.SaveOrv(0, 0, frame.LastX, frame.LastY, out);
  if (!s) throw CommandError(Describe(s));
  PrintFiles({out}, {}, args.Flag("--json"));
  return 0;
}

int SpectrumSeries(const std::vector<std::string>& raw, bool cross, WorkerPool& pool) {
  Args args(raw, {"--enhanced", "--json"}, {"--out-dir"});
  const std::string dir = OutDir(args);
  SeriesInput in = InputOf(args);
  in.pool = &pool;
  if (cross && args.Flag("--enhanced")) throw UsageError("--enhanced applies to autocorr only");
  ScratchFolder work;
  OTrame frame;
  const std::string name = fourier::kTargetSpectrumName;
  FourierResult sum =
      cross ? fourier::SumCrossSpectra(in, work.Path(), name, &frame)
            : fourier::SumPowerSpectra(in, work.Path(), name, args.Flag("--enhanced"), &frame);
  Check(sum);
  const std::string series = cross ? fourier::kCrossSeries : fourier::kAutoSeries;
  Check(fourier::BuildBackgroundSeries(frame, work.Path(), series, &pool));
  std::vector<std::string> names = {name + ".orvc"};
  for (const std::string& s : SeriesNames(series)) names.push_back(s);
  PrintFiles(Deliver(work.Path(), names, dir), {}, args.Flag("--json"),
             static_cast<int>(in.files.size()));
  return 0;
}

int AutoCorr(const std::vector<std::string>& raw, WorkerPool& pool) {
  return SpectrumSeries(raw, false, pool);
}
int CrossCorr(const std::vector<std::string>& raw, WorkerPool& pool) {
  return SpectrumSeries(raw, true, pool);
}

int RefPower(const std::vector<std::string>& raw, WorkerPool& pool) {
  Args args(raw, {"--enhanced", "--json"}, {"--out-dir"});
  const std::string dir = OutDir(args);
  SeriesInput in = InputOf(args);
  in.pool = &pool;
  ScratchFolder work;
  Check(fourier::ReferencePowerSpectrum(in, work.Path(), args.Flag("--enhanced")));
  PrintFiles(Deliver(work.Path(), {std::string(fourier::kReferenceSpectrumName) + ".orvc"}, dir),
             {}, args.Flag("--json"), static_cast<int>(in.files.size()));
  return 0;
}

int Result(const std::vector<std::string>& raw, WorkerPool& pool) {
  Args args(raw, {"--json"}, {"--out-dir"});
  if (!args.Positional().empty())
    throw UsageError("no FILE expected: the spectra are read from --out-dir");
  const std::string dir = OutDir(args);
  ScratchFolder work;
  for (const char* base : {fourier::kReferenceSpectrumName, fourier::kTargetSpectrumName}) {
    const std::string name = std::string(base) + ".orvc";
    if (FileExists(dir + name)) {
      std::error_code ec;
      fs::copy_file(dir + name, work.Path() + name, ec);
    }
  }
  FourierResult r = fourier::ResultCommand(work.Path(), &pool);
  if (!r.ok()) {
    // The messages name the working copy's folder; name the user's instead.
    std::string message = r.message;
    const size_t at = message.find(work.Path());
    if (at != std::string::npos) message.replace(at, work.Path().size(), dir);
    throw CommandError(message);
  }
  PrintFiles(Deliver(work.Path(), SeriesNames(fourier::kResultSeries), dir), {},
             args.Flag("--json"));
  return 0;
}

int Dva(const std::vector<std::string>& raw, WorkerPool& pool) {
  Args args(raw, {"--json"}, {"--out-dir"});
  const std::string dir = OutDir(args);
  SeriesInput in = InputOf(args);
  in.pool = &pool;
  ScratchFolder work;
  const FourierResult r = fourier::DvaCommand(in, work.Path());
  Check(r);
  std::vector<std::string> names = {fourier::kDvaBufferFile};
  for (const std::string& s : SeriesNames(fourier::kDvaSeries)) names.push_back(s);
  PrintFiles(Deliver(work.Path(), names, dir), r.warnings, args.Flag("--json"),
             static_cast<int>(in.files.size()));
  return 0;
}

double ParseCell(const std::string& text, const char* what) {
  double v = 0;
  if (!ParseReal(text, v))
    throw CommandError(std::string("the table gave no ") + what + " (\"" + text + "\")");
  return v;
}

int Peak(const std::vector<std::string>& raw, WorkerPool& pool) {
  Args args(raw, {"--json"}, {"--at", "--half", "--delta", "--epsilon", "--orient", "--pixel"});
  if (args.Positional().size() != 1) throw UsageError("one FILE expected");
  double x = 0, y = 0;
  if (!args.Pair("--at", x, y)) throw UsageError("--at X,Y is required");
  const long long half = args.Integer("--half", 1);
  if (half < 1 || half > 30) throw UsageError("--half must lie between 1 and 30");

  ReductionTable table("");
  auto edit = [&](ReductionField f, const std::string& option) {
    if (!args.Has(option)) return;
    double check = 0;
    if (!ParseReal(args.Value(option), check)) throw UsageError(option + " must be a number");
    table.EditField(f, args.Value(option));
  };
  edit(ReductionField::txtDelta, "--delta");
  edit(ReductionField::txtEps, "--epsilon");
  if (args.Has("--orient")) {
    const std::string o = args.Value("--orient");
    const size_t comma = o.find(',');
    const std::string v = o.substr(0, comma),
                      h = comma == std::string::npos ? "" : o.substr(comma + 1);
    if ((v != "ns" && v != "sn") || (h != "ew" && h != "we")) {
      throw UsageError("--orient must be ns|sn,ew|we");
    }
    table.SetOrientation(v, h);
  }
  if (args.Has("--pixel")) {
    double l = 0, h = 0;
    if (!args.Pair("--pixel", l, h) || l <= 0 || h <= 0) throw UsageError("--pixel L,H expected");
    table.EditField(ReductionField::LPix, FormatGeneral(l));
    table.EditField(ReductionField::HPix, FormatGeneral(h));
  }

  const std::string path = args.Positional()[0];
  const OTrame frame = LoadFrame(path);
  if (!IsCentredSpectrum(frame)) {
    throw CommandError("Interferometric Fast Measurement inutilisable, le pic n'est pas centré");
  }
  MeasureSettings settings;
  settings.half = static_cast<int>(half);
  OMat window;
  const MeasurePass pass = MeasureAt(frame, window, Point(x, y), settings);
  rStarPos b = pass.point;
  if (b.Value == kInvalidValue) throw CommandError("no peak could be measured at the point given");
  // The fast measurement: A is the centre of the autocorrelation, with the measurement's value.
  rStarPos a = b;
  a.X = frame.Width() / 2.0L;
  a.Y = frame.Height() / 2.0L;
  table.SaveCentroid(a, path);
  const RecomputeResult rc = table.SaveCentroid(b, path);
  if (!rc.status) throw CommandError(Describe(rc.status));
  const double theta = ParseCell(table.ResultCell(1, kResTheta), "theta");
  const double rho = ParseCell(table.ResultCell(1, kResRho), "rho");
  if (args.Flag("--json")) {
    Json j;
    j.BeginObject()
        .Key("a")
        .BeginObject()
        .Field("x", static_cast<double>(a.X))
        .Field("y", static_cast<double>(a.Y))
        .EndObject()
        .Key("b")
        .BeginObject()
        .Field("x", static_cast<double>(b.X))
        .Field("y", static_cast<double>(b.Y))
        .Field("value", static_cast<double>(b.Value))
        .FieldInt("count", b.Count)
        .EndObject()
        .Field("theta", theta)
        .Field("rho", rho)
        .EndObject();
    Print(j.Text());
  } else {
    Print("A : (" + FormatGeneral(static_cast<double>(a.X)) + ", " +
          FormatGeneral(static_cast<double>(a.Y)) + ")  B : (" +
          FormatFixed(static_cast<double>(b.X), 3) + ", " +
          FormatFixed(static_cast<double>(b.Y), 3) + ")");
    Print("Theta : " + table.ResultCell(1, kResTheta) + "  Rho : " + table.ResultCell(1, kResRho));
  }
  return 0;
}

}  // namespace

ORVEK_CLI_VERB(fft, "fft",
               "fft FILE --out FILE.orvc [--real|--modulus|--autocorr|--crosscorr] [--json]", Fft);
ORVEK_CLI_VERB(autocorr, "autocorr", "autocorr --out-dir DIR [--enhanced] [--json] FILE...",
               AutoCorr);
ORVEK_CLI_VERB(crosscorr, "crosscorr", "crosscorr --out-dir DIR [--json] FILE...", CrossCorr);
ORVEK_CLI_VERB(refpower, "refpower", "refpower --out-dir DIR [--enhanced] [--json] FILE...",
               RefPower);
ORVEK_CLI_VERB(result, "result", "result --out-dir DIR [--json]", Result);
ORVEK_CLI_VERB(dva, "dva", "dva --out-dir DIR [--json] FILE...", Dva);
ORVEK_CLI_VERB(peak, "peak",
               "peak FILE --at X,Y [--half P] [--delta D] [--epsilon E] [--orient ns|sn,ew|we] "
               "[--pixel L,H] [--json]",
               Peak);

}  // namespace orvek::cli
