#pragma once
// The calibration book: every calibration made on a known pair, one line each, in a
// comma-separated file of the program's settings folder that a spreadsheet reads as it is.
//
//   date,camera,binning,delta_deg,delta_se_deg,epsilon_arcsec_px,epsilon_se_arcsec_px,pair
//   2024-03-01T22:10:05.000,QHY5L-II,1,1.25,0.04,0.2354,0.0003,STF 1234AB
//
// Epsilon is the scale of frames taken with that binning. A standard error not known is an
// empty field.

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/Result.h"
#include "core/Status.h"

namespace orvek {

/// The book's name in the settings folder.
inline constexpr const char* kCalibrationBookName = "calibrations.csv";

struct CalibrationEntry {
  std::string date;  ///< when the calibration frames were taken (ISO 8601, UTC), or made
  std::string camera;
  int binning = 1;  ///< >= 1
  double deltaDeg = 0;
  std::optional<double> deltaSeDeg;  ///< standard error of Delta, >= 0
  double epsilon = 1;                ///< arc-seconds per pixel height, > 0
  std::optional<double> epsilonSe;   ///< standard error of Epsilon, >= 0
  std::string pair;                  ///< the known pair ("STF 1234AB")
  bool operator==(const CalibrationEntry&) const = default;
};

/// The entries of the book `path`, in file order; none when the file does not exist. Blank
/// lines are skipped. Fails with FileRead, or with BookLine (path, line from 1, field: the
/// column at fault, "header" for a first line that is not the book's header).
Result<std::vector<CalibrationEntry>> ReadCalibrationBook(const std::string& path);

/// Adds `entry` as the book's last line (the book and its header are made when missing):
/// the whole book is written to a temporary file and renamed, so that it is never left
/// half-written, and the lines already there are kept byte for byte. Fails as
/// ReadCalibrationBook does for a file that is not a book, with OutOfRange (field: the
/// column) for a value no calibration has, or with the failure of writing.
Status AppendCalibration(const std::string& path, const CalibrationEntry& entry);

/// Several calibrations of one set-up combined.
struct CombinedCalibration {
  int count = 0;  ///< entries combined
  double deltaDeg = 0;
  std::optional<double> deltaSeDeg;
  double epsilon = 0;
  std::optional<double> epsilonSe;
  bool weighted = false;  ///< inverse-variance weights were used for both values
};

/// Combines the entries of `camera` (same text) and `binning`. Delta and Epsilon are each
/// the inverse-variance weighted mean, 1 / se^2, with the error 1 / sqrt(sum of weights),
/// when every entry gives a standard error above 0. Otherwise the entries weigh alike: the
/// plain mean with the standard error of the mean of their scatter (sd / sqrt(n), none for
/// one entry), since an entry without its error cannot be given a fair weight. Deltas are
/// averaged across the 0/360 turn, from the first entry's. Fails with NoCalibration (text =
/// camera, values: binning) when no entry is of that set-up.
Result<CombinedCalibration> CombineCalibrations(std::span<const CalibrationEntry> entries,
                                                const std::string& camera, int binning);

}  // namespace orvek
