#include "speckle/SpecklePair.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>
#include <utility>

#include "fourier/Interferometry.h"
#include "fourier/OFFT.h"
#include "series/BestOf.h"

namespace orvek::speckle {

using fourier::Bilinear;
using fourier::FitPeak;
using fourier::FitPeakNear;
using fourier::OFFT;
using fourier::PeakFit;
using fourier::PeakPair;
using fourier::PowerSpectrumSum;
using fourier::RingMedian;
using fourier::ShiftToZeroMinimum;
using fourier::ShiftWindow;
using fourier::StrongestSymmetricPair;
using fourier::SubtractBoxMean;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kDegPerRad = 57.295779513082320876798;
// Groups below which the jack-knife gives no error.
constexpr int kMinGroups = 3;
// Largest radius of the background series.
constexpr int kMaxBackgroundRadius = 9;

Error OptionOutOfRange(const char* option, double value, double low, double high) {
  return Error(ErrorCode::OutOfRange).Field(option).Values({value, low, high});
}

Result<void> CheckOptions(const SpeckleOptions& o) {
  const int s = o.side;
  if (s != 0 && s != 64 && s != 128 && s != 256 && s != 512) {
    return Unexpected(OptionOutOfRange("size", s, kSpeckleMinSide, 512));
  }
  if (!(o.selectPercent > 0 && o.selectPercent <= 100)) {
    return Unexpected(OptionOutOfRange("select", o.selectPercent, 0, 100));
  }
  if (o.backgroundRadius < 0 || o.backgroundRadius > kMaxBackgroundRadius) {
    return Unexpected(OptionOutOfRange("background", o.backgroundRadius, 0, kMaxBackgroundRadius));
  }
  if (o.groups < 1 || o.groups > 1000) {
    return Unexpected(OptionOutOfRange("groups", o.groups, 1, 1000));
  }
  if (!(o.minRhoPx >= 0) || !(o.maxRhoPx >= 0)) {
    return Unexpected(OptionOutOfRange("rho", std::min(o.minRhoPx, o.maxRhoPx), 0, 256));
  }
  return {};
}

// The windows of one group of consecutive frames.
struct GroupWindows {
  OTrame autocorrelation;  // CentralPart of the unscaled autocorrelation
  ShiftWindow shiftAndAdd;
  ShiftWindow crossCorrelation;  // unscaled
};

// The square of side 2m + 1 round the zero shift [n/2][n/2] of a centred n x n image.
OTrame CentralPart(const OTrame& image, int m) {
  const int c = image.Width() / 2;
  OTrame part;
  part.Allocate(2 * m + 1, 2 * m + 1);
  for (int i = 0; i <= 2 * m; ++i) {
    const Extended* from = image.Column(c - m + i) + (c - m);
    std::copy(from, from + 2 * m + 1, part.Column(i));
  }
  return part;
}

// a := a + sign x b, element by element (frames of one size).
void AddInto(OTrame& a, const OTrame& b, Extended sign) {
  Extended* to = a.Data().data();
  const Extended* from = b.Data().data();
  for (size_t i = 0; i < a.Data().size(); ++i) to[i] = to[i] + sign * from[i];
}

// The zero shift of an autocorrelation holds, beside the stars, the noise of every pixel of
// every frame (the white floor of the power spectra). Its value is replaced by the summit of
// the Gaussian through the means of its four side neighbours (s) and four diagonal ones (d),
// s^2 / d, or by s when they do not fall off as round a summit.
void ReplaceZeroShift(OTrame& part) {
  const int c = part.Width() / 2;
  const Extended side =
      (part.Px(c - 1, c) + part.Px(c + 1, c) + part.Px(c, c - 1) + part.Px(c, c + 1)) / 4;
  const Extended diagonal = (part.Px(c - 1, c - 1) + part.Px(c + 1, c + 1) + part.Px(c - 1, c + 1) +
                             part.Px(c + 1, c - 1)) /
                            4;
  part.Px(c, c) = (side > diagonal && diagonal > 0) ? side * side / diagonal : side;
}

// The background-subtracted window of radius `radius` of a central part (zero shift cleaned).
ShiftWindow SubtractedWindow(const OTrame& part, int background, int radius, WorkerPool* pool) {
  OTrame cleaned = part;
  ReplaceZeroShift(cleaned);
  OTrame means = cleaned;
  const int m = part.Width() / 2;
  return ShiftWindow::Cut(SubtractBoxMean(cleaned, background, means, pool), m, m, radius);
}

// 1.4826 x the median absolute deviation of the values at distances minRho..maxRho: the
// spread of the image round the pair, as a standard deviation.
double AnnulusSpread(const ShiftWindow& w, double minRho, double maxRho) {
  std::vector<double> v;
  const int r = w.Radius();
  for (int dx = -r; dx <= r; ++dx) {
    for (int dy = -r; dy <= r; ++dy) {
      const double rho = std::hypot(dx, dy);
      if (rho >= minRho && rho <= maxRho) v.push_back(w.At(dx, dy));
    }
  }
  if (v.empty()) return 0;
  const size_t mid = v.size() / 2;
  std::nth_element(v.begin(), v.begin() + mid, v.end());
  const double median = v[mid];
  for (double& x : v) x = std::fabs(x - median);
  std::nth_element(v.begin(), v.begin() + mid, v.end());
  return 1.4826 * v[mid];
}

// The pair found on the background-subtracted autocorrelation of one radius.
struct PairChoice {
  int background = 0;
  PeakPair pair;
  double contrast = 0;  // (mean height - ring level) / AnnulusSpread
};

// The strongest symmetric pair on the image of the background radius `fixed`, or, with 0, on
// the radius 1..9 where the pair stands out most from the spread round it.
std::optional<PairChoice> ChoosePair(const OTrame& part, int fixed, int radius, double minRho,
                                     double maxRho, WorkerPool* pool) {
  std::optional<PairChoice> best;
  for (int r = fixed > 0 ? fixed : 1; r <= (fixed > 0 ? fixed : kMaxBackgroundRadius); ++r) {
    const ShiftWindow w = SubtractedWindow(part, r, radius, pool);
    const std::optional<PeakPair> pair = StrongestSymmetricPair(w, minRho, maxRho);
    if (!pair) continue;
    const double rho =
        std::hypot(pair->peak.dx - pair->mirror.dx, pair->peak.dy - pair->mirror.dy) / 2;
    const double height = (pair->peak.height + pair->mirror.height) / 2 - RingMedian(w, rho);
    const double spread = AnnulusSpread(w, minRho, maxRho);
    const double contrast = spread > 0 ? height / spread : height;
    if (!best || contrast > best->contrast) best = PairChoice{r, *pair, contrast};
  }
  return best;
}

// The three sums over the frames, and the windows of each group of frames.
class SpeckleSums {
 public:
  SpeckleSums(int side, int windowRadius, int partRadius, WorkerPool* pool)
      : m_n(side),
        m_radius(windowRadius),
        m_partRadius(partRadius),
        m_pool(pool),
        m_power(side, pool),
        m_powerAtGroupStart(static_cast<size_t>(side) * side, 0.0L),
        m_cross(side, pool),
        m_p(side),
        m_q(side),
        m_values(static_cast<size_t>(side) * side),
        m_squares(static_cast<size_t>(side) * side),
        m_saaGroup(static_cast<size_t>(side) * side, 0.0),
        m_saaTotal(static_cast<size_t>(side) * side, 0.0) {}

