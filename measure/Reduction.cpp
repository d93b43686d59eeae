#include "measure/Reduction.h"

#include <algorithm>
#include <cmath>

#include "core/Rounding.h"

namespace orvek {

namespace {

constexpr long double kPi = 3.14159265358979323846264338327950288L;
constexpr long double kRadToDeg = 180.0L / kPi;

Unexpected<ReductionError> Fail(ErrorCode code, long long row, const char* field) {
  Error e(code);
  e.Row(row).Field(field);
  return Unexpected<ReductionError>(std::move(e));
}

}  // namespace

Extended Normalize360(Extended a) {
  if (!std::isfinite(a)) return a;
  // Huge angles are first brought near the range in one step; every subtraction of 360 is
  // exact, so this gives the same value as the loop would, without looping for ever.
  if (a > 1e9L) {
    a = std::fmod(a, 360.0L);
    if (a == 0) a = 360;
  } else if (a < -1e9L) {
    a = std::fmod(a, 360.0L);
  }
  while (a > 360) a -= 360;
  while (a < 0) a += 360;
  if (a == 0) a = 0;  // no "-0"
  return a;
}

double RawAngle(Extended dx, Extended dy, bool northUp, bool eastLeft) {
  if (northUp) dy = -dy;
  if (!eastLeft) dx = -dx;
  const Extended a = 360 - std::atan2(dx, dy) * kRadToDeg;
  return RoundTo(static_cast<double>(Normalize360(a)), 2);
}

std::optional<Extended> MagnitudeDifference(Extended intA, Extended intB) {
  if (!(intA > 0 && intB > 0)) return std::nullopt;
  return 2.5L * std::fabs(std::log(intA / intB)) / std::log(10.0L);
}

Result<Reduction, ReductionError> Reduce(std::span<const MeasuredPair> pairs,
                                         const Calibration& calibration, ReductionMode mode,
                                         const KnownPair& known) {
  Reduction out;
  const int n = static_cast<int>(pairs.size());
  if (n == 0) return out;
  if (calibration.pixelHeight == 0) {
    Error e(ErrorCode::ZeroPixel);
    e.Field("HPix");
    return Unexpected<ReductionError>(std::move(e));
  }
  const bool measuring = mode == ReductionMode::Mesure;

  out.pairs.resize(static_cast<size_t>(n));
  Extended sumD = 0, sumIntA = 0, sumIntB = 0, sumTheta = 0;
  bool anyMagnitude = false;
  for (int i = 0; i < n; ++i) {
    const MeasuredPair& p = pairs[static_cast<size_t>(i)];
    ReducedPair& v = out.pairs[static_cast<size_t>(i)];
    const Extended dx = (p.xB - p.xA) * calibration.pixelWidth / calibration.pixelHeight;
    const Extended dy = p.yB - p.yA;
    if (p.bin == 0) return Fail(ErrorCode::ZeroBinning, i + 1, "Bin");
    const Extended d = std::sqrt(dx * dx + dy * dy) / static_cast<Extended>(p.bin);
    const double raw = RawAngle(dx, dy, calibration.northUp, calibration.eastLeft);
    if (measuring) {
      v.rho = calibration.epsilonArcsecPerPx * d;
      v.thetaDeg = raw - calibration.deltaDeg;
    } else {
      if (d == 0) return Fail(ErrorCode::SamePlace, i + 1, "");
      v.rho = known.rhoArcsec / d;
      v.thetaDeg = raw;
    }
    v.thetaDeg = Normalize360(v.thetaDeg);
    v.separationPx = d;
    sumTheta += v.thetaDeg;
    sumD += d;
    // The peaks of a correlation image are not the stars' brightness.
    if (p.kind != PairKind::Correlation) v.dM = MagnitudeDifference(p.intA, p.intB);
    if (v.dM) {
      sumIntA += p.intA;
      sumIntB += p.intB;
      anyMagnitude = true;
    }
  }

  out.meanThetaDeg = RoundTo(static_cast<double>(Normalize360(sumTheta / n)), 2);
  const Extended meanTheta = out.meanThetaDeg;
  out.meanSeparationPx = sumD / n;
  if (measuring) {
    out.meanRho = calibration.epsilonArcsecPerPx * (sumD / n);
  } else {
    out.meanRho = 0;
    out.epsilon = known.rhoArcsec / (sumD / n);
    out.deltaDeg = meanTheta - known.thetaDeg;
  }

  float sumTh2 = 0;
  float sumRh2 = 0;
  for (ReducedPair& v : out.pairs) {
    Extended rt;
    if (meanTheta > 270 && v.thetaDeg < 90) {
      rt = v.thetaDeg + 360 - meanTheta;
    } else if (meanTheta < 90 && v.thetaDeg > 270) {
      rt = v.thetaDeg - 360 - meanTheta;
    } else {
      rt = v.thetaDeg - meanTheta;
    }
    // Residuals and their sums of squares are single precision; each square is formed in
    // extended and rounded once when it is added, as the table has always summed them.
    const float rThe = static_cast<float>(rt);
    const float rRho = static_cast<float>(v.rho - out.meanRho);
    sumTh2 = static_cast<float>(static_cast<Extended>(sumTh2) +
                                static_cast<Extended>(rThe) * static_cast<Extended>(rThe));
    sumRh2 = static_cast<float>(static_cast<Extended>(sumRh2) +
                                static_cast<Extended>(rRho) * static_cast<Extended>(rRho));
    v.rThetaDeg = rThe;
    v.rRho = rRho;
  }
  if (anyMagnitude) out.dM = MagnitudeDifference(sumIntA, sumIntB);
  const int k = n == 1 ? 1 : n - 1;
  out.sigmaThetaDeg = std::sqrt(static_cast<Extended>(sumTh2) / k);
  out.sigmaRho = std::sqrt(static_cast<Extended>(sumRh2) / k);
  return out;
}

std::vector<std::vector<RejectReason>> Reject(std::span<const MeasuredPair> pairs,
                                              std::span<const ReducedPair> reduced,
                                              const RejectionLimits& limits) {
  const size_t n = std::min(pairs.size(), reduced.size());
  const Extended limitTh = limits.factor * std::fabs(limits.sigmaThetaDeg);
  const Extended limitRh = limits.factor * std::fabs(limits.sigmaRho);
  std::vector<std::vector<RejectReason>> out(n);
  for (size_t i = 0; i < n; ++i) {
    const MeasuredPair& p = pairs[i];
    const ReducedPair& r = reduced[i];
    auto& why = out[i];
    if (p.nA < 3) why.push_back({RejectCode::FewPixelsA, static_cast<Extended>(p.nA), 3});
    if (p.nB < 3) why.push_back({RejectCode::FewPixelsB, static_cast<Extended>(p.nB), 3});
    if (!(p.intA > 0)) why.push_back({RejectCode::NoSignalA, p.intA, 0});
    if (!(p.intB > 0)) why.push_back({RejectCode::NoSignalB, p.intB, 0});
    if (r.rho == 0) why.push_back({RejectCode::ZeroRho, r.rho, 0});
    if (r.rho < limits.epsilon) why.push_back({RejectCode::BelowSampling, r.rho, limits.epsilon});
    if (std::fabs(r.rThetaDeg) > limitTh)
      why.push_back({RejectCode::ThetaResidual, r.rThetaDeg, limitTh});
    if (std::fabs(r.rRho) > limitRh) why.push_back({RejectCode::RhoResidual, r.rRho, limitRh});
  }
  return out;
}

}  // namespace orvek
