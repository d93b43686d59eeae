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

Json D(Extended v) {
  return Number(static_cast<double>(v));
}

void PrintFitJson(const SurfaceFitResult& r, const std::string& model) {
  const SurfaceParams& p = r.fit;
  Json j = Json::object();
  j["passes"] = r.passes;
  j["iterations_per_pass"] = r.iterationsPerPass;
  j["window"] = {
      {"x0", r.window.x0}, {"x1", r.window.x1}, {"y0", r.window.y0}, {"y1", r.window.y1}};
  j["a_fit"] = {D(p.xA), D(p.yA)};
  j["b_fit"] = {D(p.xB), D(p.yB)};
  j["a_pixel"] = {D(p.xA - 1), D(p.yA - 1)};
  j["b_pixel"] = {D(p.xB - 1), D(p.yB - 1)};
  j["hA"] = D(p.hA);
  j["hB"] = D(p.hB);
  j["a"] = D(p.a);
  j["b"] = D(p.b);
  j["ec"] = D(r.ec);
  j["theta"] = D(r.theta);
  j["rho"] = D(r.rho);
  Json iterations = Json::array();
  for (const SurfaceIteration& it : r.iterations) {
    iterations.push_back({{"n", it.n},
                          {"xA", D(it.params.xA)},
                          {"yA", D(it.params.yA)},
                          {"xB", D(it.params.xB)},
                          {"yB", D(it.params.yB)},
                          {"hA", D(it.params.hA)},
                          {"hB", D(it.params.hB)},
                          {"a", D(it.params.a)},
                          {"b", D(it.params.b)},
                          {"ec", D(it.ec)},
                          {"theta", D(it.theta)},
                          {"rho", D(it.rho)}});
  }
  j["iterations"] = iterations;
  j["log"] = r.log;
  if (!model.empty()) j["model"] = model;
  PrintJson(j);
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

void DeclareSurface(Verb& v) {
  v.Files({"FILE"})
      .Option("--a", "X,Y")
      .Option("--b", "X,Y")
      .Option("--model", "FILE.orvc")
      .Option("--bias", "FILE")
      .Overwrite()
      .JsonOutput();
}

int Surface(Verb& v) {
  const Verb::XY a = v.RequiredPair("--a");
  const Verb::XY b = v.RequiredPair("--b");
  const std::string model = v.Has("--model") ? v.OrvFile("--model") : std::string();
  if (!model.empty()) Check(MayWrite(v.FileFolder(model), model));

  // The frame is read as the main window reads it: FITS orientation from the settings.
  const FitsOptions fits = StoredFitsOptions();
  OTrame bias;
  if (v.Has("--bias")) LoadFrameOrFail(bias, v.Value("--bias"), nullptr, fits);
  const std::string& file = v.Positional()[0];
  OTrame frame;
  LoadFrameOrFail(frame, file, &bias, fits);

  const SurfaceFitResult r = SurfaceFit(frame, Point(a.x, a.y), Point(b.x, b.y));
  if (!r.ok()) throw CommandError(r.error);
  if (!model.empty()) {
    Check(PrepareOutput(v.FileFolder(model)));
    Check(WriteSurfaceModel(r, model));
  }
  if (v.IsSet("--json")) {
    PrintFitJson(r, model);
  } else {
    PrintText(r, model);
  }
  return 0;
}

}  // namespace

ORVEK_CLI_VERB(surface, "surface",
               "surface FILE --a X,Y --b X,Y [--bias FILE] [--model FILE.orvc] [--overwrite] "
               "[--json]",
               DeclareSurface, Surface);

}  // namespace orvek::cli