  // Adds a side x side crop whose background level is `background`.
  void Add(const OTrame& crop, Extended background) {
    m_power.Add(crop);
    const size_t cells = m_values.size();
    const Extended* px = crop.Data().data();
    size_t brightest = 0;
    for (size_t i = 0; i < cells; ++i) {
      const Extended v = px[i] - background;
      m_values[i] = v;
      m_squares[i] = v * v;
      if (px[i] > px[brightest]) brightest = i;
    }
    // Cross-spectrum: FFT(image) x conjugate(FFT(image^2)), both transforms at once.
    m_p.Assign(m_values.data(), nullptr);
    m_q.Assign(m_squares.data(), nullptr);
    if (TasksOf(m_pool) >= 2) {
      m_pool->Run(2, [&](int t) { (t == 0 ? m_p : m_q).Transform(false); });
    } else {
      m_p.Transform(false);
      m_q.Transform(false);
    }
    m_p.MultiplyByConjugate(m_q);
    m_cross.Add(m_p);
    // Shift-and-add: the brightest pixel moves onto the centre (cyclically).
    const int n = m_n;
    const int bx = static_cast<int>(brightest / n);
    const int by = static_cast<int>(brightest % n);
    for (int x = 0; x < n; ++x) {
      const int tx = ((x - bx + n / 2) % n + n) % n;
      double* to = &m_saaGroup[static_cast<size_t>(tx) * n];
      const Extended* from = &m_values[static_cast<size_t>(x) * n];
      for (int y = 0; y < n; ++y)
        to[((y - by + n / 2) % n + n) % n] += static_cast<double>(from[y]);
    }
    ++m_inGroup;
  }

