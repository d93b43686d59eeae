#pragma once
// When a frame was taken: a UTC instant, where it came from and how exact it is.

#include <optional>

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

}  // namespace orvek
