// orvek-cli speckle: a close pair measured from a speckle series (a video or image files),
// its quadrant resolved, theta through the table's calibration. Nothing is written.

#include <cmath>
#include <string>
#include <vector>

#include "cli/Cli.h"
#include "cli/SeriesFrames.h"
#include "cli/SeriesOptions.h"
#include "core/ObsTime.h"
#include "core/Rounding.h"
#include "measure/Reduction.h"
#include "series/FrameSource.h"
#include "speckle/SpecklePair.h"

namespace orvek::cli {

namespace {

void DeclareSpeckle(Verb& v) {
  v.Files({"INPUT..."})
      .Option("--select", "PERCENT")
      .Option("--size", "N")
      .Option("--delta", "D")
      .Option("--epsilon", "E")
      .Option("--orient", "ns|sn,ew|we")
      .Option("--pixel", "L,H")
      .JsonOutput();
  SeriesFrameOptions(v);
}

// The calibration of the table from the options: Delta 0, no Epsilon, north up, east left and
// square pixels unless given.
Calibration CalibrationOf(const Verb& v, bool& hasEpsilon) {
  Calibration c;
  c.deltaDeg = v.Real("--delta", 0);
  hasEpsilon = v.Has("--epsilon");
  c.epsilonArcsecPerPx = v.Real("--epsilon", 1);
  if (hasEpsilon && !(c.epsilonArcsecPerPx > 0))
    throw UsageError("PositiveNumber", Error().Field("--epsilon").Text(v.Value("--epsilon")));
  std::string vertical, horizontal;
  if (v.Orientation(vertical, horizontal)) {
    c.northUp = vertical == "ns";
    c.eastLeft = horizontal == "ew";
  }
  c.pixelWidth = c.pixelHeight = 1;
  double l = 0, h = 0;
  if (v.Pair("--pixel", l, h)) {
    if (!(l > 0) || !(h > 0))
      throw UsageError("Positive", Error().Field("--pixel").Text(v.Value("--pixel")));
    c.pixelWidth = l;
    c.pixelHeight = h;
  }
  return c;
}

int Speckle(Verb& v) {
  speckle::SpeckleOptions options;
  options.pool = &v.Pool();
  options.selectPercent = v.Real("--select", 100);
  if (!(options.selectPercent > 0 && options.selectPercent <= 100))
    throw UsageError("OutOfRange",
                     Error().Field("--select").Text(v.Value("--select")).Values({0, 100}));
  const long long size = v.Integer("--size", 0, 64, 512);
  if (size != 0 && size != 64 && size != 128 && size != 256 && size != 512)
    throw UsageError("NotOneOf",
                     Error().Field("--size").Text(v.Value("--size")).Detail("64|128|256|512"));
  options.side = static_cast<int>(size);
  bool hasEpsilon = false;
  const Calibration calibration = CalibrationOf(v, hasEpsilon);
  const FrameSourceOptions source = FrameOptionsOf(v);

  CliSeriesObserver observer(v, "speckle");
  const Result<speckle::SpeckleResult> measured =
      speckle::MeasureClosePair(v.Positional(), source, options, observer);
  if (!measured) throw CommandError(measured.error());
  const speckle::SpeckleResult& r = *measured;
  for (const Error& w : r.sourceWarnings) Note("speckle", v.Words().Describe(w));

  // theta and rho as the table reduces a pair measured on a correlation image: A at the
  // centre, B at the companion's offset.
  MeasuredPair pair;
  pair.xB = r.dxPx;
  pair.yB = r.dyPx;
  pair.kind = PairKind::Correlation;
  const Result<Reduction, ReductionError> reduced = Reduce({&pair, 1}, calibration);
  if (!reduced) throw CommandError(reduced.error());
  double theta = static_cast<double>(reduced->pairs[0].thetaDeg);
  if (!r.resolved) theta = std::fmod(theta, 180.0);
  const double scale = hasEpsilon ? static_cast<double>(calibration.epsilonArcsecPerPx) : 1.0;
  // The separation in pixel heights, as the table counts it.
  const double rhoPx = static_cast<double>(reduced->pairs[0].separationPx);
  const double rhoErr = r.rhoErrPx * rhoPx / r.rhoPx * scale;

  Json j;
  j["theta"] = Number(theta);
  j["rho_px"] = Number(rhoPx);
  j["rho"] = hasEpsilon ? Number(static_cast<double>(reduced->pairs[0].rho)) : Json(nullptr);
  j["theta_err"] = Number(r.angleErrDeg);
  j["rho_err"] = Number(rhoErr);
  j["dm"] = Number(r.dm);
  j["quadrant"] = r.resolved ? "resolved" : "ambiguous";
  j["quadrant_margin"] = Number(r.quadrantMargin);
  j["frames_used"] = r.framesUsed;
  j["frames_rejected"] = r.framesRejected;
  if (r.meanTime) {
    if (Result<double> epoch = BesselianEpoch(*r.meanTime); epoch) j["epoch"] = Number(*epoch);
  }
  if (v.IsSet("--json")) {
    PrintJson(j);
  } else {
    for (const auto& [key, value] : j.items()) Print(key + "\t" + JsonText(value));
  }
  return 0;
}

}  // namespace

ORVEK_CLI_VERB(speckle, "speckle",
               "speckle INPUT... [--frames FIRST-LAST] [--select PERCENT] [--size N] [--delta D] "
               "[--epsilon E] [--orient ns|sn,ew|we] [--pixel L,H] [--ser-byte-order "
               "header|little|big] [--json]",
               DeclareSpeckle, Speckle);

}  // namespace orvek::cli
