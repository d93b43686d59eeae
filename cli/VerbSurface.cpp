// orvek-cli surface: the two-star surface fit round two given positions.

#include <string>
#include <vector>

#include "cli/Cli.h"
#include "cli/CliFrames.h"
#include "core/IniFile.h"
#include "core/OTrame.h"
#include "core/Rounding.h"
#include "core/Utils.h"
#include "fit/SurfaceFit.h"
#include "wording/Wording.h"

namespace orvek::cli {

namespace {

std::string G(Extended v) {
  return FormatGeneral(static_cast<double>(v));
}

void PrintJson(const SurfaceFitResult& r, const std::string& model) {
  const SurfaceParams& p = r.fit;
  Json j;
  j.BeginObject();
  j.FieldInt("passes", r.passes);
  j.Key("iterations_per_pass").BeginArray();
  for (int k : r.iterationsPerPass) j.Integer(k);
  j.EndArray();
  j.Key("window").BeginObject();
  j.FieldInt("x0", r.window.x0).FieldInt("x1", r.window.x1);
  j.FieldInt("y0", r.window.y0).FieldInt("y1", r.window.y1);
  j.EndObject();
  j.Key("a_fit").BeginArray().Number(static_cast<double>(p.xA)).Number(static_cast<double>(p.yA));
  j.EndArray();
  j.Key("b_fit").BeginArray().Number(static_cast<double>(p.xB)).Number(static_cast<double>(p.yB));
  j.EndArray();
  j.Key("a_pixel").BeginArray().Number(static_cast<double>(p.xA - 1));
  j.Number(static_cast<double>(p.yA - 1)).EndArray();
  j.Key("b_pixel").BeginArray().Number(static_cast<double>(p.xB - 1));
  j.Number(static_cast<double>(p.yB - 1)).EndArray();
  j.Field("hA", static_cast<double>(p.hA)).Field("hB", static_cast<double>(p.hB));
  j.Field("a", static_cast<double>(p.a)).Field("b", static_cast<double>(p.b));
  j.Field("ec", static_cast<double>(r.ec));
  j.Field("theta", static_cast<double>(r.theta)).Field("rho", static_cast<double>(r.rho));
  j.Key("iterations").BeginArray();
  for (const SurfaceIteration& it : r.iterations) {
    j.BeginObject();
    j.FieldInt("n", it.n);
    j.Field("xA", static_cast<double>(it.params.xA)).Field("yA", static_cast<double>(it.params.yA));
    j.Field("xB", static_cast<double>(it.params.xB)).Field("yB", static_cast<double>(it.params.yB));
    j.Field("hA", static_cast<double>(it.params.hA)).Field("hB", static_cast<double>(it.params.hB));
    j.Field("a", static_cast<double>(it.params.a)).Field("b", static_cast<double>(it.params.b));
    j.Field("ec", static_cast<double>(it.ec));
    j.Field("theta", static_cast<double>(it.theta)).Field("rho", static_cast<double>(it.rho));
    j.EndObject();
  }
  j.EndArray();
  j.Key("log").BeginArray();
  for (const std::string& line : r.log) j.String(line);
  j.EndArray();
  if (!model.empty()) j.FieldStr("model", model);
  j.EndObject();
  Print(j.Text());
}

void PrintText(const SurfaceFitResult& r, const std::string& model) {
  const SurfaceParams& p = r.fit;
  std::string passes = std::to_string(r.passes);
  std::string iterations;
  for (size_t k = 0; k < r.iterationsPerPass.size(); ++k) {
    if (k > 0) iterations += ',';
    iterations += std::to_string(r.iterationsPerPass[k]);
  }
  Print("passes=" + passes);
  Print("iterations=" + iterations);
  Print("A=" + G(p.xA) + "," + G(p.yA) + " pixel=" + G(p.xA - 1) + "," + G(p.yA - 1));
  Print("B=" + G(p.xB) + "," + G(p.yB) + " pixel=" + G(p.xB - 1) + "," + G(p.yB - 1));
  Print("hA=" + G(p.hA));
  Print("hB=" + G(p.hB));
  Print("a=" + G(p.a));
  Print("b=" + G(p.b));
  Print("ec=" + G(r.ec));
  Print("theta=" + G(r.theta));
  Print("rho=" + G(r.rho));
  if (!model.empty()) Print("model=" + model);
  Print("");
  for (const std::string& line : r.log) Print(line);
}

int Surface(const std::vector<std::string>& raw, WorkerPool& pool) {
  Args args(raw, {"--json"}, {"--a", "--b", "--model", "--bias"});
  if (args.Positional().size() != 1) throw UsageError("exactly one FILE expected");
  if (!args.Has("--a") || !args.Has("--b")) throw UsageError("--a X,Y and --b X,Y are required");
  double ax = 0, ay = 0, bx = 0, by = 0;
  args.Pair("--a", ax, ay);
  args.Pair("--b", bx, by);
  const std::string model = args.Value("--model");
  if (args.Has("--model") && !IsOrvExtension(UpperExtension(model)))
    throw UsageError("--model: the model image is written as ORV: give a name ending in .orvc");

  // The frame is read as the main window reads it: FITS orientation from the settings.
  const IniFile ini(SettingsPath());
  FitsOptions fits;
  fits.swapVert = ini.ReadString("PARAMS", "FitsSwapV", "0") == "1";
  fits.swapHoriz = ini.ReadString("PARAMS", "FitsSwapH", "0") == "1";
  OTrame bias;
  if (args.Has("--bias")) LoadFrameOrFail(bias, args.Value("--bias"), nullptr, fits);
  const std::string& file = args.Positional()[0];
  OTrame frame;
  LoadFrameOrFail(frame, file, &bias, fits);

  const SurfaceFitResult r = SurfaceFit(frame, Point(ax, ay), Point(bx, by));
  if (!r.ok()) throw CommandError(Describe(Status::Fail(r.error)));
  if (!model.empty()) {
    const Status written = WriteSurfaceModel(r, model);
    if (!written) throw CommandError(Describe(written));
  }
  if (args.Flag("--json")) {
    PrintJson(r, model);
  } else {
    PrintText(r, model);
  }
  return 0;
}

}  // namespace

ORVEK_CLI_VERB(surface, "surface",
               "surface FILE --a X,Y --b X,Y [--bias FILE] [--model FILE.orvc] [--json]", Surface);

}  // namespace orvek::cli
