#include "measure/Observation.h"

#include "core/ObsTime.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>
#include <string>

namespace orvek {

namespace {

// Length of the Besselian (tropical) year in days, the unit of a Besselian epoch (ERFA's).
constexpr double kBesselianYearDays = 365.242198781;
constexpr double kInf = std::numeric_limits<double>::infinity();

/// The angle brought into (-180, 180].
double Fold180(double a) {
  a = std::fmod(a, 360.0);
  if (a > 180) a -= 360;
  if (a <= -180) a += 360;
  return a;
}

SeriesStats Stats(std::span<const ObservedRow> rows, const std::vector<size_t>& members) {
  SeriesStats s;
  s.n = static_cast<int>(members.size());
  if (members.empty()) return s;
  double epochSum = 0;
  int timed = 0;
  for (size_t i : members) {
    if (!rows[i].epoch) continue;
    epochSum += *rows[i].epoch;
    ++timed;
  }
  if (timed > 0) s.epoch = epochSum / timed;

  const double first = rows[members.front()].thetaDeg;
  std::vector<double> turn(members.size());  // each angle counted from the first
  double turnSum = 0, rhoSum = 0;
  for (size_t k = 0; k < members.size(); ++k) {
    turn[k] = Fold180(rows[members[k]].thetaDeg - first);
    turnSum += turn[k];
    rhoSum += rows[members[k]].rhoArcsec;
  }
  const double meanTurn = turnSum / s.n;
  s.thetaDeg = std::fmod(first + meanTurn, 360.0);
  if (s.thetaDeg < 0) s.thetaDeg += 360;
  if (s.thetaDeg >= 360) s.thetaDeg -= 360;
  s.rhoArcsec = rhoSum / s.n;
  if (s.n < 2) return s;

  double thetaSq = 0, rhoSq = 0;
  for (size_t k = 0; k < members.size(); ++k) {
    thetaSq += (turn[k] - meanTurn) * (turn[k] - meanTurn);
    const double r = rows[members[k]].rhoArcsec - s.rhoArcsec;
    rhoSq += r * r;
  }
  s.thetaSdDeg = std::sqrt(thetaSq / (s.n - 1));
  s.rhoSdArcsec = std::sqrt(rhoSq / (s.n - 1));
  s.thetaSemDeg = *s.thetaSdDeg / std::sqrt(double(s.n));
  s.rhoSemArcsec = *s.rhoSdArcsec / std::sqrt(double(s.n));
  return s;
}

Unexpected<Error> Outside(std::string field, long long row, double value, double low, double high) {
  return Unexpected(
      Error(ErrorCode::OutOfRange).Field(std::move(field)).Row(row).Values({value, low, high}));
}

}  // namespace

Result<ObservationSummary> Summarize(std::span<const ObservedRow> rows,
                                     const CalibrationUncertainty& calibration) {
  for (size_t i = 0; i < rows.size(); ++i) {
    const long long row = static_cast<long long>(i) + 1;
    if (!std::isfinite(rows[i].thetaDeg)) return Outside("theta", row, rows[i].thetaDeg, 0, 360);
    if (!std::isfinite(rows[i].rhoArcsec)) return Outside("rho", row, rows[i].rhoArcsec, 0, kInf);
    if (rows[i].epoch && !std::isfinite(*rows[i].epoch))
      return Outside("epoch", row, *rows[i].epoch, -kInf, kInf);
  }
  const auto& c = calibration;
  if (c.deltaSdDeg && !(*c.deltaSdDeg >= 0 && *c.deltaSdDeg < kInf))
    return Outside("delta-sd", -1, *c.deltaSdDeg, 0, kInf);
  if (c.epsilonSd && !(*c.epsilonSd >= 0 && *c.epsilonSd < kInf))
    return Outside("epsilon-sd", -1, *c.epsilonSd, 0, kInf);
  if (c.epsilonSd && !(c.epsilon > 0 && c.epsilon < kInf))
    return Outside("epsilon", -1, c.epsilon, 0, kInf);

  ObservationSummary out;
  std::vector<size_t> all(rows.size());
  std::iota(all.begin(), all.end(), size_t{0});
  out.all = Stats(rows, all);

  std::vector<size_t> timed, untimed;
  for (size_t i : all) (rows[i].epoch ? timed : untimed).push_back(i);
  std::stable_sort(timed.begin(), timed.end(),
                   [&](size_t a, size_t b) { return *rows[a].epoch < *rows[b].epoch; });
  const double gapYears = kNightGapHours / 24.0 / kBesselianYearDays;
  std::vector<size_t> night;
  for (size_t i : timed) {
    if (!night.empty() && *rows[i].epoch - *rows[night.back()].epoch >= gapYears) {
      out.nights.push_back(Stats(rows, night));
      night.clear();
    }
    night.push_back(i);
  }
  if (!night.empty()) out.nights.push_back(Stats(rows, night));
  if (!untimed.empty()) out.nights.push_back(Stats(rows, untimed));

  if (out.all.thetaSemDeg && c.deltaSdDeg)
    out.thetaErrDeg = std::hypot(*out.all.thetaSemDeg, *c.deltaSdDeg);
  if (out.all.rhoSemArcsec && c.epsilonSd)
    out.rhoErrArcsec =
        std::hypot(*out.all.rhoSemArcsec, out.all.rhoArcsec * *c.epsilonSd / c.epsilon);
  return out;
}

Result<SeriesCalibration> CalibrateSeries(std::span<const double> rawThetaDeg,
                                          std::span<const double> separationPx,
                                          double knownThetaDeg, double knownRhoArcsec) {
  const size_t n = std::min(rawThetaDeg.size(), separationPx.size());
  if (n == 0) return Unexpected(Error(ErrorCode::NoMeasures));
  if (!std::isfinite(knownThetaDeg)) return Outside("theta", -1, knownThetaDeg, 0, 360);
  if (!(knownRhoArcsec > 0 && knownRhoArcsec < kInf))
    return Outside("rho", -1, knownRhoArcsec, 0, kInf);
  // Each frame as a row of the summary: its offset from the known angle and its own scale.
  std::vector<ObservedRow> rows(n);
  double separationSum = 0;
  for (size_t i = 0; i < n; ++i) {
    if (!(separationPx[i] > 0 && separationPx[i] < kInf))
      return Outside("separation", static_cast<long long>(i) + 1, separationPx[i], 0, kInf);
    rows[i].thetaDeg = rawThetaDeg[i] - knownThetaDeg;
    rows[i].rhoArcsec = knownRhoArcsec / separationPx[i];
    separationSum += separationPx[i];
  }
  const Result<ObservationSummary> s = Summarize(rows);
  if (!s) return Unexpected(s.error());
  SeriesCalibration c;
  c.n = static_cast<int>(n);
  c.deltaDeg = Fold180(s->all.thetaDeg);
  c.deltaSdDeg = s->all.thetaSdDeg;
  c.deltaSeDeg = s->all.thetaSemDeg;
  c.epsilon = knownRhoArcsec / (separationSum / n);
  c.epsilonSd = s->all.rhoSdArcsec;
  c.epsilonSe = s->all.rhoSemArcsec;
  return c;
}

Result<std::vector<ObservedRow>> ObservedRows(std::span<const MeasuredPair> pairs,
                                              const Reduction& reduction) {
  std::vector<ObservedRow> rows;
  for (size_t i = 0; i < pairs.size() && i < reduction.pairs.size(); ++i) {
    ObservedRow row;
    row.thetaDeg = static_cast<double>(reduction.pairs[i].thetaDeg);
    row.rhoArcsec = static_cast<double>(reduction.pairs[i].rho);
    if (pairs[i].time) {
      const Result<double> epoch = BesselianEpoch(pairs[i].time->utc);
      if (!epoch) return Unexpected(epoch.error());
      row.epoch = *epoch;
    }
    rows.push_back(row);
  }
  return rows;
}

Result<SeriesTimes> TimesOf(std::span<const MeasuredPair> pairs) {
  SeriesTimes times;
  double sum = 0;
  int timed = 0;
  for (const MeasuredPair& p : pairs) {
    if (!p.time) continue;
    const Result<double> epoch = BesselianEpoch(p.time->utc);
    if (!epoch) return Unexpected(epoch.error());
    sum += *epoch;
    ++timed;
    if (!times.first) {
      times.first = p.time;
      continue;
    }
    const Result<double> later = SecondsBetween(p.time->utc, times.first->utc);
    if (!later) return Unexpected(later.error());
    if (*later > 0) times.first = p.time;
  }
  if (timed > 0) times.meanEpoch = sum / timed;
  return times;
}

Result<SeriesCalibration> CalibrateMeasured(std::span<const MeasuredPair> pairs,
                                            Calibration calibration, double knownThetaDeg,
                                            double knownRhoArcsec) {
  calibration.deltaDeg = 0;
  calibration.epsilonArcsecPerPx = 1;
  calibration.binning = false;
  const Result<Reduction> reduced = Reduce(pairs, calibration);
  if (!reduced) return Unexpected(reduced.error());
  std::vector<double> angles, separations;
  for (const ReducedPair& p : reduced->pairs) {
    angles.push_back(static_cast<double>(p.thetaDeg));
    separations.push_back(static_cast<double>(p.separationPx));
  }
  return CalibrateSeries(angles, separations, knownThetaDeg, knownRhoArcsec);
}

}  // namespace orvek
