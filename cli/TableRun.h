#pragma once
// The measurement table of orvek-cli's series verbs (reduce, calibrate): the calibration the
// table window starts with, changed by the command line, AutoOrvek over the frames, and the
// frames' times. What the verbs read back from the table are values (measure/Reduction.h),
// never its texts.

#include <optional>
#include <string>
#include <vector>

#include "cli/Cli.h"
#include "core/ObsTime.h"
#include "measure/AutoOrvek.h"
#include "measure/Observation.h"
#include "measure/Reduction.h"
#include "measure/ReductionTable.h"

namespace orvek::cli {

/// Declares the options of the table: --a, --b, --half-a, --half-b, --orient, --pixel,
/// --binning, --time, and with `scale` also --delta and --epsilon.
void DeclareTableOptions(Verb& v, bool scale);

/// What a run of the table gives beside the table itself.
struct TableRun {
  std::string settingsPath;
  AutoOrvekSettings settings;
  int halfA = 6, halfB = 6;
  AutoOrvekResult result;
  /// Epsilon as given or stored, before the "2x Binning" box doubles the scale in use.
  double epsilonGiven = 1;
};

/// Sets `table` up as the window starts it, applies the command line's calibration options,
/// finds the pair on the first frame (or takes --a and --b) and runs AutoOrvek over the
/// verb's files; skipped frames are noted on stderr under `verb`. Rows without a time get the
/// --time one. Throws UsageError or CommandError.
TableRun RunTable(Verb& args, ReductionTable& table, const std::string& verb);

/// The time --time gives (source "user"); none when absent. UsageError when it is not an
/// ISO 8601 date and time.
std::optional<FrameTime> UserTime(const Verb& args);

/// A time as JSON: ISO 8601 UTC to the millisecond, or null.
Json TimeJson(const std::optional<FrameTime>& time);
/// The Besselian epoch of a frame's time; none without one. CommandError when ERFA refuses it.
std::optional<double> EpochOf(const std::optional<FrameTime>& time);
/// An optional number as JSON (null when absent).
Json OptionalNumber(const std::optional<double>& v);

}  // namespace orvek::cli
