#include "core/ObsTime.h"

#include <erfa.h>

#include <charconv>
#include <cmath>
#include <cstdio>

namespace orvek {

namespace {

constexpr double kSecondsPerDay = 86400.0;
// Resolution of the instants computed from Julian dates: 10^-6 s.
constexpr int kMicroDigits = 6;

Unexpected<Error> BadTime(std::string_view text) {
  return Unexpected(Error(ErrorCode::BadTime).Text(std::string(text)));
}

// Reads exactly `count` decimal digits at `pos`.
bool Digits(std::string_view s, size_t& pos, size_t count, int& out) {
  if (pos + count > s.size()) return false;
  int v = 0;
  for (size_t i = 0; i < count; ++i) {
    const char c = s[pos + i];
    if (c < '0' || c > '9') return false;
    v = 10 * v + (c - '0');
  }
  pos += count;
  out = v;
  return true;
}

bool Char(std::string_view s, size_t& pos, char c) {
  if (pos < s.size() && s[pos] == c) {
    ++pos;
    return true;
  }
  return false;
}

// "hh:mm[:ss[.fff...]]" from `pos`; leaves `pos` after it.
bool TimeFields(std::string_view s, size_t& pos, UtcTime& t) {
  if (!Digits(s, pos, 2, t.hour) || !Char(s, pos, ':') || !Digits(s, pos, 2, t.minute))
    return false;
  t.second = 0;
  if (!Char(s, pos, ':')) return true;
  const size_t start = pos;
  int whole = 0;
  if (!Digits(s, pos, 2, whole)) return false;
  if (pos < s.size() && s[pos] == '.') {
    ++pos;
    const size_t fractionStart = pos;
    while (pos < s.size() && s[pos] >= '0' && s[pos] <= '9') ++pos;
    if (pos == fractionStart) return false;
  }
  double second = 0;
  const auto parsed = std::from_chars(s.data() + start, s.data() + pos, second);
  if (parsed.ec != std::errc() || parsed.ptr != s.data() + pos) return false;
  t.second = second;
  return true;
}

// ERFA's status of eraDtf2d: negative for an impossible field, bit 2 for a second beyond the
// end of the day; +1 (a year ERFA's leap-second table may not know) is only a caution.
bool ValidStatus(int status) {
  return status >= 0 && (status & 2) == 0;
}

Result<UtcTime> FromJdDigits(JulianDate jd, int digits) {
  int year = 0, month = 0, day = 0;
  int hmsf[4] = {};
  const int status = eraD2dtf("UTC", digits, jd.day, jd.fraction, &year, &month, &day, hmsf);
  if (status < 0) return BadTime(std::to_string(jd.Value()));
  UtcTime t;
  t.year = year;
  t.month = month;
  t.day = day;
  t.hour = hmsf[0];
  t.minute = hmsf[1];
  t.second = hmsf[2] + hmsf[3] / std::pow(10.0, digits);
  return t;
}

Result<JulianDate> ToTai(const UtcTime& t) {
  const Result<JulianDate> utc = ToJd(t);
  if (!utc) return Unexpected(utc.error());
  JulianDate tai;
  if (eraUtctai(utc->day, utc->fraction, &tai.day, &tai.fraction) < 0)
    return BadTime(FormatIsoTime(t));
  return tai;
}

}  // namespace

const char* TimeSourceKey(TimeSource source) {
  switch (source) {
    case TimeSource::DateObs: return "DATE-OBS";
    case TimeSource::DateAvg: return "DATE-AVG";
    case TimeSource::MjdObs: return "MJD-OBS";
    case TimeSource::Jd: return "JD";
    case TimeSource::Ser: return "SER";
    case TimeSource::Avi: return "AVI";
    case TimeSource::User: return "user";
  }
  return "user";
}

Result<UtcTime> ParseTimeOfDay(std::string_view text, UtcTime into) {
  size_t pos = 0;
  while (pos < text.size() && text[pos] == ' ') ++pos;
  size_t end = text.size();
  while (end > pos && text[end - 1] == ' ') --end;
  const std::string_view s = text.substr(0, end);
  if (!TimeFields(s, pos, into) || pos != s.size()) return BadTime(text);
  return into;
}

Result<UtcTime> ParseIsoTime(std::string_view text) {
  size_t pos = 0;
  size_t end = text.size();
  while (pos < end && text[pos] == ' ') ++pos;
  while (end > pos && text[end - 1] == ' ') --end;
  const std::string_view s = text.substr(0, end);
  UtcTime t;
  t.hour = t.minute = 0;
  t.second = 0;
  if (!Digits(s, pos, 4, t.year) || !Char(s, pos, '-') || !Digits(s, pos, 2, t.month) ||
      !Char(s, pos, '-') || !Digits(s, pos, 2, t.day))
    return BadTime(text);
  if (pos < s.size() && (s[pos] == 'T' || s[pos] == ' ')) {
    ++pos;
    if (!TimeFields(s, pos, t)) return BadTime(text);
  }
  double zoneSeconds = 0;
  if (Char(s, pos, 'Z')) {
    // UTC already.
  } else if (pos < s.size() && (s[pos] == '+' || s[pos] == '-')) {
    const double sign = s[pos] == '+' ? 1 : -1;
    ++pos;
    int zh = 0, zm = 0;
    if (!Digits(s, pos, 2, zh) || !Char(s, pos, ':') || !Digits(s, pos, 2, zm) || zh > 23 ||
        zm > 59)
      return BadTime(text);
    zoneSeconds = sign * (zh * 3600.0 + zm * 60.0);
  }
  if (pos != s.size()) return BadTime(text);
  if (!ToJd(t)) return BadTime(text);
  if (zoneSeconds == 0) return t;
  // A local time ahead of UTC by the zone's offset.
  Result<UtcTime> utc = AddSeconds(t, -zoneSeconds);
  if (!utc) return BadTime(text);
  return utc;
}

Result<JulianDate> ToJd(const UtcTime& t) {
  JulianDate jd;
  const int status =
      eraDtf2d("UTC", t.year, t.month, t.day, t.hour, t.minute, t.second, &jd.day, &jd.fraction);
  if (!ValidStatus(status)) {
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%06.3f", t.year, t.month, t.day,
                  t.hour, t.minute, t.second);
    return BadTime(text);
  }
  return jd;
}

