// orvek-cli known-pair and calibrate: theta and rho of a catalogue pair at an epoch, and the
// calibration of a series of frames of a known pair, kept in the calibration book.

#include <chrono>
#include <cmath>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "cli/Cli.h"
#include "cli/TableRun.h"
#include "core/ObsTime.h"
#include "core/Rounding.h"
#include "core/Utils.h"
#include "measure/CalibrationBook.h"
#include "measure/KnownPair.h"
#include "measure/Observation.h"
#include "measure/Reduction.h"
#include "measure/ReductionTable.h"

namespace orvek::cli {

namespace {

template <class T>
const T& Valid(const Result<T>& r) {
  if (!r) throw CommandError(r.error());
  return *r;
}

/// Both stars of --a/--b (known-pair) or --gaia-a/--gaia-b (calibrate).
struct StarPairValues {
  CatalogueStar a, b;
  double referenceEpoch = kGaiaDr3Epoch;
};

StarPairValues StarsOf(const Verb& args, const std::string& optionA, const std::string& optionB) {
  StarPairValues s;
  s.a = Valid(ParseCatalogueStar(args.Required(optionA), "A"));
  s.b = Valid(ParseCatalogueStar(args.Required(optionB), "B"));
  s.referenceEpoch = args.Real("--ref-epoch", kGaiaDr3Epoch);
  return s;
}

// ---- known-pair ------------------------------------------------------------------------------

constexpr const char* kKnownPairUsage =
    "known-pair --a RA,DEC,PMRA,PMDEC[,PLX,RV] --b RA,DEC,PMRA,PMDEC[,PLX,RV] "
    "[--ref-epoch 2016.0] (--epoch YEAR | --time ISO) [--json]";

void DeclareKnownPair(Verb& v) {
  v.Option("--a", "STAR")
      .Option("--b", "STAR")
      .Option("--ref-epoch", "YEAR")
      .Option("--epoch", "YEAR")
      .Option("--time", "ISO")
      .JsonOutput();
}

int KnownPairVerb(Verb& args) {
  if (args.Has("--epoch") == args.Has("--time"))
    throw UsageError("OneOf", Error().Text("--epoch --time"));
  const StarPairValues stars = StarsOf(args, "--a", "--b");
  const double epoch = args.Has("--epoch") ? args.Real("--epoch", 0) : *EpochOf(UserTime(args));
  const PairGeometry g = Valid(PairAtEpoch(stars.a, stars.b, epoch, stars.referenceEpoch));
  if (args.IsSet("--json")) {
    PrintJson({{"theta", Number(g.thetaDeg)},
               {"rho", Number(g.rhoArcsec)},
               {"epoch", Number(epoch)},
               {"ref_epoch", Number(stars.referenceEpoch)}});
  } else {
    Print("theta = " + FormatFixed(g.thetaDeg, 3) + "  rho = " + FormatFixed(g.rhoArcsec, 4) +
          "  (B" + FormatFixed(epoch, 4) + ")");
  }
  return 0;
}

// ---- calibrate -------------------------------------------------------------------------------

constexpr const char* kCalibrateUsage =
    "calibrate FILE... (--known-theta T --known-rho R | --gaia-a STAR --gaia-b STAR "
    "[--ref-epoch 2016.0]) [--a X,Y --b X,Y] [--half-a P] [--half-b P] [--orient ns|sn,ew|we] "
    "[--pixel L,H] [--binning] [--time ISO] [--camera NAME] [--pair NAME] [--json]";

void DeclareCalibrate(Verb& v) {
  v.Files({"FILE..."})
      .Option("--known-theta", "T")
      .Option("--known-rho", "R")
      .Option("--gaia-a", "STAR")
      .Option("--gaia-b", "STAR")
      .Option("--ref-epoch", "YEAR");
  DeclareTableOptions(v, false);
  v.Option("--camera", "NAME").Option("--pair", "NAME").JsonOutput();
}

/// The present instant, for a calibration whose frames carry no time.
UtcTime Now() {
  using namespace std::chrono;
  const auto now = floor<milliseconds>(system_clock::now());
  const auto day = floor<days>(now);
  const year_month_day ymd(day);
  const hh_mm_ss<milliseconds> tod(now - day);
  UtcTime t;
  t.year = static_cast<int>(ymd.year());
  t.month = static_cast<int>(static_cast<unsigned>(ymd.month()));
  t.day = static_cast<int>(static_cast<unsigned>(ymd.day()));
  t.hour = static_cast<int>(tod.hours().count());
  t.minute = static_cast<int>(tod.minutes().count());
  t.second = static_cast<double>(tod.seconds().count()) + tod.subseconds().count() / 1000.0;
  return t;
}

int Calibrate(Verb& args) {
  const bool typed = args.Has("--known-theta") || args.Has("--known-rho");
  const bool gaia = args.Has("--gaia-a") || args.Has("--gaia-b");
  if (typed == gaia)
    throw UsageError("OneOf", Error().Text("--known-theta --known-rho | --gaia-a --gaia-b"));
  if (typed && args.Has("--ref-epoch"))
    throw UsageError("Needs", Error().Field("--ref-epoch").Text("--gaia-a --gaia-b"));
  std::optional<StarPairValues> stars;
  double knownTheta = 0, knownRho = 0;
  if (typed) {
    if (!args.Has("--known-theta") || !args.Has("--known-rho"))
      throw UsageError("Together", Error().Field("--known-theta").Text("--known-rho"));
    knownTheta = args.Real("--known-theta", 0);
    knownRho = args.Real("--known-rho", 0);
  } else {
    stars = StarsOf(args, "--gaia-a", "--gaia-b");
  }

  ReductionTable table(SettingsPath());
  const TableRun run = RunTable(args, table, "calibrate");
  const std::vector<MeasuredPair> pairs = Valid(table.Pairs());
  const SeriesTimes times = Valid(TimesOf(pairs));
  const std::optional<double> epoch = times.meanEpoch;
  const std::optional<FrameTime> first = times.first;
  if (stars) {
    if (!epoch) throw CommandError(Error(ErrorCode::NoEpoch));
    const PairGeometry g = Valid(PairAtEpoch(stars->a, stars->b, *epoch, stars->referenceEpoch));
    knownTheta = g.thetaDeg;
    knownRho = g.rhoArcsec;
  }
  const SeriesCalibration c =
      Valid(CalibrateMeasured(pairs, Valid(table.CurrentCalibration()), knownTheta, knownRho));

  CalibrationEntry entry;
  entry.date = FormatIsoTime(first ? first->utc : Now());
  entry.camera = args.Value("--camera", table.CameraName());
  entry.binning = args.IsSet("--binning") ? 2 : 1;
  entry.deltaDeg = c.deltaDeg;
  entry.deltaSeDeg = c.deltaSeDeg;
  entry.epsilon = c.epsilon;
  entry.epsilonSe = c.epsilonSe;
  entry.pair = args.Value("--pair");
  const std::string book =
      (std::filesystem::path(FolderOf(run.settingsPath)) / kCalibrationBookName).string();
  Check(AppendCalibration(book, entry));

  if (args.IsSet("--json")) {
    PrintJson({{"n", c.n},
               {"delta", Number(c.deltaDeg)},
               {"delta_sd", OptionalNumber(c.deltaSdDeg)},
               {"delta_se", OptionalNumber(c.deltaSeDeg)},
               {"epsilon", Number(c.epsilon)},
               {"epsilon_sd", OptionalNumber(c.epsilonSd)},
               {"epsilon_se", OptionalNumber(c.epsilonSe)},
               {"epoch", OptionalNumber(epoch)},
               {"known_theta", Number(knownTheta)},
               {"known_rho", Number(knownRho)},
               {"camera", entry.camera},
               {"binning", entry.binning},
               {"book", book},
               {"skipped", run.result.skipped}});
  } else {
    Print("Delta   = " + FormatFixed(c.deltaDeg, 3) +
          (c.deltaSeDeg ? "  (se " + FormatFixed(*c.deltaSeDeg, 3) + ")" : ""));
    Print("Epsilon = " + FormatFixed(c.epsilon, 5) +
          (c.epsilonSe ? "  (se " + FormatFixed(*c.epsilonSe, 5) + ")" : ""));
    Print("n       = " + std::to_string(c.n));
    Print(book);
  }
  return 0;
}

}  // namespace

ORVEK_CLI_VERB(known_pair, "known-pair", kKnownPairUsage, DeclareKnownPair, KnownPairVerb);
ORVEK_CLI_VERB(calibrate, "calibrate", kCalibrateUsage, DeclareCalibrate, Calibrate);

}  // namespace orvek::cli
