#pragma once
// An observation written for publication: one formatter per layout.
//  - jdso: the table of a Journal of Double Star Observations paper, one line per night and
//    one for the mean;
//  - wds: the one-line measure sent to the Washington Double Star catalogue (its columns are
//    described in README.md, "Measures for the WDS");
//  - csv: one row per frame, then the summary rows, as a spreadsheet or pandas reads it.
// A value that is not known is written as such ("no epoch", "-", an empty CSV cell), never
// guessed.

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/Result.h"
#include "measure/Observation.h"

namespace orvek {

enum class ExportFormat { Jdso, Wds, Csv };

/// The format named "jdso", "wds" or "csv"; none for another name.
std::optional<ExportFormat> ExportFormatNamed(std::string_view name);

/// What the observer tells about the pair and the observation.
struct ExportDetails {
  std::string pair;  ///< discoverer designation and components ("STF 1234AB")
  std::string wds;   ///< WDS coordinates "hhmmm+ddmm"; empty when not given
  std::optional<double> magA, magB;
  std::optional<double> apertureCm;  ///< telescope aperture, cm
  std::string method;                ///< "C" CCD, "Cl" lucky imaging, "S" speckle; may be empty
  std::string observer;              ///< observer code
  std::string notes;
};

/// One measured frame with the values the table shows for it.
struct ExportFrame {
  std::string file;
  std::string timeUtc;                    ///< ISO 8601 UTC; empty when the frame has no time
  ObservedRow measure;                    ///< theta, rho and the Besselian epoch
  double xA = 0, yA = 0, xB = 0, yB = 0;  ///< frame pixels
  std::optional<double> dM;               ///< magnitude difference, when it could be computed
  double rThetaDeg = 0, rRhoArcsec = 0;   ///< the table's residuals
};

/// The frames of a reduced table for export: each of `pairs` with the values its cells show
/// (`shown`, the reduction as the table rounds it) and the epoch of its `observed` row; the
/// three go pair by pair.
std::vector<ExportFrame> ExportFrames(std::span<const MeasuredPair> pairs, const Reduction& shown,
                                      std::span<const ObservedRow> observed);

/// A reduced series ready for export.
struct ExportInput {
  std::vector<ExportFrame> frames;
  ObservationSummary summary;
};

/// The JDSO table: a header line, one line per night of `summary` and the mean line.
/// Columns: Name, WDS, Mags, PA (1 decimal) with its sd and se (2 decimals), Sep (arc-seconds,
/// 2 decimals) with its sd and se (3 decimals), Date (Besselian epoch, 3 decimals), N (frames
/// on a night's line, nights on the mean line), Notes ("mean" and the observer's notes on the
/// mean line). Columns are as wide as their widest cell, two blanks apart.
Result<std::string> FormatJdso(const ObservationSummary& summary, const ExportDetails& details);

/// The WDS line of the observation (columns in README.md).
Result<std::string> FormatWds(const ObservationSummary& summary, const ExportDetails& details);

/// The CSV: header "file,time_utc,epoch,xA,yA,xB,yB,theta,rho,dm,r_theta,r_rho", one row per
/// frame, then the rows "mean" (epoch, theta, rho), "sd", "sem" and, when known, "err" in the
/// file column. Numbers are written in full (shortest text that reads back the same).
Result<std::string> FormatCsv(std::span<const ExportFrame> frames,
                              const ObservationSummary& summary);

/// The text of `format`. Every format fails with NoMeasures for an empty series, with
/// WdsCoordinates for WDS coordinates not of the form "12345+6789", with OutOfRange for a
/// magnitude or aperture that is not a number (or an aperture not above 0); the WDS line with
/// MethodCode for a method other than C, Cl or S, and with FieldTooLong (field, text, the
/// columns) for a value wider than its columns.
Result<std::string> FormatExport(ExportFormat format, std::span<const ExportFrame> frames,
                                 const ObservationSummary& summary, const ExportDetails& details);

}  // namespace orvek