  // Ends the current group: its windows are appended to `groups` when it holds frames.
  void CloseGroup(std::vector<GroupWindows>& groups) {
    if (m_inGroup == 0) return;
    const int c = m_n / 2;
    GroupWindows g;
    // The group's power-spectrum sum, turned into its autocorrelation as the sum does it.
    const std::vector<Extended>& total = m_power.Sum();
    for (size_t i = 0; i < total.size(); ++i) m_values[i] = total[i] - m_powerAtGroupStart[i];
    m_powerAtGroupStart.assign(total.begin(), total.end());
    m_p.Assign(m_values.data(), nullptr);
    m_p.Transform(false);
    m_p.SwapQuadrants();
    OTrame image;
    m_p.WriteToFrame(image, -1);
    g.autocorrelation = CentralPart(image, m_partRadius);
    // The group's cross-correlation.
    m_cross.Transform(true);
    m_cross.SwapQuadrants();
    m_cross.WriteToFrame(image, -1);
    g.crossCorrelation = ShiftWindow::Cut(image, c, c, m_radius);
    m_cross = OFFT(m_n, m_pool);
    // The group's shift-and-add.
    g.shiftAndAdd = ShiftWindow(m_radius);
    for (int dx = -m_radius; dx <= m_radius; ++dx) {
      for (int dy = -m_radius; dy <= m_radius; ++dy) {
        g.shiftAndAdd.At(dx, dy) = m_saaGroup[static_cast<size_t>(c + dx) * m_n + (c + dy)];
      }
    }
    for (size_t i = 0; i < m_saaGroup.size(); ++i) {
      m_saaTotal[i] += m_saaGroup[i];
      m_saaGroup[i] = 0;
    }
    groups.push_back(std::move(g));
    m_inGroup = 0;
  }

  const PowerSpectrumSum& Power() const { return m_power; }
  const std::vector<double>& ShiftAndAddTotal() const { return m_saaTotal; }

 private:
  int m_n;
  int m_radius;
  int m_partRadius;
  WorkerPool* m_pool;
  PowerSpectrumSum m_power;
  std::vector<Extended> m_powerAtGroupStart;
  OFFT m_cross;
  OFFT m_p;
  OFFT m_q;
  std::vector<Extended> m_values;
  std::vector<Extended> m_squares;
  std::vector<double> m_saaGroup;
  std::vector<double> m_saaTotal;
  int m_inGroup = 0;
};

double Asymmetry(const ShiftWindow& w, double dx, double dy) {
  const double plus = Bilinear(w, dx, dy);
  const double minus = Bilinear(w, -dx, -dy);
  const double ring = RingMedian(w, std::hypot(dx, dy));
  const double scale = w.At(0, 0) - ring;
  return scale > 0 ? (plus - minus) / scale : 0.0;
}

// Jack-knife standard error of the estimates left out one group at a time.
double JackKnifeError(const std::vector<double>& leftOut) {
  const size_t g = leftOut.size();
  if (g < static_cast<size_t>(kMinGroups)) return kNaN;
  const double mean = std::accumulate(leftOut.begin(), leftOut.end(), 0.0) / g;
  double sum = 0;
  for (double v : leftOut) sum += (v - mean) * (v - mean);
  return std::sqrt(sum * (g - 1) / g);
}

double Wrap180(double deg) {
  return std::remainder(deg, 360.0);
}

struct Counts {
  int noStar = 0;
  int atBorder = 0;
  int saturated = 0;
  void Count(SpeckleReject r) {
    noStar += r == SpeckleReject::NoStar ? 1 : 0;
    atBorder += r == SpeckleReject::AtBorder ? 1 : 0;
    saturated += r == SpeckleReject::Saturated ? 1 : 0;
  }
};

// The frames of one pass.
class Pass {
 public:
  Pass(const SpeckleFrameOpener& open, const SpeckleOptions& o) : m_open(open), m_options(o) {}

