// orvek-cli fft, autocorr, crosscorr, refpower, result, dva and peak: the interferometry
// commands without the window.
//
// The series verbs run the library's commands in a private working folder (the commands empty
// their folder as the program's "tempf" is emptied) and then deliver their results into
// --out-dir: nothing else in that folder is touched, and a file of the same name there is
// refused, before any work, unless --overwrite.

#include <cmath>
#include <string>
#include <vector>

#include "cli/Cli.h"
#include "cli/CliFrames.h"
#include "cli/SeriesFrames.h"
#include "core/OTrame.h"
#include "core/Rounding.h"
#include "core/Utils.h"
#include "fourier/Interferometry.h"
#include "measure/Measurement.h"
#include "measure/OMat.h"
#include "measure/ReductionTable.h"
#include "wording/Wording.h"

namespace orvek::cli {

namespace {

using fourier::FourierResult;
using fourier::FourierStatus;
using fourier::SeriesInput;

std::vector<std::string> SeriesNames(const std::string& series) {
  std::vector<std::string> names;
  for (int d = 0; d <= 9; ++d) names.push_back("S" + std::to_string(d) + "_" + series + ".orvc");
  return names;
}

// A command that did not write its result ends the verb; the paths of the private working
// folder are given as those of the user's folder.
void CheckResult(FourierResult r, const ScratchFolder& work, const OutputFolder& out) {
  if (r.ok()) return;
  if (r.error.path.compare(0, work.Path().size(), work.Path()) == 0)
    r.error.path = out.dir + r.error.path.substr(work.Path().size());
  throw CommandError(r.error);
}

SeriesInput InputOf(const Verb& v, const SeriesFrames& frames) {
  SeriesInput in;
  in.pool = &v.Pool();
  in.files = frames.files;
  in.frames = frames.Provider();
  if (in.frames != nullptr) return in;
  for (const std::string& f : in.files) {
    if (!FileExists(f)) throw CommandError(Error(ErrorCode::FileNotFound).Path(f));
  }
  return in;
}

void DeclareFft(Verb& v) {
  v.Files({"FILE"})
      .Option("--out", "FILE.orvc")
      .Flag("--real")
      .Flag("--modulus")
      .Flag("--autocorr")
      .Flag("--crosscorr")
      .Overwrite()
      .JsonOutput();
}

int Fft(Verb& v) {
  const std::string out = v.OrvFile("--out");
  int kinds = 0;
  fourier::SingleTransform kind = fourier::SingleTransform::RealPart;
  const std::pair<const char*, fourier::SingleTransform> flags[] = {
      {"--real", fourier::SingleTransform::RealPart},
      {"--modulus", fourier::SingleTransform::Modulus},
      {"--autocorr", fourier::SingleTransform::AutoCorrelate},
      {"--crosscorr", fourier::SingleTransform::CrossCorrelate}};
  for (const auto& [flag, k] : flags) {
    if (!v.IsSet(flag)) continue;
    if (++kinds > 1)
      throw UsageError("OneOf", Error().Text("--real --modulus --autocorr --crosscorr"));
    kind = k;
  }
  OTrame frame = LoadFrame(v.Positional()[0]);
  if (!fourier::ApplySingleTransform(frame, kind, &v.Pool())) {
    throw CommandError(Error(ErrorCode::NotCentredSize)
                           .Path(v.Positional()[0])
                           .Values({double(frame.Width()), double(frame.Height())}));
  }
  SaveUserOrv(v, frame, out);
  PrintFiles(v, "fft", {out}, {});
  return 0;
}

void DeclareSpectrumSeries(Verb& v) {
  v.Files({"FILE..."}).Option("--out-dir", "DIR").Overwrite().JsonOutput();
  SeriesFrameOptions(v);
}

void DeclareAutoCorr(Verb& v) {
  DeclareSpectrumSeries(v);
  v.Flag("--enhanced");
}

int SpectrumSeries(Verb& v, bool cross) {
  const OutputFolder out = v.OutFolder("--out-dir");
  const SeriesFrames frames = SeriesFramesOf(v);
  const SeriesInput in = InputOf(v, frames);
  const std::string series = cross ? fourier::kCrossSeries : fourier::kAutoSeries;
  std::vector<std::string> names = {std::string(fourier::kTargetSpectrumName) + ".orvc"};
  for (const std::string& s : SeriesNames(series)) names.push_back(s);
  CheckNew(out, names);
  ScratchFolder work;
  OTrame frame;
  const std::string name = fourier::kTargetSpectrumName;
  const FourierResult sum =
      cross ? fourier::SumCrossSpectra(in, work.Output(), name, &frame)
            : fourier::SumPowerSpectra(in, work.Output(), name, v.IsSet("--enhanced"), &frame);
  CheckResult(sum, work, out);
  CheckResult(fourier::BuildBackgroundSeries(frame, work.Output(), series, &v.Pool()), work, out);
  PrintFiles(v, cross ? "crosscorr" : "autocorr", Deliver(work, names, out), {},
             static_cast<int>(in.files.size()));
  return 0;
}

int AutoCorr(Verb& v) {
  return SpectrumSeries(v, false);
}
int CrossCorr(Verb& v) {
  return SpectrumSeries(v, true);
}

int RefPower(Verb& v) {
  const OutputFolder out = v.OutFolder("--out-dir");
  const SeriesFrames frames = SeriesFramesOf(v);
  const SeriesInput in = InputOf(v, frames);
  const std::vector<std::string> names = {std::string(fourier::kReferenceSpectrumName) + ".orvc"};
  CheckNew(out, names);
  ScratchFolder work;
  CheckResult(fourier::ReferencePowerSpectrum(in, work.Output(), v.IsSet("--enhanced")), work, out);
  PrintFiles(v, "refpower", Deliver(work, names, out), {}, static_cast<int>(in.files.size()));
  return 0;
}

void DeclareResult(Verb& v) {
  v.Option("--out-dir", "DIR").Overwrite().JsonOutput();
}

int Result(Verb& v) {
  const OutputFolder out = v.OutFolder("--out-dir");
  const std::vector<std::string> names = SeriesNames(fourier::kResultSeries);
  CheckNew(out, names);
  ScratchFolder work;
  for (const char* base : {fourier::kReferenceSpectrumName, fourier::kTargetSpectrumName}) {
    const std::string name = std::string(base) + ".orvc";
    if (FileExists(out.dir + name)) Check(DeliverCopy(out.dir + name, work.Output(), name));
  }
  CheckResult(fourier::ResultCommand(work.Output(), &v.Pool()), work, out);
  PrintFiles(v, "result", Deliver(work, names, out), {});
  return 0;
}

int Dva(Verb& v) {
  const OutputFolder out = v.OutFolder("--out-dir");
  const SeriesFrames frames = SeriesFramesOf(v);
  const SeriesInput in = InputOf(v, frames);
  std::vector<std::string> names = {fourier::kDvaBufferFile};
  for (const std::string& s : SeriesNames(fourier::kDvaSeries)) names.push_back(s);
  CheckNew(out, names);
  ScratchFolder work;
  const FourierResult r = fourier::DvaCommand(in, work.Output());
  CheckResult(r, work, out);
  PrintFiles(v, "dva", Deliver(work, names, out), r.warnings, static_cast<int>(in.files.size()));
  return 0;
}

void DeclarePeak(Verb& v) {
  v.Files({"FILE"})
      .Option("--at", "X,Y")
      .Option("--half", "P")
      .Option("--delta", "D")
      .Option("--epsilon", "E")
      .Option("--orient", "ns|sn,ew|we")
      .Option("--pixel", "L,H")
      .JsonOutput();
}

int Peak(Verb& v) {
  const Verb::XY at = v.RequiredPair("--at");
  const long long half = v.Integer("--half", 1, 1, 30);

  ReductionTable table("");
  for (const auto& [field, option] : {std::pair{ReductionField::txtDelta, "--delta"},
                                      std::pair{ReductionField::txtEps, "--epsilon"}}) {
    if (!v.Has(option)) continue;
    v.Real(option, 0);
    table.EditField(field, v.Value(option));
  }
  std::string vertical, horizontal;
  if (v.Orientation(vertical, horizontal)) table.SetOrientation(vertical, horizontal);
  double l = 0, h = 0;
  if (v.Pair("--pixel", l, h)) {
    if (l <= 0 || h <= 0)
      throw UsageError("Positive", Error().Field("--pixel").Text(v.Value("--pixel")));
    table.EditField(ReductionField::LPix, FormatGeneral(l));
    table.EditField(ReductionField::HPix, FormatGeneral(h));
  }

  const std::string path = v.Positional()[0];
  const OTrame frame = LoadFrame(path);
  if (!IsCentredSpectrum(frame)) throw CommandError::Said("NotCentredPeak");
  MeasureSettings settings;
  settings.half = static_cast<int>(half);
  OMat window;
  const MeasurePass pass = MeasureAt(frame, window, Point(at.x, at.y), settings);
  rStarPos b = pass.point;
  if (b.Value == kInvalidValue) throw CommandError::Said("NoPeak");
  // The fast measurement: A is the centre of the autocorrelation, with the measurement's value.
  rStarPos a = b;
  a.X = frame.Width() / 2.0L;
  a.Y = frame.Height() / 2.0L;
  table.SaveCentroid(a, path);
  const RecomputeResult rc = table.SaveCentroid(b, path);
  Check(rc.status);
  // The pair's values as the table shows them.
  const orvek::Result<Reduction> shown = table.ShownReduction();
  if (!shown) throw CommandError(shown.error());
  const double theta = static_cast<double>(shown->pairs.at(0).thetaDeg);
  const double rho = static_cast<double>(shown->pairs.at(0).rho);
  if (v.IsSet("--json")) {
    Json j = Json::object();
    j["a"] = {{"x", Number(static_cast<double>(a.X))}, {"y", Number(static_cast<double>(a.Y))}};
    j["b"] = {{"x", Number(static_cast<double>(b.X))},
              {"y", Number(static_cast<double>(b.Y))},
              {"value", Number(static_cast<double>(b.Value))},
              {"count", b.Count}};
    j["theta"] = Number(theta);
    j["rho"] = Number(rho);
    PrintJson(j);
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
               "fft FILE --out FILE.orvc [--real|--modulus|--autocorr|--crosscorr] [--overwrite] "
               "[--json]",
               DeclareFft, Fft);
ORVEK_CLI_VERB(autocorr, "autocorr",
               "autocorr --out-dir DIR [--enhanced] [--overwrite] [--json] FILE...|VIDEO [--frames "
               "FIRST-LAST]",
               DeclareAutoCorr, AutoCorr);
ORVEK_CLI_VERB(crosscorr, "crosscorr",
               "crosscorr --out-dir DIR [--overwrite] [--json] FILE...|VIDEO [--frames FIRST-LAST]",
               DeclareSpectrumSeries, CrossCorr);
ORVEK_CLI_VERB(refpower, "refpower",
               "refpower --out-dir DIR [--enhanced] [--overwrite] [--json] FILE...|VIDEO [--frames "
               "FIRST-LAST]",
               DeclareAutoCorr, RefPower);
ORVEK_CLI_VERB(result, "result", "result --out-dir DIR [--overwrite] [--json]", DeclareResult,
               Result);
ORVEK_CLI_VERB(dva, "dva",
               "dva --out-dir DIR [--overwrite] [--json] FILE...|VIDEO [--frames FIRST-LAST]",
               DeclareSpectrumSeries, Dva);
ORVEK_CLI_VERB(peak, "peak",
               "peak FILE --at X,Y [--half P] [--delta D] [--epsilon E] [--orient ns|sn,ew|we] "
               "[--pixel L,H] [--json]",
               DeclarePeak, Peak);

}  // namespace orvek::cli
