#include "measure/AutoOrvek.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "core/Rounding.h"

namespace orvek {

namespace {
// Candidates for B tried before giving up (wing pixels of A, hot pixels).
constexpr int kMaxCandidates = 200;
// Height above the background, in frame sigmas, that a companion must exceed.
constexpr Extended kSignificance = 5;
}  // namespace

AutoOrvekResult RunAutoOrvek(const std::vector<std::string>& files, ReductionTable& table,
                             const AutoOrvekSettings& settings, SeriesObserver& observer,
                             const AutoOrvekHook& hook) {
  AutoOrvekResult res;
  int half = settings.context.measure.half;
  const Extended offX = settings.capturedBX - settings.capturedAX;
  const Extended offY = settings.capturedBY - settings.capturedAY;
  const int count = static_cast<int>(files.size());

  for (int i = 0; i < count; ++i) {
    // Loading measures at the frame's best star with the half-size in use, which after the
    // first frame is SizeB, as on the main window.
    LoadContext context = settings.context;
    context.measure.half = half;
    LoadedFrame loaded;
    const LoadResult lr = LoadAndMeasure(files[i], context, loaded);
    if (!lr.ok()) {
      const std::string why = lr.status == LoadStatus::UnknownExtension ? "not an image file"
                                                                        : DebugText(lr.AsStatus());
      const std::string text = files[i] + ": " + why;
      res.skipped.push_back(text);
      observer.Warning(text);
      continue;
    }
    observer.FrameLoaded(i, count, loaded.frame);
    if (hook) hook(AutoOrvekStep::Loaded, loaded, loaded.star, half);

    MeasureSettings measure = settings.context.measure;
    MeasurePass pass = loaded.star;
    if (half != settings.sizeA) {
      // Changing the window size measures the current point again with the new size.
      half = settings.sizeA;
      measure.half = half;
      pass = MeasureAt(loaded.frame, loaded.window, pass.point, measure);
    }
    if (hook) hook(AutoOrvekStep::MeasuredA, loaded, pass, half);
    RecomputeResult entered = table.SaveCentroid(pass.point, loaded.frame.FileName);
    if (!entered.status && res.recompute) res.recompute = entered.status;

    const rStarPos predicted = Point(pass.point.X + offX, pass.point.Y + offY);
    // Setting SizeB would also re-measure the current point; that measurement is replaced at
    // once by the one at the predicted B, so only the latter is made.
    half = settings.sizeB;
    measure.half = half;
    pass = MeasureAt(loaded.frame, loaded.window, predicted, measure);
    if (hook) hook(AutoOrvekStep::MeasuredB, loaded, pass, half);
    entered =
        table.SaveCentroid(pass.point, loaded.frame.FileName, PairKind::Direct, loaded.frame.Time);
    if (!entered.status && res.recompute) res.recompute = entered.status;
    res.currentPoint = pass.point;
    ++res.rows;
    observer.Progress(i + 1, count);
  }
  res.half = half;
  return res;
}

StarPair FindBrightestPair(const OTrame& frame, const MeasureSettings& settings, int halfA,
                           int halfB) {
  StarPair pair;
  if (frame.Empty()) {
    pair.error = Error(ErrorCode::EmptyFrame);
    return pair;
  }
  MeasureSettings ms = settings;
  ms.half = halfA;
  OMat window;
  pair.a = MeasureAt(frame, window, frame.Star, ms);

  const int32_t r = std::max(halfA, halfB) + 1;
  const int32_t cx = Nearest32(frame.Star.X);
  const int32_t cy = Nearest32(frame.Star.Y);
  OTrame masked = frame;
  for (int32_t x = std::max(0, cx - r); x <= std::min(frame.LastX, cx + r); ++x)
    for (int32_t y = std::max(0, cy - r); y <= std::min(frame.LastY, cy + r); ++y)
      masked.Px(x, y) = frame.MinValue;
  auto localMaximum = [&](int32_t x, int32_t y) {
    const Extended c = frame.GetPixel(x, y);
    for (int dx = -1; dx <= 1; ++dx)
      for (int dy = -1; dy <= 1; ++dy)
        if ((dx != 0 || dy != 0) && frame.GetPixel(x + dx, y + dy) > c) return false;
    return true;
  };
  // Candidates in order of FindStar's score. A candidate is taken when it is a local maximum
  // of the real frame (a wing of A cut by the square is not), its measurement stays clear of
  // A's window (automatic framing could climb back onto A) and it stands above the noise.
  const Extended floor = kSignificance * frame.Sigma;
  const int32_t apart = std::max(halfA, halfB);
  ms.half = halfB;
  for (int attempt = 0; attempt < kMaxCandidates; ++attempt) {
    rStarPos candidate;
    masked.FindStar(Point(0, 0), Point(frame.LastX, frame.LastY), candidate);
    const int32_t x = Nearest32(candidate.X);
    const int32_t y = Nearest32(candidate.Y);
    if (std::abs(x - cx) <= r && std::abs(y - cy) <= r) break;  // nothing left outside
    masked.Px(x, y) = frame.MinValue;                           // never the same candidate twice
    if (!localMaximum(x, y)) continue;
    const MeasurePass b = MeasureAt(frame, window, candidate, ms);
    const Extended ddx = b.point.X - pair.a.point.X;
    const Extended ddy = b.point.Y - pair.a.point.Y;
    if (std::max(std::fabs(ddx), std::fabs(ddy)) <= apart) continue;
    if (b.point.Count <= 0 || !(b.point.Value > floor)) {
      // The best remaining candidate is already within the noise: there is no companion.
      pair.error = Error(ErrorCode::NoCompanion).Values({static_cast<double>(r)});
      return pair;
    }
    pair.b = b;
    pair.found = true;
    return pair;
  }
  pair.error = Error(ErrorCode::NoCompanion).Values({static_cast<double>(r)});
  return pair;
}

bool SameTablePosition(const rStarPos& a, const rStarPos& b) {
  return RoundTo(static_cast<double>(a.X), 3) == RoundTo(static_cast<double>(b.X), 3) &&
         RoundTo(static_cast<double>(a.Y), 3) == RoundTo(static_cast<double>(b.Y), 3);
}

}  // namespace orvek
