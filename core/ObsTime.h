#pragma once
// When a frame was taken: a UTC instant, where it came from and how exact it is; and the
// time scales and epochs computed from it with ERFA (leap seconds included).

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/Result.h"

namespace orvek {

/// A UTC instant as calendar fields (Gregorian, UTC). `second` may reach 60.x inside a
/// leap second.
struct UtcTime {
  int year = 2000;
  int month = 1;  ///< 1..12
  int day = 1;    ///< 1..31
  int hour = 0;
  int minute = 0;
  double second = 0;
  bool operator==(const UtcTime&) const = default;
};

/// Where a frame's time was read.
enum class TimeSource { DateObs, DateAvg, MjdObs, Jd, Ser, Avi, User };

/// The observation time of a frame: mid-exposure when the exposure is known.
struct FrameTime {
  UtcTime utc;
  std::optional<double> exposureS;  ///< exposure in seconds, when the file gives it
  TimeSource source = TimeSource::User;
  bool approximate = false;  ///< one time for a whole video (a SER file without time stamps)
  bool operator==(const FrameTime&) const = default;
};

/// The name of a time's source as files and scripts write it: "DATE-OBS", "DATE-AVG",
/// "MJD-OBS", "JD", "SER", "AVI" or "user".
const char* TimeSourceKey(TimeSource source);

/// A Julian date in two parts (ERFA's convention): `day` a whole day ending in .5, `fraction`
/// the rest, so that sums keep sub-millisecond precision. In UTC this is ERFA's quasi-JD,
/// whose days that hold a leap second last 86401 s.
struct JulianDate {
  double day = 0;
  double fraction = 0;
  double Value() const { return day + fraction; }
};

/// Parses an ISO 8601 date and time: "YYYY-MM-DD", then optionally "T" (or a space) and
/// "hh:mm", "hh:mm:ss" or "hh:mm:ss.fff..." (any number of decimals), then optionally "Z"
/// or a zone "+hh:mm" / "-hh:mm" (the instant is turned to UTC). A date alone is 00:00.
/// Every field is checked by ERFA (month, day of the month, 60.x s only in a leap second).
/// Fails with BadTime (`text` = the text given).
Result<UtcTime> ParseIsoTime(std::string_view text);
/// "hh:mm:ss[.fff...]" or "hh:mm" of a day: the hour, minute and second fields of `into`.
/// Fails with BadTime. The full check happens when the date is known (ParseIsoTime, ToJd).
Result<UtcTime> ParseTimeOfDay(std::string_view text, UtcTime into);
/// "YYYY-MM-DDThh:mm:ss.sss", rounded to the millisecond (a rounding that reaches the next
/// minute or day carries into it; a leap second shows as 60.xxx). Empty when `t` is not a
/// valid instant.
std::string FormatIsoTime(const UtcTime& t);

/// Julian date of the UTC instant (eraDtf2d). Fails with BadTime for an impossible date.
Result<JulianDate> ToJd(const UtcTime& t);
/// The UTC instant of a UTC (quasi-)Julian date, to the microsecond (eraD2dtf).
Result<UtcTime> FromJd(JulianDate jd);
/// The instant `ticks` x 100 ns after 0001-01-01T00:00 UTC (proleptic Gregorian, days of
/// 86400 s): the time stamps of SER videos and of .NET clocks. Fails for ticks <= 0.
Result<UtcTime> FromTicks(int64_t ticks);
/// Terrestrial Time of the UTC instant as a Julian date (eraUtctai, eraTaitt).
Result<JulianDate> ToTt(const UtcTime& t);
/// Besselian epoch of the instant's TT date (eraEpb), in years ("2023.684...").
Result<double> BesselianEpoch(const UtcTime& t);
/// Seconds from `from` to `to` (positive when `to` is later), leap seconds counted.
Result<double> SecondsBetween(const UtcTime& from, const UtcTime& to);
/// The instant `seconds` (SI seconds, leap seconds counted) after `t`, to the microsecond.
Result<UtcTime> AddSeconds(const UtcTime& t, double seconds);

}  // namespace orvek