  Result<void> Start() {
    Result<std::unique_ptr<FrameSource>> opened = m_open();
    if (!opened) return Unexpected(std::move(opened).error());
    m_source = std::move(*opened);
    return {};
  }
  int64_t Count() const { return m_source->Count(); }
  const std::vector<Error>& Warnings() const { return m_source->Warnings(); }

  // Reads the next frame into `loaded` and settles the crop side on the first one.
  Result<bool> Next(LoadedFrame& loaded, int& side) {
    std::swap(m_frame.frame, loaded.frame);  // one pixel buffer for the whole pass
    Result<bool> next = m_source->Next(m_frame);
    std::swap(m_frame.frame, loaded.frame);
    if (!next.ok() || !next.value()) return next;
    const OTrame& f = loaded.frame;
    if (f.Width() < kSpeckleMinSide || f.Height() < kSpeckleMinSide) {
      return Unexpected(
          Error(ErrorCode::FrameTooSmall)
              .Path(m_frame.name)
              .Values({static_cast<double>(m_frame.number), static_cast<double>(f.Width()),
                       static_cast<double>(f.Height()), kSpeckleMinSide}));
    }
    if (side == 0) side = SpeckleSide(f.Width(), f.Height(), m_options.side);
    return true;
  }
  int64_t Number() const { return m_frame.number; }

 private:
  const SpeckleFrameOpener& m_open;
  const SpeckleOptions& m_options;
  std::unique_ptr<FrameSource> m_source;
  SourceFrame m_frame;
};

// The mean of the frames' times, when every frame has one.
class TimeMean {
 public:
  void Add(const std::optional<FrameTime>& t) {
    if (!t) {
      m_missing = true;
      return;
    }
    m_approximate = m_approximate || t->approximate;
    if (!m_first) {
      m_first = t->utc;
    } else if (Result<double> s = SecondsBetween(*m_first, t->utc); s) {
      m_seconds += *s;
    } else {
      m_missing = true;
    }
    ++m_count;
  }
  std::optional<UtcTime> Mean() const {
    if (m_missing || !m_first) return std::nullopt;
    Result<UtcTime> mean = AddSeconds(*m_first, m_seconds / m_count);
    return mean ? std::optional<UtcTime>(*mean) : std::nullopt;
  }
  bool Approximate() const { return m_approximate; }

 private:
  std::optional<UtcTime> m_first;
  double m_seconds = 0;
  int64_t m_count = 0;
  bool m_missing = false;
  bool m_approximate = false;
};

Error Stopped(int64_t framesRead) {
  return Error(ErrorCode::SpeckleStopped).Values({static_cast<double>(framesRead)});
}

}  // namespace

double IntensityRatioFromPeaks(double q) {
  if (!(q > 0)) return 0;
  if (q >= 0.5) return 1;
  return (1 - std::sqrt(1 - 4 * q * q)) / (2 * q);
}

