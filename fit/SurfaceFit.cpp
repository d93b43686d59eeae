#include "fit/SurfaceFit.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <limits>
#include <optional>
#include <utility>

#include "core/Rounding.h"

namespace orvek {

namespace {

constexpr int kParams = 9;

// The state of one pass: window, data, model and parameters.
class SurfacePass {
 public:
  SurfacePass(const OTrame& frame, Extended median, const SurfaceWindow& w) : m_w(w) {
    const size_t count = static_cast<size_t>(w.Width()) * w.Height();
    m_data.resize(count);
    m_model.resize(count);
    // Data at fit coordinate (X, Y) is the frame pixel (X - 1, Y - 1), above the median,
    // never negative.
    for (int32_t i = 0; i < w.Width(); ++i) {
      for (int32_t j = 0; j < w.Height(); ++j) {
        Extended d = frame.GetPixel(w.x0 + i - 1, w.y0 + j - 1) - median;
        if (d < 0) d = 0;
        m_data[Index(i, j)] = d;
      }
    }
  }

  SurfaceParams p;

  bool DataFinite() const {
    return std::all_of(m_data.begin(), m_data.end(), [](Extended v) { return std::isfinite(v); });
  }

  // The model over the whole window, then ec over the sample.
  void ComputeModel() {
    for (int32_t i = 0; i < m_w.Width(); ++i) {
      const Extended x = m_w.x0 + i;
      for (int32_t j = 0; j < m_w.Height(); ++j) {
        const Extended y = m_w.y0 + j;
        const Extended dA2 = (x - p.xA) * (x - p.xA) + (y - p.yA) * (y - p.yA);
        const Extended dB2 = (x - p.xB) * (x - p.xB) + (y - p.yB) * (y - p.yB);
        m_model[Index(i, j)] = p.hA * SurfaceProfile(dA2, p.a, p.b) +
                               p.hB * SurfaceProfile(dB2, p.a, p.b) + kSurfaceFloor;
      }
    }
    Extended s = 0;
    for (int32_t i = 1; i <= m_w.x1 - m_w.x0 - 1; i += 2) {
      for (int32_t j = 1; j <= m_w.y1 - m_w.y0 - 1; j += 2) {
        const Extended r = m_data[Index(i, j)] - m_model[Index(i, j)];
        s += r * r;
      }
    }
    const Extended quarter =
        static_cast<Extended>(static_cast<int64_t>(m_w.x1 - m_w.x0) * (m_w.y1 - m_w.y0)) / 4;
    ec = std::sqrt(s / quarter);
  }

  // The normal matrix (upper triangle accumulated, then mirrored) and the right-hand side.
  void NormalEquations(std::array<Extended, kParams * kParams>& m,
                       std::array<Extended, kParams>& beta) const {
    m.fill(0);
    beta.fill(0);
    std::array<Extended, kParams> g;
    for (int32_t i = 1; i <= m_w.x1 - m_w.x0 - 1; i += 2) {
      const Extended x = m_w.x0 + i;
      for (int32_t j = 1; j <= m_w.y1 - m_w.y0 - 1; j += 2) {
        const Extended y = m_w.y0 + j;
        const Extended u = x - p.xA, v = y - p.yA;
        const Extended u2 = x - p.xB, v2 = y - p.yB;
        const Extended dA2 = u * u + v * v;
        const Extended dB2 = u2 * u2 + v2 * v2;
        const Extended mA = 1 + p.a * dA2;
        const Extended mB = 1 + p.a * dB2;
        const Extended fA = std::exp(-p.b * dA2) / mA;
        const Extended fB = std::exp(-p.b * dB2) / mB;
        const Extended kA = 2 * p.hA * (p.a / mA + p.b);
        const Extended kB = 2 * p.hB * (p.a / mB + p.b);
        g[0] = u * kA * fA;
        g[1] = v * kA * fA;
        g[2] = u2 * kB * fB;
        g[3] = v2 * kB * fB;
        g[4] = fA;
        g[5] = fB;
        g[6] = -p.hA * fA * dA2 / mA - p.hB * fB * dB2 / mB;
        g[7] = -p.hA * fA * dA2 - p.hB * fB * dB2;
        g[8] = 1;
        const Extended d = m_data[Index(i, j)];
        const Extended r = d - m_model[Index(i, j)];
        if (d < 100) {
          for (int k = 0; k < kParams; ++k) {
            for (int l = k; l < kParams; ++l) m[k * kParams + l] += g[k] * g[l];
            beta[k] += r * g[k];
          }
        } else {
          // Bright points are weighted down so that the stars' cores do not drown the wings.
          const Extended w = 100 / d;
          for (int k = 0; k < kParams; ++k) {
            for (int l = k; l < kParams; ++l) m[k * kParams + l] += g[k] * g[l] * w;
            beta[k] += r * g[k] * w;
          }
        }
      }
    }
    for (int k = 0; k < kParams; ++k) {
      for (int l = 0; l < k; ++l) m[k * kParams + l] = m[l * kParams + k];
    }
  }

