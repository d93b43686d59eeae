#pragma once
// The time keywords of a FITS header: when the frame was observed, read from the cards that
// observers' capture programs write, and the cards Orvek writes to keep a frame's time.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "core/Error.h"
#include "core/ObsTime.h"

namespace orvek {

/// What a FITS header says about when its frame was observed.
struct FitsTimeReading {
  std::optional<FrameTime> time;  ///< absent when no time keyword could be read
  /// FitsBadTime (path, keyword, its text) when a time keyword is there but is not a date or
  /// a time; None otherwise. The frame loads either way.
  Error problem;
};

/// Reads the time of the 80-character header cards in `header` (up to END or `size`):
///  1. DATE-OBS, the start of the exposure: ISO 8601 "YYYY-MM-DDThh:mm:ss[.fff]"; a date
///     alone "YYYY-MM-DD" or the old "DD/MM/YY" (19YY) takes its time of day from TIME-OBS,
///     else from UT ("hh:mm:ss[.fff]"), else is 00:00 and marked approximate;
///  2. else DATE-AVG, already the middle of the exposure;
///  3. else MJD-OBS, then JD, the start of the exposure as a (modified) Julian date.
/// The start of the exposure is moved to its middle by half of EXPTIME (or EXPOSURE), in
/// seconds, when the header gives one. A keyword that cannot be read is reported in
/// `problem`, and the next one in this order is tried.
FitsTimeReading ReadFitsTime(const uint8_t* header, size_t size, const std::string& path);

/// The header cards that record `time` (80 characters each, no END): DATE-OBS, the start of
/// the exposure (the time less half the exposure) to the millisecond, and EXPTIME in seconds
/// when the exposure is known. Empty when the time is not a valid instant.
std::string FitsTimeCards(const FrameTime& time);

}  // namespace orvek