Result<SpeckleResult> MeasureClosePair(const SpeckleFrameOpener& open, const SpeckleOptions& o,
                                       SeriesObserver& observer) {
  if (Result<void> ok = CheckOptions(o); !ok) return Unexpected(ok.error());
  SpeckleResult result;
  Counts counts;
  LoadedFrame loaded;
  int side = 0;

  // First pass, when only the best frames are kept: scores of the usable frames.
  const bool selecting = o.selectPercent < 100;
  std::vector<char> chosen;
  int64_t chosenCount = 0;
  if (selecting) {
    Pass pass(open, o);
    if (Result<void> r = pass.Start(); !r) return Unexpected(r.error());
    const int count = static_cast<int>(pass.Count());
    std::vector<Extended> scores;
    std::vector<int> order;
    for (int k = 0;; ++k) {
      Result<bool> next = pass.Next(loaded, side);
      if (!next) return Unexpected(std::move(next).error());
      if (!next.value()) break;
      if (!observer.FrameLoaded(k, count, loaded.frame)) return Unexpected(Stopped(k + 1));
      const SpeckleFrameCheck check = CheckSpeckleFrame(loaded, side, o.measure, o.saturation);
      chosen.push_back(0);
      if (check.reject != SpeckleReject::None) {
        counts.Count(check.reject);
        result.rejected.push_back(SpeckleFrameNote{pass.Number(), check.reject});
        continue;
      }
      scores.push_back(check.score);
      order.push_back(k);
    }
    const int usable = static_cast<int>(order.size());
    SortDescendingByScore(scores, order);
    // At least one frame when there is one; a share of a frame counts as a whole frame.
    const int keep = std::min(
        usable, std::max(1, static_cast<int>(std::ceil(o.selectPercent * usable / 100.0 - 1e-9))));
    for (int i = 0; i < keep; ++i) chosen[order[i]] = 1;
    chosenCount = keep;
    result.framesNotSelected = usable - keep;
  }

  // The measuring pass.
  Pass pass(open, o);
  if (Result<void> r = pass.Start(); !r) return Unexpected(r.error());
  const int count = static_cast<int>(pass.Count());
  std::unique_ptr<SpeckleSums> sums;
  std::vector<GroupWindows> groups;
  TimeMean times;
  int windowRadius = 0;
  double maxRho = 0;
  int currentGroup = -1;
  int64_t rank = 0;  // frames measured so far
  OTrame crop;
  for (int k = 0;; ++k) {
    Result<bool> next = pass.Next(loaded, side);
    if (!next) return Unexpected(std::move(next).error());
    if (!next.value()) break;
    if (!observer.FrameLoaded(k, count, loaded.frame)) return Unexpected(Stopped(k + 1));
    if (selecting && (k >= static_cast<int>(chosen.size()) || !chosen[k])) continue;
    const SpeckleFrameCheck check = CheckSpeckleFrame(loaded, side, o.measure, o.saturation);
    if (check.reject != SpeckleReject::None) {
      // With a first pass the frame was chosen there: a frame that changed between passes.
      counts.Count(check.reject);
      result.rejected.push_back(SpeckleFrameNote{pass.Number(), check.reject});
      continue;
    }
    if (!sums) {
      // The window, with the margin of the largest box mean, stays inside the image.
      const double farthest = side / 2.0 - 3 - kMaxBackgroundRadius;
      maxRho = o.maxRhoPx > 0 ? std::min(o.maxRhoPx, farthest) : side / 4.0;
      windowRadius = static_cast<int>(std::ceil(maxRho)) + 2;
      sums = std::make_unique<SpeckleSums>(side, windowRadius, windowRadius + kMaxBackgroundRadius,
                                           o.pool);
    }
    // Consecutive groups: by rank among the chosen frames, else by position in the pass.
    const int group = selecting
                          ? static_cast<int>(rank * o.groups / std::max<int64_t>(1, chosenCount))
                          : static_cast<int>(int64_t{k} * o.groups / std::max(1, count));
    if (group != currentGroup) {
      sums->CloseGroup(groups);
      currentGroup = group;
    }
    CropSpeckleFrame(loaded.frame, check.window, crop);
    sums->Add(crop, loaded.frame.Median);
    times.Add(loaded.frame.Time);
    ++rank;
  }
  result.side = side;
  result.framesUsed = static_cast<int>(rank);
  result.framesRejected = counts.noStar + counts.atBorder + counts.saturated;
  result.sourceWarnings = pass.Warnings();
  result.meanTime = times.Mean();
  result.timeApproximate = times.Approximate();
  if (!sums) {
    return Unexpected(
        Error(ErrorCode::SpeckleNoFrame)
            .Values({static_cast<double>(count), static_cast<double>(counts.noStar),
                     static_cast<double>(counts.atBorder), static_cast<double>(counts.saturated)}));
  }
  sums->CloseGroup(groups);
  result.groups = static_cast<int>(groups.size());

  // The designed autocorrelation; the pair on its background-subtracted image.
  OTrame acf;
  sums->Power().WriteAutocorrelation(acf);
  const std::optional<PairChoice> choice =
      ChoosePair(CentralPart(acf, windowRadius + kMaxBackgroundRadius), o.backgroundRadius,
                 windowRadius, o.minRhoPx, maxRho, o.pool);
  if (!choice) {
    return Unexpected(Error(ErrorCode::SpeckleNoPair).Values({o.minRhoPx, maxRho}));
  }
  const PeakPair* pair = &choice->pair;
  result.backgroundRadius = choice->background;
  result.contrast = choice->contrast;
  const double sx = (pair->peak.dx - pair->mirror.dx) / 2;
  const double sy = (pair->peak.dy - pair->mirror.dy) / 2;

  // Quadrant estimators and the jack-knife.
  OTrame acfAll = groups.front().autocorrelation;
  acfAll.ClearPixels();
  ShiftWindow saaAll(windowRadius);
  ShiftWindow crossAll(windowRadius);
  for (const GroupWindows& g : groups) {
    AddInto(acfAll, g.autocorrelation, 1);
    saaAll += g.shiftAndAdd;
    crossAll += g.crossCorrelation;
  }
  const double saaAsym = Asymmetry(saaAll, sx, sy);
  const double crossAsym = Asymmetry(crossAll, sx, sy);
  const double angle = std::atan2(sy, sx) * kDegPerRad;
  std::vector<double> rhos;
  std::vector<double> angles;
  std::vector<double> saaLeftOut;
  std::vector<double> crossLeftOut;
  if (groups.size() >= static_cast<size_t>(kMinGroups)) {
    for (const GroupWindows& g : groups) {
      OTrame part = acfAll;
      AddInto(part, g.autocorrelation, -1);
      const ShiftWindow rest = SubtractedWindow(part, choice->background, windowRadius, nullptr);
      const PeakFit p = FitPeakNear(rest, sx, sy, 1);
      const PeakFit m = FitPeakNear(rest, -sx, -sy, 1);
      const double jx = (p.dx - m.dx) / 2;
      const double jy = (p.dy - m.dy) / 2;
      rhos.push_back(std::hypot(jx, jy));
      angles.push_back(angle + Wrap180(std::atan2(jy, jx) * kDegPerRad - angle));
      ShiftWindow saa = saaAll;
      saa -= g.shiftAndAdd;
      saaLeftOut.push_back(Asymmetry(saa, sx, sy));
      ShiftWindow cross = crossAll;
      cross -= g.crossCorrelation;
      crossLeftOut.push_back(Asymmetry(cross, sx, sy));
    }
  }
  result.shiftAndAdd = QuadrantEstimate{saaAsym, JackKnifeError(saaLeftOut)};
  result.crossCorrelation = QuadrantEstimate{crossAsym, JackKnifeError(crossLeftOut)};
  const double tSaa = saaAsym / result.shiftAndAdd.error;
  const double tCross = crossAsym / result.crossCorrelation.error;
  const double lean =
      (std::isnan(tSaa) || std::isnan(tCross)) ? saaAsym + crossAsym : tSaa + tCross;
  const double sign = lean < 0 ? -1.0 : 1.0;
  result.quadrantMargin = std::min(sign * tSaa, sign * tCross);
  result.resolved = result.quadrantMargin >= o.resolveMargin;

  result.dxPx = sign * sx;
  result.dyPx = sign * sy;
  result.rhoPx = std::hypot(sx, sy);
  result.angleDeg = std::atan2(result.dyPx, result.dxPx) * kDegPerRad;
  result.rhoErrPx = JackKnifeError(rhos);
  result.angleErrDeg = JackKnifeError(angles);
  result.companion = sign > 0 ? pair->peak : pair->mirror;
  result.mirror = sign > 0 ? pair->mirror : pair->peak;

  const ShiftWindow main = SubtractedWindow(CentralPart(acf, windowRadius + kMaxBackgroundRadius),
                                            choice->background, windowRadius, o.pool);
  const double central = FitPeak(main, 0, 0).height;
  const double secondary = (pair->peak.height + pair->mirror.height) / 2;
  result.peakRatio = central > 0 ? secondary / central : 0;
  const double ratio = IntensityRatioFromPeaks(result.peakRatio);
  result.dm = ratio > 0 ? -2.5 * std::log10(ratio) : kNaN;

  OTrame means = acf;
  result.autocorrelation = SubtractBoxMean(acf, choice->background, means, o.pool);
  ShiftToZeroMinimum(result.autocorrelation);
  const std::vector<double>& saa = sums->ShiftAndAddTotal();
  result.shiftAndAddImage.Allocate(side, side);
  for (size_t i = 0; i < saa.size(); ++i) {
    result.shiftAndAddImage.Data()[i] = saa[i] / static_cast<double>(result.framesUsed);
  }
  return result;
}

}  // namespace orvek::speckle

namespace orvek::speckle {

Result<SpeckleResult> MeasureClosePair(const std::vector<std::string>& inputs,
                                       FrameSourceOptions source, const SpeckleOptions& options,
                                       SeriesObserver& observer) {
  source.minSide = std::max(source.minSide, kSpeckleMinSide);
  const SpeckleFrameOpener open = [&] { return OpenFrameSource(inputs, source); };
  return MeasureClosePair(open, options, observer);
}

}  // namespace orvek::speckle