  // The largest pixel the pass reads, and whether every one of them is 0 (doubling the
  // frame would then change nothing and the next pass would repeat this one).
  static Extended LargestPixel(const OTrame& frame, const SurfaceWindow& w, bool& allZero) {
    Extended largest = -std::numeric_limits<Extended>::infinity();
    allZero = true;
    for (int32_t i = 0; i < w.Width(); ++i) {
      for (int32_t j = 0; j < w.Height(); ++j) {
        const Extended v = frame.GetPixel(w.x0 + i - 1, w.y0 + j - 1);
        if (v != 0) allZero = false;
        largest = std::max(largest, v);
      }
    }
    return largest;
  }

  std::vector<Extended> TakeModel() { return std::move(m_model); }

  Extended ec = 0;

 private:
  size_t Index(int32_t i, int32_t j) const { return static_cast<size_t>(i) * m_w.Height() + j; }

  SurfaceWindow m_w;
  std::vector<Extended> m_data;
  std::vector<Extended> m_model;
};

bool Finite(const SurfaceParams& p) {
  for (Extended v : {p.xA, p.yA, p.xB, p.yB, p.hA, p.hB, p.a, p.b}) {
    if (!std::isfinite(v)) return false;
  }
  return true;
}

std::string Join(std::initializer_list<std::string> parts) {
  std::string s;
  for (const std::string& part : parts) s += part;
  return s;
}

std::string InitLine(const SurfaceParams& p, Extended ec) {
  auto f = [](Extended v, int decimals) { return FormatSurfaceNumber(v, 7, decimals); };
  return Join({"xA: ", f(p.xA, 2), "   yA: ", f(p.yA, 2), "  xB: ", f(p.xB, 2),
               "  yB: ", f(p.yB, 2), "   hA: ", f(p.hA, 0), "   hB: ", f(p.hB, 0),
               "   a: ", f(p.a, 3), "   b: ", f(p.b, 3), "   ec: ", f(ec, 2)});
}

std::string IterLine(const SurfaceIteration& it) {
  auto f = [](Extended v, int decimals) { return FormatSurfaceNumber(v, 7, decimals); };
  const SurfaceParams& p = it.params;
  const std::string sep = "   ";
  return Join({std::to_string(it.n), sep, f(p.xA, 2),     sep, f(p.yA, 2),  sep,
               f(p.xB, 2),           sep, f(p.yB, 2),     sep, f(p.hA, 0),  sep,
               f(p.hB, 0),           sep, f(p.a, 3),      sep, f(p.b, 3),   sep,
               f(it.ec, 2),          sep, f(it.theta, 2), sep, f(it.rho, 2)});
}

// Rounds to `decimals` decimals; negative counts round to tens, hundreds...
double RoundPlaces(double x, int decimals) {
  if (decimals >= 0) return RoundTo(x, decimals);
  double factor = 1.0;
  for (int i = 0; i < -decimals; ++i) factor *= 10.0;
  const double q = x / factor;
  if (!std::isfinite(q)) return x;
  const double r = std::nearbyint(q) * factor;
  return r == 0.0 ? 0.0 : r;
}

// One pass; fills the result's fields of the last pass. Returns the pass's failure (None also
// when the heights did not clear the floor: `succeeded` tells that).
Error RunPass(const OTrame& frame, Extended median, const rStarPos& capturedA,
              const rStarPos& capturedB, int pass, SurfaceFitResult& r, bool& succeeded,
              Extended& largestPixel) {
  succeeded = false;
  r.iterations.clear();
  r.log.clear();
  r.model.clear();

  // Starting positions: the brightest pixel within 3 pixels of each captured position.
  rStarPos peakA, peakB;
  frame.MaxInRect(Point(capturedA.X - 3, capturedA.Y - 3), Point(capturedA.X + 3, capturedA.Y + 3),
                  peakA);
  frame.MaxInRect(Point(capturedB.X - 3, capturedB.Y - 3), Point(capturedB.X + 3, capturedB.Y + 3),
                  peakB);
  const int32_t ixA = Nearest32(peakA.X), iyA = Nearest32(peakA.Y);
  const int32_t ixB = Nearest32(peakB.X), iyB = Nearest32(peakB.Y);
  const SurfaceWindow w = SurfaceWindowFor(ixA, iyA, ixB, iyB, frame.LastX, frame.LastY);
  r.window = w;
  if (w.x1 - w.x0 > kSurfaceMaxSpan || w.y1 - w.y0 > kSurfaceMaxSpan) {
    return Error(ErrorCode::SurfaceWindowTooLarge)
        .Values({static_cast<double>(w.Width()), static_cast<double>(w.Height()),
                 static_cast<double>(kSurfaceMaxSpan + 1)});
  }

  SurfacePass s(frame, median, w);
  s.p.xA = ixA;
  s.p.yA = iyA;
  s.p.xB = ixB;
  s.p.yB = iyB;
  s.p.a = 0.02L;
  s.p.b = 0.008L;
  s.p.hA = frame.GetPixel(ixA, iyA) - median;
  s.p.hB = frame.GetPixel(ixB, iyB) - median;
  if (!s.DataFinite() || !Finite(s.p)) {
    return Error(ErrorCode::SurfaceNotFinite).Row(0);
  }
  s.ComputeModel();
  r.initial = s.p;
  r.initialEc = s.ec;

  std::vector<int> earlier = r.iterationsPerPass;
  r.log.push_back(SurfacePassesLine(pass, earlier));
  r.log.push_back("INIT");
  r.log.push_back(InitLine(s.p, s.ec));
  r.log.push_back("");
  r.log.push_back("ITER");

  std::array<Extended, kParams * kParams> m;
  std::array<Extended, kParams> beta;
  int n = 0;
  bool moved = true;
  Error failure(ErrorCode::None);
  while (n < kSurfaceMaxIterations && moved) {
    ++n;
    s.NormalEquations(m, beta);
    if (!GaussJordanInvert(m.data(), kParams)) {
      failure = Error(ErrorCode::SurfaceSingular).Row(n);
      break;
    }
    SurfaceIteration it;
    it.n = n;
    for (int k = 0; k < kParams; ++k) {
      Extended sum = 0;
      for (int l = 0; l < kParams; ++l) sum += m[k * kParams + l] * beta[l];
      it.delta[k] = sum;
    }
    // Parameters relative to the window; the ninth (the floor's increment) is solved for
    // but never applied: the floor stays 2.
    std::array<Extended, kParams> q = {s.p.xA - w.x0, s.p.yA - w.y0, s.p.xB - w.x0,
                                       s.p.yB - w.y0, s.p.hA,        s.p.hB,
                                       s.p.a,         s.p.b,         0};
    for (int k = 0; k < kParams; ++k) {
      q[k] += it.delta[k];
      if (q[k] < 0.002L) q[k] = 0.002L;
    }
    if (q[4] < kSurfaceMinHeight) q[4] = kSurfaceMinHeight;
    if (q[5] < kSurfaceMinHeight) q[5] = kSurfaceMinHeight;
    if (q[6] > 0.5L) q[6] = 0.5L;
    if (q[7] > 0.1L) q[7] = 0.1L;
    s.p.xA = w.x0 + q[0];
    s.p.yA = w.y0 + q[1];
    s.p.xB = w.x0 + q[2];
    s.p.yB = w.y0 + q[3];
    s.p.hA = q[4];
    s.p.hB = q[5];
    s.p.a = q[6];
    s.p.b = q[7];
    s.ComputeModel();
    moved = false;
    for (int k = 0; k < 4; ++k) {
      if (std::fabs(it.delta[k]) > kSurfaceMoveLimit) moved = true;
    }
    it.params = s.p;
    it.ec = s.ec;
    SurfaceAngle(s.p.xA, s.p.yA, s.p.xB, s.p.yB, it.theta, it.rho);
    r.log.push_back(IterLine(it));
    r.iterations.push_back(it);
    if (!Finite(s.p)) {
      failure = Error(ErrorCode::SurfaceNotFinite).Row(n);
      break;
    }
  }
  r.iterationsPerPass.push_back(n);
  r.fit = s.p;
  r.ec = s.ec;
  if (!r.iterations.empty()) {
    r.theta = r.iterations.back().theta;
    r.rho = r.iterations.back().rho;
  }
  if (failure.code != ErrorCode::None) return failure;
  if (s.p.hA > kSurfaceMinHeight && s.p.hB > kSurfaceMinHeight) {
    succeeded = true;
    r.model = s.TakeModel();
    return failure;
  }
  bool allZero = false;
  largestPixel = SurfacePass::LargestPixel(frame, w, allZero);
  if (allZero) return Error(ErrorCode::SurfaceNoSignal);
  return failure;
}

}  // namespace

SurfaceWindow SurfaceWindowFor(int32_t xA, int32_t yA, int32_t xB, int32_t yB, int32_t lastX,
                               int32_t lastY) {
  SurfaceWindow w;
  w.x0 = std::max<int32_t>(1, std::min(xA, xB) - kSurfaceMargin);
  w.x1 = std::min<int32_t>(lastX + 1, std::max(xA, xB) + kSurfaceMargin);
  w.y0 = std::max<int32_t>(1, std::min(yA, yB) - kSurfaceMargin);
  w.y1 = std::min<int32_t>(lastY + 1, std::max(yA, yB) + kSurfaceMargin);
  return w;
}

Extended SurfaceProfile(Extended d2, Extended a, Extended b) {
  return std::exp(-b * d2) / (1 + a * d2);
}

void SurfaceAngle(Extended xA, Extended yA, Extended xB, Extended yB, Extended& theta,
                  Extended& rho) {
  // 3.1416 rather than pi, and the 0.000001 that keeps the quotient finite when A and B
  // share a row: the log's angle has always been computed this way.
  Extended t = std::atan((xA - xB) / -((yA - yB) + 0.000001L)) * 180 / 3.1416L;
  if (yA - yB < 0) t += 180;
  t = 180 - t;
  if (t < 0) {
    t += 360;
  } else if (t >= 360) {
    t -= 360;
  }
  theta = t + 90;
  if (theta < 0) {
    theta += 360;
  } else if (theta >= 360) {
    theta -= 360;
  }
  rho = std::sqrt((xA - xB) * (xA - xB) + (yA - yB) * (yA - yB));
}

bool GaussJordanInvert(Extended* a, int n) {
  std::vector<int> indxr(n), indxc(n), used(n, 0);
  for (int step = 0; step < n; ++step) {
    Extended big = 0;
    int irow = -1, icol = -1;
    for (int j = 0; j < n; ++j) {
      if (used[j]) continue;
      for (int k = 0; k < n; ++k) {
        if (used[k]) continue;
        const Extended v = std::fabs(a[j * n + k]);
        if (v > big) {
          big = v;
          irow = j;
          icol = k;
        }
      }
    }
    if (irow < 0) return false;  // every element left is 0 (or not a number)
    used[icol] = 1;
    if (irow != icol) {
      for (int l = 0; l < n; ++l) std::swap(a[irow * n + l], a[icol * n + l]);
    }
    indxr[step] = irow;
    indxc[step] = icol;
    const Extended pivinv = 1 / a[icol * n + icol];
    a[icol * n + icol] = 1;
    for (int l = 0; l < n; ++l) a[icol * n + l] *= pivinv;
    for (int ll = 0; ll < n; ++ll) {
      if (ll == icol) continue;
      const Extended dum = a[ll * n + icol];
      a[ll * n + icol] = 0;
      for (int l = 0; l < n; ++l) a[ll * n + l] -= a[icol * n + l] * dum;
    }
  }
  for (int l = n - 1; l >= 0; --l) {
    if (indxr[l] == indxc[l]) continue;
    for (int k = 0; k < n; ++k) std::swap(a[k * n + indxr[l]], a[k * n + indxc[l]]);
  }
  return true;
}

std::string FormatSurfaceNumber(Extended value, int precision, int decimals) {
  const double x = static_cast<double>(value);
  if (!std::isfinite(x)) return FormatGeneral(x);
  if (x == 0.0) return FormatFixed(0.0, decimals);
  // Digits before the decimal point (negative for 0.00x).
  const double ax = std::fabs(x);
  int e = static_cast<int>(std::floor(std::log10(ax))) + 1;
  if (std::pow(10.0, e - 1) > ax) {
    --e;
  } else if (std::pow(10.0, e) <= ax) {
    ++e;
  }
  const int significant = precision - e;  // decimals that keep `precision` digits
  double y = x;
  if (significant < decimals) {
    y = RoundPlaces(x, significant);
  } else {
    if (significant > decimals) y = RoundTo(x, significant);
    y = RoundTo(y, decimals);
  }
  return FormatFixed(y, decimals);
}

std::string SurfacePassesLine(int pass, const std::vector<int>& earlierIterations) {
  std::string s = "Nb passes : " + std::to_string(pass);
  for (int k : earlierIterations) s += " {" + std::to_string(k) + "}";
  return s;
}

Status WriteSurfaceModel(const SurfaceFitResult& result, const std::string& path) {
  if (!result.ok() || result.model.empty()) {
    return Status::Fail(Error(ErrorCode::NothingToWrite).Path(path));
  }
  const SurfaceWindow& w = result.window;
  OTrame s;
  s.Allocate(w.Width(), w.Height());
  // SetPixel leaves column 0 and row 0 alone: they stay 0, as in every model image.
  for (int32_t i = 0; i < w.Width(); ++i) {
    for (int32_t j = 0; j < w.Height(); ++j) s.SetPixel(i, j, result.Model(i, j));
  }
  return s.SaveOrv(0, 0, w.x1 - w.x0, w.y1 - w.y0, path);
}

int SurfacePassLimit(Extended largestPixel, Extended median) {
  if (!(largestPixel > 0)) return 1;
  if (!std::isfinite(largestPixel)) return 1;
  const Extended threshold = std::max<Extended>(100, std::fabs(median));
  // 2^e <= x < 2^(e + 1): the doublings from the largest pixel up to the threshold are at
  // most e(threshold) - e(largest) + 1.
  const int toThreshold = std::max(0, std::ilogb(threshold) - std::ilogb(largestPixel) + 1);
  const int toOverflow = LDBL_MAX_EXP - 1 - std::ilogb(largestPixel);
  return 1 + std::min(toThreshold + kSurfaceScaleMargin, toOverflow);
}

SurfaceFitResult SurfaceFit(const OTrame& frame, const rStarPos& capturedA,
                            const rStarPos& capturedB, int maxPasses) {
  SurfaceFitResult r;
  if (frame.Empty()) {
    r.error = Error(ErrorCode::SurfaceNoImage);
    return r;
  }
  // The median of the frame as loaded is subtracted in every pass, also from the doubled
  // copies.
  const Extended median = frame.Median;
  std::optional<OTrame> doubled;  // made when a second pass is needed
  int limit = 1;
  for (int pass = 1; pass <= limit; ++pass) {
    const OTrame& f = doubled ? *doubled : frame;
    bool succeeded = false;
    Extended largest = 0;
    r.passes = pass;
    r.error = RunPass(f, median, capturedA, capturedB, pass, r, succeeded, largest);
    if (!r.ok() || succeeded) return r;
    // What the doublings can still gain, from this pass's window (the windows of all passes
    // agree unless a star's pixels are negative: MaxInRect looks no lower than -1).
    limit = pass - 1 + SurfacePassLimit(largest, median);
    if (maxPasses > 0) limit = std::min(limit, maxPasses);
    // A faint pair: its heights ended at the floor. The frame is doubled and fitted again.
    if (!doubled) doubled = frame;
    for (Extended& v : doubled->Data()) v *= 2;
  }
  r.error = Error(ErrorCode::SurfaceNoPair)
                .Values({static_cast<double>(r.passes), static_cast<double>(kSurfaceMinHeight)});
  return r;
}

}  // namespace orvek