Result<UtcTime> FromJd(JulianDate jd) {
  return FromJdDigits(jd, kMicroDigits);
}

Result<UtcTime> FromTicks(int64_t ticks) {
  constexpr int64_t kTicksPerSecond = 10000000;
  constexpr int64_t kTicksPerDay = 86400 * kTicksPerSecond;
  if (ticks <= 0) return BadTime(std::to_string(ticks));
  double epoch0 = 0, epoch1 = 0;
  int year = 0, month = 0, day = 0;
  double dayFraction = 0;
  // The date from ERFA; the time of day from the ticks themselves, since they count days of
  // 86400 s where ERFA's UTC dates stretch a day that holds a leap second.
  if (eraCal2jd(1, 1, 1, &epoch0, &epoch1) != 0 ||
      eraJd2cal(epoch0 + epoch1 + static_cast<double>(ticks / kTicksPerDay), 0, &year, &month, &day,
                &dayFraction) != 0)
    return BadTime(std::to_string(ticks));
  const int64_t ofDay = ticks % kTicksPerDay;
  UtcTime t;
  t.year = year;
  t.month = month;
  t.day = day;
  t.hour = static_cast<int>(ofDay / (3600 * kTicksPerSecond));
  t.minute = static_cast<int>(ofDay / (60 * kTicksPerSecond) % 60);
  t.second = static_cast<double>(ofDay % (60 * kTicksPerSecond)) / kTicksPerSecond;
  return t;
}

std::string FormatIsoTime(const UtcTime& t) {
  const Result<JulianDate> jd = ToJd(t);
  if (!jd) return {};
  int year = 0, month = 0, day = 0;
  int hmsf[4] = {};
  if (eraD2dtf("UTC", 3, jd->day, jd->fraction, &year, &month, &day, hmsf) < 0) return {};
  char text[64];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03d", year, month, day, hmsf[0],
                hmsf[1], hmsf[2], hmsf[3]);
  return text;
}

Result<JulianDate> ToTt(const UtcTime& t) {
  const Result<JulianDate> tai = ToTai(t);
  if (!tai) return Unexpected(tai.error());
  JulianDate tt;
  eraTaitt(tai->day, tai->fraction, &tt.day, &tt.fraction);
  return tt;
}

Result<double> BesselianEpoch(const UtcTime& t) {
  const Result<JulianDate> tt = ToTt(t);
  if (!tt) return Unexpected(tt.error());
  return eraEpb(tt->day, tt->fraction);
}

Result<double> SecondsBetween(const UtcTime& from, const UtcTime& to) {
  const Result<JulianDate> a = ToTai(from);
  if (!a) return Unexpected(a.error());
  const Result<JulianDate> b = ToTai(to);
  if (!b) return Unexpected(b.error());
  // The whole-day parts differ by whole days: their difference is exact.
  return ((b->day - a->day) + (b->fraction - a->fraction)) * kSecondsPerDay;
}

Result<UtcTime> AddSeconds(const UtcTime& t, double seconds) {
  const Result<JulianDate> tai = ToTai(t);
  if (!tai) return Unexpected(tai.error());
  // Whole days apart from the fraction, so that a long span keeps the fraction's precision.
  const double days = seconds / kSecondsPerDay;
  const double wholeDays = std::trunc(days);
  const JulianDate later{tai->day + wholeDays, tai->fraction + (days - wholeDays)};
  JulianDate utc;
  if (eraTaiutc(later.day, later.fraction, &utc.day, &utc.fraction) < 0)
    return BadTime(FormatIsoTime(t));
  return FromJd(utc);
}

}  // namespace orvek
